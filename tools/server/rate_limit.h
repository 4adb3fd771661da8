// Requests per client and second: a token bucket per client address, kept
// in this process (each process of a scaled-out server limits on its own;
// the proxy in front may limit the whole).
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace server {

class RateLimit {
public:
    explicit RateLimit(double per_second) : rate_(per_second) {}
    bool allow(const std::string &client);  // false: over the limit (429)

private:
    struct Bucket {
        double tokens;
        std::chrono::steady_clock::time_point at;
    };
    double rate_;
    std::mutex mutex_;
    std::map<std::string, Bucket> buckets_;
};

}  // namespace server
