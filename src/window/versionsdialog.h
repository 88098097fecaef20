#pragma once

#include "changelog/loggedchange.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

// Geçmiş: the versions of one entry, oldest first (when, who, each changed field old → new);
// one of them can be chosen to be brought back.
class VersionsDialog : public QDialog
{
    Q_OBJECT

public:
    VersionsDialog(const QString &name, const QVector<LoggedChange> &versions, QWidget *parent);
    // The entry as the chosen version left it.
    Entry chosen() const;

private:
    QVector<LoggedChange> versions;
    QTableWidget *table = nullptr;
    QPushButton *bringBack = nullptr;
};
