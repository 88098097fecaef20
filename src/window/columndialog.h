#pragma once

#include "exchange/columnchoice.h"
#include "exchange/contact.h"

#include <QDialog>

class QComboBox;
class QPushButton;

// Asks what the columns of a spreadsheet hold when its header does not say it in words
// the program knows: a choice for each column, guessed where its name gives it away,
// above the file's first rows.
class ColumnDialog : public QDialog
{
    Q_OBJECT

public:
    ColumnDialog(const UnknownColumns &columns, const QString &fileName, QWidget *parent);
    ColumnChoice choice() const;

private:
    void allowOnlyWhatNamesSomeone();

    QVector<QComboBox *> roles;
    QPushButton *import = nullptr;
};
