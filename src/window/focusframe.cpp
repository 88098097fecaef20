#include "window/focusframe.h"

#include <QEvent>
#include <QPainter>
#include <QPen>

FocusFrame::FocusFrame(QWidget *button) : QWidget(button)
{
    setObjectName(button->objectName() + QStringLiteral("_odak"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(button->rect());
    setVisible(button->hasFocus());
    button->installEventFilter(this);
}

bool FocusFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent()) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            setVisible(event->type() == QEvent::FocusIn);
        else if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
    }
    return false;
}

void FocusFrame::paintEvent(QPaintEvent *)
{
    // White and black dashes, so that it shows on every button colour and on hover.
    QPainter painter(this);
    const QRect frame = rect().adjusted(2, 2, -3, -3);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(frame);
    QPen dashes(Qt::white, 1, Qt::DashLine);
    painter.setPen(dashes);
    painter.drawRect(frame);
}
