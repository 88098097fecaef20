#include "window/logtable.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QTableWidget>

#include <algorithm>

QTableWidget *newLogTable(const QStringList &headers, QWidget *parent)
{
    auto *table = new QTableWidget(0, headers.size(), parent);
    table->setObjectName(QStringLiteral("logTable"));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void fillLogTable(QTableWidget *table, const QVector<QStringList> &rows)
{
    table->clearContents();
    table->setRowCount(rows.size());
    for (int row = 0; row < rows.size(); ++row)
        for (int column = 0; column < rows.at(row).size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(rows.at(row).at(column)));
    table->resizeColumnsToContents();
}

QVector<int> selectedLogRows(const QTableWidget *table)
{
    QVector<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString shownTime(const QDateTime &time)
{
    return QLocale(QLocale::Turkish, QLocale::Turkey)
        .toString(time.toLocalTime(), QStringLiteral("d MMMM yyyy HH:mm:ss"));
}

QString shownKind(LoggedChange::Kind kind)
{
    switch (kind) {
    case LoggedChange::Kind::Added:
        return QStringLiteral("eklendi");
    case LoggedChange::Kind::Deleted:
        return QStringLiteral("silindi");
    case LoggedChange::Kind::Changed:
        break;
    }
    return QStringLiteral("değiştirildi");
}
