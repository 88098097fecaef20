#include "carddav/carddavclient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QXmlStreamWriter>

namespace
{

const char davNs[] = "DAV:";
const char cardNs[] = "urn:ietf:params:xml:ns:carddav";

bool sameServer(const QUrl &a, const QUrl &b)
{
    return a.scheme() == b.scheme() && a.host().toLower() == b.host().toLower() &&
           a.port(a.scheme() == QLatin1String("https") ? 443 : 80) ==
               b.port(b.scheme() == QLatin1String("https") ? 443 : 80);
}

// An element of the DAV: namespace, or of CardDAV's when named "card:name".
void writeElement(QXmlStreamWriter &xml, const QString &name, bool empty)
{
    const bool card = name.startsWith(QLatin1String("card:"));
    const QString space = QString::fromLatin1(card ? cardNs : davNs);
    const QString local = card ? name.mid(5) : name;
    if (empty)
        xml.writeEmptyElement(space, local);
    else
        xml.writeStartElement(space, local);
}

// A request asking for the properties named, under its root element; `hrefs` follow the
// properties, as a multiget names its cards.
QByteArray davRequest(const QString &root, const QStringList &properties,
                      const QStringList &hrefs = {})
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    xml.writeStartDocument();
    xml.writeNamespace(QString::fromLatin1(davNs), QStringLiteral("d"));
    xml.writeNamespace(QString::fromLatin1(cardNs), QStringLiteral("card"));
    writeElement(xml, root, false);
    writeElement(xml, QStringLiteral("prop"), false);
    for (const QString &property : properties)
        writeElement(xml, property, true);
    xml.writeEndElement();
    for (const QString &href : hrefs)
        xml.writeTextElement(QString::fromLatin1(davNs), QStringLiteral("href"), href);
    xml.writeEndDocument();
    return body;
}

QByteArray propfind(const QStringList &properties)
{
    return davRequest(QStringLiteral("propfind"), properties);
}

QString answerFailure(const DavReply &reply)
{
    if (!reply.error.isEmpty())
        return reply.error;
    switch (reply.status) {
    case 401:
        return QStringLiteral("sunucu kullanıcı adını ya da parolayı kabul etmedi (401)");
    case 403:
        return QStringLiteral("sunucu bu işleme izin vermiyor (403)");
    case 404:
        return QStringLiteral("adreste bir rehber yok (404)");
    case 412:
        return QStringLiteral("sunucudaki kart bu arada değişmiş (412)");
    case 507:
        return QStringLiteral("sunucuda yer kalmadı (507)");
    default:
        return QStringLiteral("sunucu %1 ile yanıt verdi").arg(reply.status);
    }
}

} // namespace

CardDavClient::CardDavClient(const QString &user, const QString &password)
    : network(std::make_unique<QNetworkAccessManager>())
{
    if (!user.isEmpty())
        authorization = "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64();
}

CardDavClient::~CardDavClient() = default;

QUrl CardDavClient::resolved(const QUrl &base, const QString &href)
{
    return base.resolved(QUrl(href, QUrl::StrictMode));
}

DavReply CardDavClient::send(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                             const QList<QPair<QByteArray, QByteArray>> &headers)
{
    // Redirects are followed here, not by Qt: a refused one then ends as a finished answer
    // rather than an aborted request, and the method and body go along, as a PROPFIND
    // redirected from /.well-known/carddav needs.
    QUrl at = url;
    for (int hop = 0;; ++hop) {
        QUrl to;
        DavReply answer = sendOnce(verb, at, body, headers, to);
        if (to.isEmpty() || !answer.error.isEmpty())
            return answer;
        to = at.resolved(to);
        DavReply refused;
        refused.status = answer.status;
        // The password goes nowhere but the server it was given for.
        if (!sameServer(to, url))
            refused.error =
                QStringLiteral("sunucu başka bir sunucuya yönlendirdi (%1)")
                    .arg(to.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery)
                             .toString());
        else if (hop == mostRedirects)
            refused.error = QStringLiteral("sunucu çok kez yönlendirdi");
        if (!refused.error.isEmpty())
            return refused;
        at = to;
    }
}

