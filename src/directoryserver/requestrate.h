#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

// How many requests each client may make: a bucket per address, refilled at a steady
// rate and holding twice as many (one at least), so that a phone's burst passes and a
// flood does not.
class RequestRate
{
public:
    explicit RequestRate(double perSecond);
    // Whether the client may make one more now; taken from its bucket when it may.
    bool allow(const std::string &client);

private:
    using Clock = std::chrono::steady_clock;
    struct Bucket {
        double tokens;
        Clock::time_point filled;
    };
    void forgetFullBuckets(Clock::time_point now);

    const double perSecond;
    const double most;
    std::mutex lock;
    std::unordered_map<std::string, Bucket> buckets;
};
