// What every part of the running server shares: its settings, the store
// (one connection per worker thread, opened when first needed and again
// after the database went away), the clock, and the log.
#pragma once

#include "store/collector.h"
#include "store/store.h"

#include <cstdint>
#include <map>
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
    int threads = 8;
};

// The store of this thread, opened for writing and durable commits.
store::Store &thread_store(const Settings &settings);
// After a StoreError: this thread's connection is dropped and opened again next time.
void drop_thread_store();

int64_t unix_now();
void log_line(const std::string &line);  // standard error, with the time

// The page files of the browser build, read once at start-up: the only
// paths served under a study's link besides its archive and settings.
using PageFiles = std::map<std::string, std::string>;
// Throws store::Error with a sentence when the folder holds no page.
PageFiles read_page_files(const std::string &folder);

}  // namespace server
