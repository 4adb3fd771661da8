// Answers every route gives the same way: plain text with a status, the
// store failing (503, tried again later), the client's address.
#pragma once

#include "tools/server/service.h"

#include <memory>
#include <optional>
#include <string>

namespace httplib {
struct Request;
struct Response;
}

namespace store {
class Collector;
struct Study;
}

namespace server {

void plain(httplib::Response &res, int status, const std::string &text);
// A store that failed (gone, locked, full): the client is told to try again.
// `lease`, when given, is dropped: its connection may be broken.
void store_failed(httplib::Response &res, const std::exception &e, StoreLease *lease = nullptr);
// The answer to that (the failure already logged): 503 with Retry-After.
void try_again(httplib::Response &res);
// A store connection for this request, or null after answering 503 (the
// database is away).
std::unique_ptr<StoreLease> open_store(const Settings &settings, httplib::Response &res);

// The open study a link's key names; when there is none, the answer
// (404 unknown, 403 closed) is sent and nothing is returned.
std::optional<store::Study> open_study(store::Collector &studies, const std::string &key, httplib::Response &res,
                                       const char *unknown, const char *closed);

// The client's address: the connection's, or behind a trusted proxy the
// last one it put in X-Forwarded-For.
std::string client_of(const httplib::Request &req, const Settings &settings);

}  // namespace server