DavReply CardDavClient::sendOnce(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                                 const QList<QPair<QByteArray, QByteArray>> &headers,
                                 QUrl &redirectedTo)
{
    DavReply answer;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(answerSeconds * 1000);
    if (!authorization.isEmpty())
        request.setRawHeader("Authorization", authorization);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    ++requests;
    QNetworkReply *reply = network->sendCustomRequest(request, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        answer.body += reply->readAll();
        if (answer.body.size() > largestAnswer) {
            answer.error = QStringLiteral("sunucunun yanıtı çok büyük");
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer stopWatch;
    if (stopCheck) {
        QObject::connect(&stopWatch, &QTimer::timeout, reply, [&] {
            if (stopCheck()) {
                answer.error = QStringLiteral("istek durduruldu");
                reply->abort();
            }
        });
        stopWatch.start(100);
    }
    if (!reply->isFinished())
        loop.exec();
    if (answer.error.isEmpty() && reply->isOpen())
        answer.body += reply->readAll();
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.etag = QString::fromLatin1(reply->rawHeader("ETag"));
    if (answer.status / 100 == 3)
        redirectedTo = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (answer.error.isEmpty() && answer.status == 0)
        answer.error = QStringLiteral("sunucuya ulaşılamadı: ") + reply->errorString();
    if (answer.error.isEmpty() && answer.body.size() > largestAnswer)
        answer.error = QStringLiteral("sunucunun yanıtı çok büyük");
    if (!answer.error.isEmpty())
        answer.body.clear();
    // An aborted reply may still signal until it is deleted, and the handlers above refer
    // to this call's locals.
    reply->disconnect();
    reply->deleteLater();
    // Qt may go on reading an aborted answer on its connection, and one without end holds
    // up every request after it: the next starts on connections of a manager of its own.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        network = std::make_unique<QNetworkAccessManager>();
    return answer;
}

std::optional<DavAnswer> CardDavClient::ask(const QByteArray &verb, const QUrl &url, int depth,
                                            const QByteArray &body, QString &error)
{
    const DavReply reply = send(
        verb, url, body,
        {{"Depth", QByteArray::number(depth)}, {"Content-Type", "application/xml; charset=utf-8"}});
    if (!reply.error.isEmpty() ||
        (reply.status != 207 && reply.status != 403 && reply.status != 409)) {
        error = answerFailure(reply);
        return std::nullopt;
    }
    DavAnswer answer = readDavAnswer(reply.body);
    // A refusal that names the condition it failed (the sync's token, say) is an answer.
    if (reply.status != 207) {
        if (answer.error.isEmpty() && !answer.failedCondition.isEmpty())
            return answer;
        error = answerFailure(reply);
        return std::nullopt;
    }
    if (!answer.error.isEmpty()) {
        error = answer.error;
        return std::nullopt;
    }
    return answer;
}

std::optional<QUrl> CardDavClient::findAddressBook(const QUrl &given, QString &error)
{
    QUrl at = given.adjusted(QUrl::RemoveUserInfo);
    if (at.path().isEmpty())
        at.setPath(QStringLiteral("/"));
    const QByteArray wanted =
        propfind({QStringLiteral("resourcetype"), QStringLiteral("current-user-principal"),
                  QStringLiteral("card:addressbook-home-set")});
    // The address itself, then its principal's home; the server's well-known address
    // when the address names none.
    for (int step = 0; step < 4; ++step) {
        std::optional<DavAnswer> answer = ask("PROPFIND", at, 0, wanted, error);
        if (!answer && step == 0 && at.path() == QLatin1String("/")) {
            at.setPath(QStringLiteral("/.well-known/carddav"));
            continue;
        }
        if (!answer)
            return std::nullopt;
        const DavResource self = answer->resources.value(0);
        if (self.addressBook)
            return at;
        if (self.homeSet.isEmpty()) {
            if (self.principal.isEmpty() || resolved(at, self.principal) == at)
                break;
            at = resolved(at, self.principal);
            continue;
        }
        const QUrl home = resolved(at, self.homeSet);
        // The first address book of the home.
        const std::optional<DavAnswer> books =
            ask("PROPFIND", home, 1, propfind({QStringLiteral("resourcetype")}), error);
        if (!books)
            return std::nullopt;
        for (const DavResource &book : books->resources)
            if (book.addressBook)
                return resolved(home, book.href);
        error = QStringLiteral("hesapta bir rehber yok");
        return std::nullopt;
    }
    error = QStringLiteral("adreste bir CardDAV rehberi bulunamadı");
    return std::nullopt;
}

std::optional<DavAnswer> CardDavClient::versions(const QUrl &at, QString &error, int depth)
{
    return ask("PROPFIND", at, depth,
               propfind({QStringLiteral("getetag"), QStringLiteral("getcontentlength")}), error);
}

std::optional<QString> CardDavClient::syncTokenOf(const QUrl &book, QString &error)
{
    const std::optional<DavAnswer> answer =
        ask("PROPFIND", book, 0, propfind({QStringLiteral("sync-token")}), error);
    if (!answer)
        return std::nullopt;
    return answer->resources.value(0).syncToken;
}

std::optional<DavAnswer> CardDavClient::changesSince(const QUrl &book, const QString &token,
                                                     QString &error)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QString::fromLatin1(davNs));
    xml.writeStartElement(QStringLiteral("sync-collection"));
    xml.writeTextElement(QStringLiteral("sync-token"), token);
    xml.writeTextElement(QStringLiteral("sync-level"), QStringLiteral("1"));
    xml.writeStartElement(QStringLiteral("prop"));
    xml.writeEmptyElement(QStringLiteral("getetag"));
    xml.writeEmptyElement(QStringLiteral("getcontentlength"));
    xml.writeEndDocument();
    return ask("REPORT", book, 1, body, error);
}

std::optional<DavAnswer> CardDavClient::cards(const QUrl &book, const QStringList &hrefs,
                                              QString &error)
{
    const QByteArray body =
        davRequest(QStringLiteral("card:addressbook-multiget"),
                   {QStringLiteral("getetag"), QStringLiteral("card:address-data")}, hrefs);
    return ask("REPORT", book, 1, body, error);
}

DavReply CardDavClient::put(const QUrl &card, const QByteArray &vcard, const QString &overVersion)
{
    DavReply reply =
        send("PUT", card, vcard,
             {{"Content-Type", "text/vcard; charset=utf-8"},
              overVersion.isEmpty() ? qMakePair(QByteArray("If-None-Match"), QByteArray("*"))
                                    : qMakePair(QByteArray("If-Match"), overVersion.toLatin1())});
    if (reply.error.isEmpty() && !reply.ok() && reply.status != 412)
        reply.error = answerFailure(reply);
    return reply;
}

DavReply CardDavClient::remove(const QUrl &card, const QString &version)
{
    DavReply reply = send("DELETE", card, {}, {{"If-Match", version.toLatin1()}});
    if (reply.error.isEmpty() && !reply.ok() && reply.status != 412 && reply.status != 404)
        reply.error = answerFailure(reply);
    return reply;
}
