#pragma once

#include "changelog/loggedchange.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

// Silinenler: the deleted entries the book still keeps (name, numbers, mail, who deleted,
// when), newest first. The window does what the buttons ask and shows the list again.
class DeletedDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DeletedDialog(QWidget *parent);
    void setDeletions(const QVector<LoggedChange> &deletions);
    QVector<LoggedChange> chosen() const;
    // On a book this desk may only read: what would change it stays off, saying why.
    void refuseChanges(const QString &why);

signals:
    void restoreAsked(const QVector<LoggedChange> &deletions);
    void forgetAsked(const QVector<LoggedChange> &deletions);

private:
    // A delete of many at once (a multi-row SİL, a merge, a script) is restored as one.
    void chooseTheirGroups();
    void allowWhatIsChosen();

    QVector<LoggedChange> deletions;
    QTableWidget *table = nullptr;
    QVector<QPushButton *> needChoice;
    QVector<QPushButton *> changing;
    QString refusal;
};
