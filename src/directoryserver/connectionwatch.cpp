#include "directoryserver/connectionwatch.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <arpa/inet.h>
#include <dirent.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace
{

// The peer's address when the descriptor is a connection accepted on the port.
bool acceptedOn(int fd, int port, std::string &client)
{
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localSize) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerSize) != 0)
        return false;
    char text[INET6_ADDRSTRLEN] = {};
    if (local.ss_family == AF_INET && peer.ss_family == AF_INET) {
        const auto *own = reinterpret_cast<const sockaddr_in *>(&local);
        const auto *other = reinterpret_cast<const sockaddr_in *>(&peer);
        if (ntohs(own->sin_port) != port)
            return false;
        ::inet_ntop(AF_INET, &other->sin_addr, text, sizeof text);
    } else if (local.ss_family == AF_INET6 && peer.ss_family == AF_INET6) {
        const auto *own = reinterpret_cast<const sockaddr_in6 *>(&local);
        const auto *other = reinterpret_cast<const sockaddr_in6 *>(&peer);
        if (ntohs(own->sin6_port) != port)
            return false;
        ::inet_ntop(AF_INET6, &other->sin6_addr, text, sizeof text);
    } else {
        return false;
    }
    client = text;
    return true;
}

unsigned long long bytesReceived(int fd)
{
    tcp_info info = {};
    socklen_t size = sizeof info;
    return ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 ? info.tcpi_bytes_received
                                                                      : 0;
}

ino_t inodeOf(int fd)
{
    struct stat status = {};
    return ::fstat(fd, &status) == 0 && S_ISSOCK(status.st_mode) ? status.st_ino : 0;
}

} // namespace

ConnectionWatch::ConnectionWatch(int port, std::chrono::seconds longest, int perClient,
                                 unsigned long long mostReceived)
    : port(port), longest(longest), perClient(perClient), mostReceived(mostReceived),
      thread([this] { watch(); })
{
}

ConnectionWatch::~ConnectionWatch()
{
    {
        std::lock_guard<std::mutex> locked(lock);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void ConnectionWatch::watch()
{
    std::unique_lock<std::mutex> locked(lock);
    while (!wake.wait_for(locked, std::chrono::milliseconds(200), [this] { return stopping; }))
        look();
}

void ConnectionWatch::look()
{
    DIR *folder = ::opendir("/proc/self/fd");
    if (!folder)
        return;
    const Clock::time_point now = Clock::now();
    std::map<int, Seen> open;
    while (const dirent *file = ::readdir(folder)) {
        char *end = nullptr;
        const long fd = std::strtol(file->d_name, &end, 10);
        std::string client;
        if (end == file->d_name || *end != '\0' || fd == ::dirfd(folder))
            continue;
        const ino_t inode = inodeOf(int(fd));
        if (inode == 0 || !acceptedOn(int(fd), port, client))
            continue;
        const auto known = seen.find(int(fd));
        const bool same = known != seen.end() && known->second.inode == inode;
        open.emplace(int(fd), Seen{inode, client, same ? known->second.since : now});
    }
    ::closedir(folder);
    seen.swap(open);

    std::vector<int> dropped;
    std::map<std::string, std::vector<std::pair<Clock::time_point, int>>> byClient;
    for (const auto &[fd, connection] : seen) {
        if (now - connection.since > longest || bytesReceived(fd) > mostReceived)
            dropped.push_back(fd);
        else
            byClient[connection.client].emplace_back(connection.since, fd);
    }
    for (auto &[client, connections] : byClient) {
        if (int(connections.size()) <= perClient)
            continue;
        // The oldest go: a client's new request should not wait behind its stuck ones.
        std::sort(connections.begin(), connections.end());
        for (std::size_t i = 0; i < connections.size() - std::size_t(perClient); ++i)
            dropped.push_back(connections[i].second);
    }
    for (const int fd : dropped) {
        // Still the same connection: its descriptor may have been closed and reused.
        if (inodeOf(fd) == seen.at(fd).inode)
            ::shutdown(fd, SHUT_RDWR);
        seen.erase(fd);
    }
}
