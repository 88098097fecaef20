#pragma once

#include <QWidget>

// A frame drawn over a button while it has the keyboard focus: the buttons' style sheets
// draw no focus of their own, and theirs must stay as they are. It lies on the button,
// lets the mouse through, and follows the button's size.
class FocusFrame : public QWidget
{
    Q_OBJECT

public:
    explicit FocusFrame(QWidget *button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
