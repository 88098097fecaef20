#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

// The server's password, typed hidden, and whether the desktop's keyring keeps it.
class PasswordDialog : public QDialog
{
    Q_OBJECT

public:
    PasswordDialog(const QString &why, QWidget *parent = nullptr);

    QString password() const;
    bool remember() const;

private:
    QLineEdit *typed;
    QCheckBox *remembered;
};
