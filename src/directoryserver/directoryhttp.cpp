#include "directoryserver/directoryhttp.h"

#include "directoryserver/connectionwatch.h"
#include "directoryserver/requestrate.h"
#include "directoryserver/servedbook.h"

#include <QUrlQuery>

#include <httplib.h>

#include <thread>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace
{

// Enough for many phones and a switchboard at once; a client that holds one long is
// dropped (see ConnectionWatch).
constexpr std::size_t workers = 32;
// A request is a line and a few headers: no body is taken.
constexpr std::size_t largestBody = 4096;
constexpr time_t readSeconds = 5;
constexpr time_t writeSeconds = 10;
constexpr std::size_t requestsPerConnection = 100;

DirectoryRequest requestOf(const httplib::Request &request)
{
    DirectoryRequest read;
    read.method = request.method;
    read.path = request.path;
    // Read from the request's own text: the library takes a "+" for a space, which would
    // make +90… another number, and keeps only what follows the last "=" of a value.
    const std::size_t question = request.target.find('?');
    const QUrlQuery query(question == std::string::npos
                              ? QString()
                              : QString::fromStdString(request.target.substr(question + 1)));
    const QString number = QStringLiteral("numara");
    if (query.hasQueryItem(number))
        read.number = query.queryItemValue(number, QUrl::FullyDecoded).toStdString();
    read.json = query.queryItemValue(QStringLiteral("bicim")) == QLatin1String("json") ||
                request.get_header_value("Accept").find("application/json") != std::string::npos;
    read.authorization = request.get_header_value("Authorization");
    return read;
}

} // namespace

struct DirectoryHttpServer::Listening {
    Listening(const ServedBook &book, ServeOptions options)
        : book(book), options(std::move(options)), rate(this->options.requestsPerSecond)
    {
    }

    const ServedBook &book;
    const ServeOptions options;
    RequestRate rate;
    httplib::Server server;
    std::unique_ptr<ConnectionWatch> watch;
    std::thread thread;
    int port = 0;
};

DirectoryHttpServer::DirectoryHttpServer(const ServedBook &book, ServeOptions options)
    : listening(std::make_unique<Listening>(book, std::move(options)))
{
    Listening &l = *listening;
    l.server.new_task_queue = [] { return new httplib::ThreadPool(workers); };
    // The library's own options would share the port with another server started on it,
    // which would then take half the requests; a restart may take it at once all the same.
    // Without delay: a lookup's answer is one small write, which would otherwise wait for
    // the client's delayed acknowledgement, some 40 ms.
    l.server.set_socket_options([](socket_t socket) {
        const int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    });
    l.server.set_read_timeout(readSeconds);
    l.server.set_write_timeout(writeSeconds);
    l.server.set_keep_alive_timeout(readSeconds);
    l.server.set_keep_alive_max_count(requestsPerConnection);
    l.server.set_payload_max_length(largestBody);
    // Every request, whatever its method or path, is answered here.
    l.server.set_pre_routing_handler(
        [&l](const httplib::Request &request, httplib::Response &response) {
            if (!l.rate.allow(request.remote_addr)) {
                response.status = 429;
                response.set_header("Retry-After", "1");
                response.set_content("çok fazla istek\n", "text/plain; charset=utf-8");
                return httplib::Server::HandlerResponse::Handled;
            }
            const DirectoryReply reply =
                answerDirectoryRequest(requestOf(request), l.book, l.options.credentials);
            response.status = reply.status;
            for (const auto &[name, value] : reply.headers)
                response.set_header(name, value);
            response.set_content(reply.body, reply.contentType);
            return httplib::Server::HandlerResponse::Handled;
        });
}

DirectoryHttpServer::~DirectoryHttpServer()
{
    stop();
}

bool DirectoryHttpServer::bind(QString &error)
{
    Listening &l = *listening;
    l.port = l.options.port == 0
                 ? l.server.bind_to_any_port(l.options.host)
                 : (l.server.bind_to_port(l.options.host, l.options.port) ? l.options.port : -1);
    if (l.port > 0)
        return true;
    error = QStringLiteral("%1:%2 dinlenemiyor (adres bu makinenin değil ya da kullanımda)")
                .arg(QString::fromStdString(l.options.host))
                .arg(l.options.port);
    return false;
}

int DirectoryHttpServer::port() const
{
    return listening->port;
}

void DirectoryHttpServer::start()
{
    Listening &l = *listening;
    l.watch = std::make_unique<ConnectionWatch>(l.port);
    l.thread = std::thread([&l] { l.server.listen_after_bind(); });
}

void DirectoryHttpServer::stop()
{
    Listening &l = *listening;
    if (!l.thread.joinable())
        return;
    l.server.stop();
    l.thread.join();
    l.watch.reset();
}
