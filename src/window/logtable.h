#pragma once

#include "changelog/loggedchange.h"

#include <QStringList>

class QTableWidget;
class QWidget;

// A read-only table of the log's rows, whole rows selected, for the dialogs that show it.
QTableWidget *newLogTable(const QStringList &headers, QWidget *parent);
void fillLogTable(QTableWidget *table, const QVector<QStringList> &rows);
// The rows selected, in the table's order.
QVector<int> selectedLogRows(const QTableWidget *table);

// How the dialogs show a change's time and kind.
QString shownTime(const QDateTime &time);
QString shownKind(LoggedChange::Kind kind);
