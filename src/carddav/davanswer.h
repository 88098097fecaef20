#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// One resource of a WebDAV multistatus answer (RFC 4918), with what the address book's
// sync reads of it: a card's address and version, the card itself when it was asked for,
// and where an account's address books are.
struct DavResource {
    // As the server wrote it: a path, or a whole URL, percent-encoded.
    QString href;
    // 200 when its properties came; 404 for a member the sync reports as removed.
    int status = 0;
    QString etag;
    QByteArray addressData;
    // The card was larger than a card may be, and was left out.
    bool cardTooLarge = false;
    qint64 contentLength = -1;
    bool addressBook = false;
    QString principal;
    QString homeSet;
    // The address book's own sync token, as a property (RFC 6578).
    QString syncToken;
};

struct DavAnswer {
    QVector<DavResource> resources;
    QString syncToken;
    // The server's precondition that failed (RFC 6578's valid-sync-token, say), when the
    // answer was a DAV:error instead.
    QString failedCondition;
    // Empty when the answer could be read; a sentence otherwise.
    QString error;
};

// What one answer may hold: beyond it the answer is refused, not read in part.
struct DavLimits {
    int mostResources = 200000;
    int largestCard = 1 << 20;
    int deepest = 32;
};

// Reads a multistatus or error answer. A document type declaration is refused: nothing a
// CardDAV server sends needs one, and its entities could expand without end.
DavAnswer readDavAnswer(const QByteArray &xml, const DavLimits &limits = {});
