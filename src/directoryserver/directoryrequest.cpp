#include "directoryserver/directoryrequest.h"

#include "directoryserver/servedbook.h"
#include "search/folding.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

// A number longer than any a phone dials is no number.
constexpr std::size_t longestNumber = 40;

DirectoryReply plain(int status, const std::string &text)
{
    return {status, "text/plain; charset=utf-8", text, {}};
}

// Compares the whole of both, so that the time taken tells nothing of how much matched.
bool sameSecret(const std::string &given, const std::string &expected)
{
    unsigned char differ = given.size() == expected.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size(); ++i)
        differ |= static_cast<unsigned char>(given[i]) ^
                  static_cast<unsigned char>(expected.empty() ? 0 : expected[i % expected.size()]);
    return differ == 0;
}

bool authorized(const std::string &header, const DirectoryCredentials &credentials)
{
    if (!credentials.required())
        return true;
    const std::string scheme = "Basic ";
    if (header.size() <= scheme.size() ||
        QByteArray::fromStdString(header.substr(0, scheme.size())).toLower() != "basic ")
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(
        QByteArray::fromStdString(header.substr(scheme.size())).trimmed(),
        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const std::string pair = decoded.decoded.toStdString();
    const std::size_t colon = pair.find(':');
    if (colon == std::string::npos)
        return false;
    // Both compared, whichever is wrong.
    const bool user = sameSecret(pair.substr(0, colon), credentials.user);
    const bool password = sameSecret(pair.substr(colon + 1), credentials.password);
    return user && password;
}

DirectoryReply caller(const DirectoryRequest &request, const ServedBook &book)
{
    if (!request.number || request.number->empty())
        return plain(400, "numara eksik: /arayan?numara=05321234567\n");
    const QString number = QString::fromUtf8(request.number->data(), int(request.number->size()));
    const QByteArray key = phoneNumberKey(number);
    if (request.number->size() > longestNumber || !looksLikePhoneNumber(number) || key.isEmpty())
        return plain(400, "numara geçersiz\n");
    if (!book.loaded()) {
        DirectoryReply reply = plain(503, "defter henüz okunuyor\n");
        reply.headers.emplace_back("Retry-After", "1");
        return reply;
    }
    const QStringList names = book.callerNames(key);
    const int status = names.isEmpty() ? 404 : 200;
    if (request.json) {
        QJsonObject object{{QStringLiteral("numara"), QString::fromLatin1(key)},
                           {QStringLiteral("adlar"), QJsonArray::fromStringList(names)}};
        if (!names.isEmpty())
            object.insert(QStringLiteral("ad"), names.first());
        return {status,
                "application/json",
                QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(),
                {}};
    }
    // The name alone, as a switchboard puts it on the caller's display.
    return plain(status, names.isEmpty() ? std::string() : names.first().toStdString());
}

DirectoryReply directory(std::string path, const ServedBook &book)
{
    // Grandstream phones ask their server path for a file of this name.
    if (path == "/rehber/grandstream/phonebook.xml")
        path = "/rehber/grandstream.xml";
    const std::string folder = "/rehber/", suffix = ".xml";
    if (path.size() <= folder.size() + suffix.size() ||
        path.compare(0, folder.size(), folder) != 0 ||
        path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0)
        return plain(404, "bulunamadı\n");
    const std::string name =
        path.substr(folder.size(), path.size() - folder.size() - suffix.size());
    const std::optional<DirectoryLayout> layout =
        directoryLayoutNamed(QString::fromUtf8(name.data(), int(name.size())));
    if (!layout)
        return plain(404, "bulunamadı\n");
    if (!book.loaded()) {
        DirectoryReply reply = plain(503, "defter henüz okunuyor\n");
        reply.headers.emplace_back("Retry-After", "1");
        return reply;
    }
    return {200, "text/xml; charset=utf-8", book.directory(*layout).toStdString(), {}};
}

} // namespace

DirectoryReply answerDirectoryRequest(const DirectoryRequest &request, const ServedBook &book,
                                      const DirectoryCredentials &credentials)
{
    if (!authorized(request.authorization, credentials)) {
        DirectoryReply reply = plain(401, "kimlik doğrulaması gerekli\n");
        reply.headers.emplace_back("WWW-Authenticate",
                                   "Basic realm=\"Telefon Defteri\", charset=\"UTF-8\"");
        return reply;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        DirectoryReply reply = plain(405, "yalnızca okunur\n");
        reply.headers.emplace_back("Allow", "GET, HEAD");
        return reply;
    }
    DirectoryReply reply =
        request.path == "/arayan" ? caller(request, book) : directory(request.path, book);
    // Live: what a phone or switchboard keeps is asked for again.
    reply.headers.emplace_back("Cache-Control", "no-cache");
    return reply;
}
