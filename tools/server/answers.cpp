#include "tools/server/answers.h"

#include "store/collector.h"
#include "store/error.h"

#include <httplib.h>

namespace server {

void plain(httplib::Response &res, int status, const std::string &text)
{
    res.status = status;
    res.set_content(text + "\n", "text/plain; charset=utf-8");
}

void store_failed(httplib::Response &res, const std::exception &e, StoreLease *lease)
{
    if (lease)
        lease->drop();
    log_line(std::string("store: ") + e.what());
    try_again(res);
}

void try_again(httplib::Response &res)
{
    res.set_header("Retry-After", "2");
    plain(res, 503, "the store cannot take rows just now; try again");
}

std::unique_ptr<StoreLease> open_store(const Settings &settings, httplib::Response &res)
{
    try {
        return std::make_unique<StoreLease>(settings);
    } catch (const store::Error &e) {
        store_failed(res, e);
        return nullptr;
    }
}

std::string client_of(const httplib::Request &req, const Settings &settings)
{
    if (settings.trust_proxy && req.has_header("X-Forwarded-For")) {
        const std::string chain = req.get_header_value("X-Forwarded-For");
        const size_t comma = chain.rfind(',');
        std::string last = comma == std::string::npos ? chain : chain.substr(comma + 1);
        last.erase(0, last.find_first_not_of(' '));
        return last.substr(0, 64);
    }
    return req.remote_addr;
}

// The open study a link's key names; when there is none, the answer
// (404 unknown, 403 closed) is sent and nothing is returned.
std::optional<store::Study> open_study(store::Collector &studies, const std::string &key, httplib::Response &res,
                                       const char *unknown, const char *closed)
{
    auto study = studies.study(key);
    if (!study)
        plain(res, 404, unknown);
    else if (!study->open)
        plain(res, 403, closed);
    else
        return study;
    return std::nullopt;
}

}  // namespace server
