#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A desktop keyring of this test process's own: a private D-Bus session bus with
// gnome-keyring's Secret Service on it, unlocked, its keyrings in a temporary directory.
// This process talks to that bus from then on. A watchdog stops both and removes the
// directory when this process ends, however it ends.
class PrivateKeyring
{
public:
    // Started on first use, before anything in this process has talked to a session bus;
    // the test fails at once when it cannot start.
    static PrivateKeyring &instance();

    // What secret-tool, an independent client, finds for the book under the program's
    // name; empty when nothing is stored.
    QString lookup(const QString &book) const;
    void store(const QString &book, const QString &password) const;
    // Whether a file under the folders holds the text: a password must be written nowhere
    // but into the keyring, whose file is encrypted.
    static bool anyFileHolds(const QStringList &folders, const QString &text);
    QString directory() const { return dir.path(); }

private:
    PrivateKeyring();
    QString secretTool(const QStringList &arguments, const QByteArray &input = {},
                       int *status = nullptr) const;

    QTemporaryDir dir;
    QProcessEnvironment environment;
};
