#pragma once

#include <QStyledItemDelegate>

// Draws the list's cells as usual; a cell whose text is cut (too wide, or more than one
// line) shows it whole as a tooltip.
class CutTextToolTips : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;
};
