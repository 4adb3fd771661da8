// Answers every route gives the same way: plain text with a status, the
// store failing (503, tried again later), the client's address.
#pragma once

#include "tools/server/service.h"

#include <string>

namespace httplib {
struct Request;
struct Response;
}

namespace store {
class Store;
}

namespace server {

void plain(httplib::Response &res, int status, const std::string &text);
// A store that failed (gone, locked, full): this thread's connection is
// dropped, the client is told to try again.
void store_failed(httplib::Response &res, const std::exception &e);
// This thread's store, or null after answering 503 (the database is away).
store::Store *open_store(const Settings &settings, httplib::Response &res);

// The client's address: the connection's, or behind a trusted proxy the
// last one it put in X-Forwarded-For.
std::string client_of(const httplib::Request &req, const Settings &settings);

}  // namespace server
