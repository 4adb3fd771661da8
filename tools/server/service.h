// What every part of the running server shares: its settings, the store
// (a few connections lent to requests in turn, opened when first needed and
// again after the database went away), the clock, and the log.
#pragma once

#include "store/collector.h"
#include "store/store.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace server {

struct Settings {
    std::string store;           // a path or a postgresql:// connection string
    std::string listen = "127.0.0.1:8080";
    std::string web;             // the browser build's folder
    bool secure_cookies = false; // behind TLS (a reverse proxy): cookies marked Secure
    bool trust_proxy = false;    // the client's address from X-Forwarded-For (the proxy's own header)
    int64_t max_body = 16384;    // bytes a row may have
    int64_t max_rows = 20000;    // rows a session may hold
    double rate = 50;            // requests a client may make per second (bursts of twice that)
    int threads = 64;            // requests served at once (rows waiting for one commit among them)
    int keep_alive = 0;          // seconds an idle connection waits for its next request; 0: one request each
    int connections = 8;         // connections to the store, lent to requests in turn
};

// A store connection lent to one request, opened for writing and durable
// commits; back to the others when the lease ends. Throws store::Error when
// the store cannot be opened.
class StoreLease {
public:
    explicit StoreLease(const Settings &settings);
    ~StoreLease();
    StoreLease(const StoreLease &) = delete;
    StoreLease &operator=(const StoreLease &) = delete;
    store::Store &operator*() { return *store_; }
    store::Store *operator->() { return store_.get(); }
    // After a StoreError: the connection is closed, the next lease opens another.
    void drop() { store_.reset(); }

private:
    std::unique_ptr<store::Store> store_;
};

int64_t unix_now();
void log_line(const std::string &line);  // standard error, with the time

// The page files of the browser build, read once at start-up: the only
// paths served under a study's link besides its archive and settings.
using PageFiles = std::map<std::string, std::string>;
// Throws store::Error with a sentence when the folder holds no page.
PageFiles read_page_files(const std::string &folder);

}  // namespace server
