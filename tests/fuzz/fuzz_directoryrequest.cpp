// Requests to the directory server. Input: a first byte, then
//  - even: raw bytes sent to the running server on one connection, as any client may; the
//    answer, when one comes, is HTTP with a status the server gives;
//  - odd: lines of a request as the library hands it over (method, path, ?number, the
//    Authorization header, "json" or not), answered directly: a status of its own, UTF-8,
//    JSON that parses, and a book shown only to the right user and password.
#include "directoryserver/directoryhttp.h"
#include "directoryserver/directoryrequest.h"
#include "directoryserver/servedbook.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

void fail(const char *what, const std::string &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

const ServedBook &book()
{
    static ServedBook *served = [] {
        auto *made = new ServedBook;
        made->replace({{1, "Ayşe Yılmaz", "0212 555 11 22", "+90 532 123 45 67", "a@ornek.tr"},
                       {2, "Şule\r\nÇelik <&>", "", "0532 123 45 67", ""},
                       {7, "İlker Işık", "(0216) 444-0000", "", ""}});
        return made;
    }();
    return *served;
}

const DirectoryCredentials credentials{"santral", "gizli"};

void answerDirectly(const std::string &input)
{
    std::string lines[5];
    std::size_t at = 0;
    for (std::string &line : lines) {
        const std::size_t end = input.find('\n', at);
        line = input.substr(std::min(at, input.size()), end == std::string::npos ? end : end - at);
        at = end == std::string::npos ? input.size() : end + 1;
    }
    DirectoryRequest request;
    request.method = lines[0];
    request.path = lines[1];
    if (!lines[2].empty() && lines[2][0] == '?')
        request.number = lines[2].substr(1);
    request.authorization = lines[3];
    request.json = lines[4] == "json";
    const DirectoryReply reply = answerDirectoryRequest(request, book(), credentials);
    static const std::set<int> statuses = {200, 400, 401, 404, 405, 503};
    if (!statuses.count(reply.status))
        fail("unexpected status", std::to_string(reply.status));
    const QByteArray body = QByteArray::fromStdString(reply.body);
    if (QString::fromUtf8(body).toUtf8() != body)
        fail("not UTF-8", reply.body);
    if (reply.contentType == "application/json" && QJsonDocument::fromJson(body).isNull())
        fail("not JSON", reply.body);
    // Let in only with the scheme and, decoded however leniently, the user and password.
    const QByteArray header = QByteArray::fromStdString(request.authorization);
    if (reply.status != 401 && (header.left(6).toLower() != "basic " ||
                                QByteArray::fromBase64(header.mid(6).trimmed()) != "santral:gizli"))
        fail("let in without the password", request.authorization);
    if (reply.status == 200 && request.path == "/arayan" &&
        reply.body.find_first_of("\r\n") != std::string::npos)
        fail("a name over two lines", reply.body);
}

int serverPort()
{
    // Kept for the whole run, the server's threads answering.
    static DirectoryHttpServer *server = nullptr;
    static int port = [] {
        ServeOptions options;
        options.port = 0;
        // One client asks as fast as it can here: no rate to keep.
        options.requestsPerSecond = 1e9;
        server = new DirectoryHttpServer(book(), options);
        QString error;
        if (!server->bind(error))
            fail("cannot listen", error.toStdString());
        server->start();
        return server->port();
    }();
    return port;
}

void sendToServer(const std::string &input)
{
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(serverPort()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int connected = ::connect(sock, reinterpret_cast<sockaddr *>(&address), sizeof address);
    // The fuzzer's timer may interrupt the connect, which goes on by itself.
    if (connected != 0 && errno == EINTR) {
        pollfd writable{sock, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        while (::poll(&writable, 1, 8000) < 0 && errno == EINTR) {
        }
        connected =
            ::getsockopt(sock, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0 ? 0 : -1;
    }
    if (sock < 0 || connected != 0)
        fail("cannot connect", std::to_string(errno));
    std::size_t sent = 0;
    while (sent < input.size()) {
        const ssize_t written =
            ::send(sock, input.data() + sent, input.size() - sent, MSG_NOSIGNAL);
        if (written <= 0)
            break;
        sent += std::size_t(written);
    }
    ::shutdown(sock, SHUT_WR);
    std::string reply;
    char buffer[65536];
    pollfd readable{sock, POLLIN, 0};
    // The server ends the connection at the end of what it was sent.
    for (;;) {
        const int ready = ::poll(&readable, 1, 8000);
        if (ready < 0 && errno == EINTR)
            continue;
        const ssize_t read = ready == 1 ? ::recv(sock, buffer, sizeof buffer, 0) : 0;
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            break;
        reply.append(buffer, std::size_t(read));
    }
    ::close(sock);
    if (!reply.empty() && reply.compare(0, 9, "HTTP/1.1 ") != 0)
        fail("not HTTP", reply.substr(0, 64));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string input(reinterpret_cast<const char *>(data) + 1, size - 1);
    if (data[0] & 1)
        answerDirectly(input);
    else
        sendToServer(input);
    return 0;
}
