#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "Telefonlarla eşitle": the CardDAV address book the staff's phones sync with, the user and
// password, and how the last sync went. Eşitle asks for a sync now; while one runs, how far
// it has come, and Vazgeç to stop it.
class PhoneSyncDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PhoneSyncDialog(QWidget *parent = nullptr);

    void setAccount(const QString &address, const QString &user);
    QString address() const;
    QString user() const;
    QString password() const;
    bool rememberPassword() const;
    void showLastSync(const QString &said);
    void setSyncing(bool syncing);
    void showProgress(int permille);

signals:
    void syncAsked();
    void cancelAsked();

private:
    QLineEdit *addressEdit;
    QLineEdit *userEdit;
    QLineEdit *passwordEdit;
    QCheckBox *remembered;
    QLabel *last;
    QProgressBar *progress;
    QPushButton *syncButton;
    QPushButton *cancelButton;
};
