#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <sys/types.h>

// The HTTP library drops a client that goes silent, but not one that sends a byte now and
// then, nor one that sends headers without end, nor one that opens many connections: each
// holds one of the server's workers, or its memory. This looks at the process's
// connections to the port five times a second and shuts down those open longer than a
// request can take, those that sent more than requests can hold, and the oldest of a
// client's beyond its share.
class ConnectionWatch
{
public:
    explicit ConnectionWatch(int port, std::chrono::seconds longest = std::chrono::seconds(120),
                             int perClient = 16, unsigned long long mostReceived = 1 << 20);
    ~ConnectionWatch();
    ConnectionWatch(const ConnectionWatch &) = delete;
    ConnectionWatch &operator=(const ConnectionWatch &) = delete;

private:
    using Clock = std::chrono::steady_clock;
    struct Seen {
        ino_t inode;
        std::string client;
        Clock::time_point since;
    };
    void watch();
    void look();

    const int port;
    const std::chrono::seconds longest;
    const int perClient;
    const unsigned long long mostReceived;
    // Open connections by descriptor, known by their inode so that a descriptor reused for
    // a new connection starts afresh.
    std::map<int, Seen> seen;
    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;
};
