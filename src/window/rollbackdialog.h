#pragma once

#include "changelog/loggedchange.h"

#include <QDialog>
#include <functional>
#include <optional>

class QDateTimeEdit;
class QLabel;
class QPushButton;
class QTableWidget;

// Defteri geri al: every change after a chosen time, with who made it; the window then
// takes them back. The changes are read again whenever the time changes.
class RollbackDialog : public QDialog
{
    Q_OBJECT

public:
    using Reader =
        std::function<std::optional<QVector<LoggedChange>>(const QDateTime &since, QString &error)>;
    RollbackDialog(Reader read, QWidget *parent);
    QDateTime since() const;
    const QVector<LoggedChange> &changes() const { return shown; }

private:
    void readChanges();

    Reader read;
    QVector<LoggedChange> shown;
    QDateTimeEdit *time = nullptr;
    QLabel *summary = nullptr;
    QTableWidget *table = nullptr;
    QPushButton *rollBack = nullptr;
};
