// Answers every route gives the same way: plain text with a status, the
// store failing (503, tried again later), the client's address.
#pragma once

#include "tools/server/service.h"

#include <memory>
#include <string>

namespace httplib {
struct Request;
struct Response;
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

// The client's address: the connection's, or behind a trusted proxy the
// last one it put in X-Forwarded-For.
std::string client_of(const httplib::Request &req, const Settings &settings);

}  // namespace server
