#pragma once

#include "carddav/davanswer.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

// One answer of the server: its status (0 when none came), its body within the limit,
// the version (ETag) it gave, and why it failed, in Turkish, when it did.
struct DavReply {
    int status = 0;
    QByteArray body;
    QString etag;
    QString error;
    bool ok() const { return error.isEmpty() && status / 100 == 2; }
};

// A CardDAV server as the sync speaks to it, over Qt Network: TLS verified as Qt verifies it,
// the password sent with every request (basic authentication), redirects followed only on
// the same server, every answer bounded in size and time. Each call waits for its answer in
// an event loop of its own, so it belongs on a thread that may wait (the command line, or a
// worker's).
class CardDavClient
{
public:
    CardDavClient(const QString &user, const QString &password);
    ~CardDavClient();

    // The address book at, or found from, the address: the address book itself, an
    // account's principal or address book home, or the server (through
    // /.well-known/carddav). nullopt with the reason when none is found.
    std::optional<QUrl> findAddressBook(const QUrl &given, QString &error);

    // Every card's address, version and size (PROPFIND, depth 1), as the server has them
    // now; at depth 0 on a card, that card's.
    std::optional<DavAnswer> versions(const QUrl &at, QString &error, int depth = 1);
    // The address book's sync token now (RFC 6578's property); empty when it keeps none.
    std::optional<QString> syncTokenOf(const QUrl &book, QString &error);
    // The cards changed and removed since the token (RFC 6578), with the new token; the
    // answer's failedCondition is "valid-sync-token" when the server no longer knows it.
    std::optional<DavAnswer> changesSince(const QUrl &book, const QString &token, QString &error);
    // The cards at these addresses (addressbook-multiget).
    std::optional<DavAnswer> cards(const QUrl &book, const QStringList &hrefs, QString &error);

    // Writes a card: a new one only where none is (If-None-Match: *), else only over the
    // version given (If-Match).
    DavReply put(const QUrl &card, const QByteArray &vcard, const QString &overVersion);
    // Deletes a card only when it is still the version given.
    DavReply remove(const QUrl &card, const QString &version);

    // An href of an answer as an address on the server the book is on.
    static QUrl resolved(const QUrl &base, const QString &href);
    int requestsMade() const { return requests; }
    // Asked every tenth of a second while an answer is awaited: true cuts the request off,
    // as a failed one.
    void setStopCheck(const std::function<bool()> &check) { stopCheck = check; }

    // How long an answer may take to come, and how large it may be.
    static constexpr int answerSeconds = 60;
    static constexpr qint64 largestAnswer = qint64(64) << 20;
    static constexpr int mostRedirects = 10;

private:
    DavReply send(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                  const QList<QPair<QByteArray, QByteArray>> &headers = {});
    // One request; a redirect's target, as the server wrote it, in redirectedTo.
    DavReply sendOnce(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                      const QList<QPair<QByteArray, QByteArray>> &headers, QUrl &redirectedTo);
    std::optional<DavAnswer> ask(const QByteArray &verb, const QUrl &url, int depth,
                                 const QByteArray &body, QString &error);

    std::unique_ptr<QNetworkAccessManager> network;
    QByteArray authorization;
    std::function<bool()> stopCheck;
    int requests = 0;
};
