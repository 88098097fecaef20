#include "carddav/davanswer.h"

#include <QXmlStreamReader>

namespace
{

const QString dav = QStringLiteral("DAV:");
const QString cardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// "HTTP/1.1 404 Not Found" → 404.
int statusOf(const QString &line)
{
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    bool number = false;
    const int status = parts.value(1).toInt(&number);
    return number ? status : 0;
}

class Reading
{
public:
    Reading(const QByteArray &xml, const DavLimits &limits) : xml(xml), limits(limits) {}

    DavAnswer read()
    {
        if (next() && xml.isStartElement()) {
            if (is(dav, "multistatus"))
                readMultistatus();
            else if (is(dav, "error"))
                readError();
            else
                fail(QStringLiteral("yanıt bir WebDAV yanıtı değil"));
        }
        if (answer.error.isEmpty() && xml.hasError())
            fail(QStringLiteral("yanıt okunamadı: ") + xml.errorString());
        // What was read before the fault is no part of an answer.
        if (!answer.error.isEmpty())
            answer.resources.clear();
        return answer;
    }

private:
    bool is(const QString &ns, const char *name) const
    {
        return xml.namespaceUri() == ns && xml.name() == QLatin1String(name);
    }

    void fail(const QString &why)
    {
        if (answer.error.isEmpty())
            answer.error = why;
        answer.resources.clear();
        xml.raiseError(why);
    }

    // The next start or end element, text read where it is asked for; false at the end
    // or on an error.
    bool next()
    {
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                fail(QStringLiteral("yanıt bir belge tanımı taşıyor"));
                return false;
            case QXmlStreamReader::StartElement:
                if (++depth > limits.deepest) {
                    fail(QStringLiteral("yanıt çok derin"));
                    return false;
                }
                return true;
            case QXmlStreamReader::EndElement:
                --depth;
                return true;
            default:
                break;
            }
        }
        return false;
    }

    // Reads on to the end of the element just started, its children skipped.
    void skip()
    {
        const int at = depth;
        while (depth >= at && next()) {
        }
    }

    // The text of the element just started; its end read.
    QString text(int most)
    {
        QString read;
        const int at = depth;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::Characters) {
                if (read.size() + xml.text().size() > most) {
                    tooLong = true;
                    read.clear();
                } else if (!tooLong) {
                    read += xml.text();
                }
            } else if (token == QXmlStreamReader::StartElement) {
                ++depth;
                skip();
            } else if (token == QXmlStreamReader::EndElement) {
                --depth;
                if (depth < at)
                    break;
            } else if (token == QXmlStreamReader::DTD ||
                       token == QXmlStreamReader::EntityReference) {
                fail(QStringLiteral("yanıt bir belge tanımı taşıyor"));
                break;
            }
        }
        return read;
    }

    QString shortText()
    {
        tooLong = false;
        const QString read = text(8192).trimmed();
        return tooLong ? QString() : read;
    }

    // The href inside the element just started (current-user-principal and the like).
    QString innerHref()
    {
        QString href;
        const int at = depth;
        while (next() && depth >= at)
            if (xml.isStartElement() && is(dav, "href"))
                href = shortText();
        return href;
    }

    void readMultistatus()
    {
        const int at = depth;
        while (next() && depth >= at) {
            if (!xml.isStartElement())
                continue;
            if (is(dav, "response"))
                readResponse();
            else if (is(dav, "sync-token"))
                answer.syncToken = shortText();
            else
                skip();
        }
    }

    void readError()
    {
        const int at = depth;
        while (next() && depth >= at)
            if (xml.isStartElement()) {
                if (answer.failedCondition.isEmpty())
                    answer.failedCondition = xml.name().toString();
                skip();
            }
    }

    // One resource for each href: a server may name several removed members in one.
    void readResponse()
    {
        DavResource resource;
        QStringList hrefs;
        const int at = depth;
        while (next() && depth >= at) {
            if (!xml.isStartElement())
                continue;
            if (is(dav, "href"))
                hrefs << shortText();
            else if (is(dav, "status"))
                resource.status = statusOf(shortText());
            else if (is(dav, "propstat"))
                readPropstat(resource);
            else
                skip();
        }
        for (const QString &href : hrefs) {
            if (href.isEmpty())
                continue;
            if (answer.resources.size() >= limits.mostResources) {
                fail(QStringLiteral("yanıtta çok fazla kart var"));
                return;
            }
            resource.href = href;
            answer.resources.append(resource);
        }
    }

    void readPropstat(DavResource &resource)
    {
        DavResource read;
        int status = 0;
        const int at = depth;
        while (next() && depth >= at) {
            if (!xml.isStartElement())
                continue;
            if (is(dav, "status"))
                status = statusOf(shortText());
            else if (is(dav, "prop"))
                readProps(read);
            else
                skip();
        }
        // Only what the server found: a property it lacks comes in a 404 propstat.
        if (status / 100 != 2)
            return;
        resource.status = status;
        resource.etag = read.etag;
        resource.addressData = read.addressData;
        resource.cardTooLarge = read.cardTooLarge;
        resource.contentLength = read.contentLength;
        resource.addressBook = read.addressBook;
        resource.principal = read.principal;
        resource.homeSet = read.homeSet;
        resource.syncToken = read.syncToken;
    }

    void readProps(DavResource &resource)
    {
        const int at = depth;
        while (next() && depth >= at) {
            if (!xml.isStartElement())
                continue;
            if (is(dav, "getetag")) {
                resource.etag = shortText();
            } else if (is(cardDav, "address-data")) {
                tooLong = false;
                const QString card = text(limits.largestCard);
                resource.cardTooLarge = tooLong;
                resource.addressData = tooLong ? QByteArray() : card.toUtf8();
            } else if (is(dav, "getcontentlength")) {
                bool number = false;
                const qint64 length = shortText().toLongLong(&number);
                resource.contentLength = number ? length : -1;
            } else if (is(dav, "resourcetype")) {
                const int inside = depth;
                while (next() && depth >= inside)
                    if (xml.isStartElement() && is(cardDav, "addressbook"))
                        resource.addressBook = true;
            } else if (is(dav, "current-user-principal")) {
                resource.principal = innerHref();
            } else if (is(cardDav, "addressbook-home-set")) {
                resource.homeSet = innerHref();
            } else if (is(dav, "sync-token")) {
                resource.syncToken = shortText();
            } else {
                skip();
            }
        }
    }

    QXmlStreamReader xml;
    const DavLimits limits;
    DavAnswer answer;
    int depth = 0;
    bool tooLong = false;
};

} // namespace

DavAnswer readDavAnswer(const QByteArray &xml, const DavLimits &limits)
{
    return Reading(xml, limits).read();
}
