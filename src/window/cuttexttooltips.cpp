#include "window/cuttexttooltips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

bool CutTextToolTips::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget *widget = cell.widget ? cell.widget : view;
    const QRect textArea =
        widget->style()->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
    const int margin =
        widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const QString text = index.data(Qt::DisplayRole).toString();
    const bool cut = text.contains(QLatin1Char('\n')) ||
                     cell.fontMetrics.horizontalAdvance(text) > textArea.width() - 2 * margin;
    if (!text.isEmpty() && cut)
        QToolTip::showText(event->globalPos(), text, view->viewport(), view->visualRect(index));
    else
        QToolTip::hideText();
    return true;
}
