#include "directoryserver/requestrate.h"

#include <algorithm>

namespace
{

// Beyond this many clients, those that have asked nothing for a while are forgotten, so
// that a sweep of addresses cannot fill memory.
constexpr std::size_t manyClients = 4096;

} // namespace

RequestRate::RequestRate(double perSecond)
    : perSecond(perSecond), most(std::max(1.0, 2 * perSecond))
{
}

bool RequestRate::allow(const std::string &client)
{
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> locked(lock);
    if (buckets.size() >= manyClients)
        forgetFullBuckets(now);
    auto [at, isNew] = buckets.try_emplace(client, Bucket{most, now});
    Bucket &bucket = at->second;
    if (!isNew) {
        const double seconds = std::chrono::duration<double>(now - bucket.filled).count();
        bucket.tokens = std::min(most, bucket.tokens + seconds * perSecond);
        bucket.filled = now;
    }
    if (bucket.tokens < 1)
        return false;
    bucket.tokens -= 1;
    return true;
}

void RequestRate::forgetFullBuckets(Clock::time_point now)
{
    for (auto at = buckets.begin(); at != buckets.end();) {
        const double seconds = std::chrono::duration<double>(now - at->second.filled).count();
        at = at->second.tokens + seconds * perSecond >= most ? buckets.erase(at) : std::next(at);
    }
}
