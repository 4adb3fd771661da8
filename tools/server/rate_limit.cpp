#include "tools/server/rate_limit.h"

#include <algorithm>

namespace server {

bool RateLimit::allow(const std::string &client)
{
    const auto now = std::chrono::steady_clock::now();
    const double burst = 2 * rate_;
    std::lock_guard<std::mutex> lock(mutex_);
    if (buckets_.size() > 100000)  // a flood of addresses: start again rather than grow without end
        buckets_.clear();
    auto [it, fresh] = buckets_.try_emplace(client, Bucket{burst, now});
    Bucket &b = it->second;
    if (!fresh) {
        const double seconds = std::chrono::duration<double>(now - b.at).count();
        b.tokens = std::min(burst, b.tokens + seconds * rate_);
        b.at = now;
    }
    if (b.tokens < 1)
        return false;
    b.tokens -= 1;
    return true;
}

}  // namespace server
