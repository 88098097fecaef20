#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// A CardDAV server of this test process's own: Debian's Radicale on 127.0.0.1 and a free
// port, its storage and password file in a temporary directory. A watchdog stops it and
// removes the directory when this process ends, however it ends.
class PrivateCardDav
{
public:
    // Started on first use; the test fails at once when it cannot start.
    static PrivateCardDav &instance();

    static QString user() { return QStringLiteral("ofis"); }
    static QString password() { return QStringLiteral("gizli şifre:1"); }
    QString root() const { return QStringLiteral("http://127.0.0.1:%1").arg(port); }
    // A new, empty address book of the user, made as a phone's app makes one (MKCOL);
    // its address.
    QString makeAddressBook();

    // Writes a new card into the address book as a phone does (If-None-Match: *); the status.
    int putNewCard(const QString &url, const QByteArray &card) const
    {
        return curl("PUT", url, card, {"Content-Type: text/vcard", "If-None-Match: *"}).first;
    }
    // Writes a card over whatever version the server holds, as a phone does; the status.
    int changeCard(const QString &url, const QByteArray &card) const
    {
        return curl("PUT", url, card, {"Content-Type: text/vcard"}).first;
    }
    // Where the server keeps an address book's cards, one file each: a benchmark fills a
    // large one there at once, as phones would over days.
    QString storedFolder(const QString &book) const;
    // Asks the server with curl, an independent client, as the user: the status and body.
    QPair<int, QByteArray> curl(const QString &method, const QString &url,
                                const QByteArray &body = {}, const QStringList &headers = {}) const;

private:
    PrivateCardDav();
    QTemporaryDir dir;
    int port = 0;
    int books = 0;
};

// An HTTP server of a test's own, a python script on 127.0.0.1 that prints its port first
// and ends when its standard input closes: when this ends, or with the test's process.
class ScriptServer
{
public:
    explicit ScriptServer(const QString &script, const QStringList &arguments = {});
    ~ScriptServer();
    ScriptServer(const ScriptServer &) = delete;
    ScriptServer &operator=(const ScriptServer &) = delete;
    int port() const { return listening; }
    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(listening).arg(path));
    }

private:
    QProcess process;
    int listening = 0;
};
