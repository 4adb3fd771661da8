#include "tools/server/check.h"

#include "host/crc32.h"
#include "store/collector.h"
#include "store/error.h"
#include "tools/server/config.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace server {

namespace {

bool is_postgres_location(const std::string &s)
{
    return s.rfind("postgresql://", 0) == 0 || s.rfind("postgres://", 0) == 0;
}

bool loopback(const std::string &host)
{
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

// Opens the store for reading only: a store the server would make or bring
// up to date is fine; its studies' archives must be whole.
void check_store(const Settings &s, CheckReport &r)
{
    namespace fs = std::filesystem;
    if (!is_postgres_location(s.store)) {
        std::error_code ec;
        const fs::path path(s.store);
        const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
        if (!fs::exists(path, ec)) {
            if (!fs::is_directory(folder, ec))
                r.problems.push_back("the store " + s.store + " cannot be made: its folder " + folder.string() +
                                     " does not exist");
            else if (access(folder.c_str(), W_OK | X_OK) != 0)
                r.problems.push_back("the store " + s.store + " cannot be made: this user may not write its folder " +
                                     folder.string());
            else
                r.notes.push_back("store " + s.store + " (made at the first start)");
            return;
        }
        // SQLite writes beside the file (its write-ahead log)
        if (access(path.c_str(), R_OK | W_OK) != 0 || access(folder.c_str(), W_OK | X_OK) != 0) {
            r.problems.push_back("the store " + s.store + " or its folder may not be written by this user");
            return;
        }
    }
    std::string shown = s.store;
    try {
        store::Store st(s.store, store::Store::Mode::read);
        shown = st.location();
        store::Collector collector(st);
        const auto studies = collector.studies(unix_now());
        int open = 0;
        for (const auto &p : studies) {
            open += p.study.open;
            const std::string bytes = collector.archive(p.study.key);
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08x", unsigned(host::crc32_of(bytes)));
            if (int64_t(bytes.size()) != p.study.archive_bytes || p.study.archive_crc32 != crc)
                r.problems.push_back("the archive of the study /s/" + p.study.key + "/ (" + p.study.name +
                                     ") is damaged in the store: its CRC-32 is " + crc + ", not " +
                                     p.study.archive_crc32 + "; add the study again with its MERIDOKA.WDL");
        }
        r.notes.push_back("store " + shown + " (" + std::to_string(studies.size()) + " studies, " +
                          std::to_string(open) + " open)");
    } catch (const store::Error &e) {
        const std::string why = e.what();
        // what the server itself does at its start: makes the schema or brings it up to date
        if (why.find("an empty database") != std::string::npos || why.find("of an older version") != std::string::npos)
            r.notes.push_back("store " + shown + " (made or brought up to date at the first start)");
        else
            r.problems.push_back(why);
    } catch (const std::exception &e) {
        r.problems.push_back("the store " + shown + " cannot be read: " + e.what());
    }
}

// Binds the address as the server would (SO_REUSEADDR only) and lets it go.
void check_listen(const Settings &s, CheckReport &r)
{
    std::string host;
    int port = 0;
    if (!split_listen(s.listen, host, port))
        return;  // said already
    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) {
        r.problems.push_back("cannot listen on " + s.listen + ": " + host + " is not a name or address this machine "
                             "knows");
        return;
    }
    const int sock = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const int rc = sock < 0 ? -1 : bind(sock, found->ai_addr, found->ai_addrlen);
    const int err = errno;
    if (sock >= 0)
        close(sock);
    freeaddrinfo(found);
    if (rc == 0)
        r.notes.push_back("listen " + s.listen);
    else if (err == EADDRINUSE)
        r.problems.push_back("cannot listen on " + s.listen + ": the port is in use by another program (another "
                             "meridoka-server?)");
    else if (err == EACCES)
        r.problems.push_back("cannot listen on " + s.listen + ": ports below 1024 need privileges; listen on a "
                             "higher port behind the proxy");
    else if (err == EADDRNOTAVAIL)
        r.problems.push_back("cannot listen on " + s.listen + ": " + host + " is not an address of this machine");
    else
        r.problems.push_back("cannot listen on " + s.listen + ": " + std::strerror(err));
}

// The proxy and TLS settings against each other and the address.
void check_proxy(const Settings &s, CheckReport &r)
{
    std::string host;
    int port = 0;
    if (!split_listen(s.listen, host, port))
        return;
    if (s.trust_proxy && !loopback(host))
        r.problems.push_back("trust-proxy is on but the server listens on " + host + ", where clients can reach it "
                             "without the proxy and forge X-Forwarded-For; listen on 127.0.0.1 behind the proxy");
    if (s.secure_cookies && !s.trust_proxy)
        r.problems.push_back("secure-cookies says a TLS proxy is in front, but trust-proxy is off: every client "
                             "would have the proxy's address and share one rate limit and one quarantine address");
    if (s.trust_proxy && !s.secure_cookies)
        r.warnings.push_back("trust-proxy is on but secure-cookies is off: behind a TLS proxy the login cookie "
                             "should be marked Secure (set both when the proxy speaks TLS)");
    if (!loopback(host) && !s.trust_proxy)
        r.warnings.push_back("the server would answer plain HTTP on " + host + ", so passwords and login cookies "
                             "would cross the network unencrypted; for more than a closed lab network listen on 127.0.0.1 "
                             "behind a TLS proxy");
}

}  // namespace

CheckReport check_settings(const Settings &settings, std::vector<std::string> problems)
{
    CheckReport r;
    r.problems = std::move(problems);
    if (!settings.store.empty())
        check_store(settings, r);
    check_listen(settings, r);
    if (!settings.web.empty()) {
        try {
            const PageFiles page = read_page_files(settings.web);
            r.notes.push_back("browser build " + settings.web + " (" + std::to_string(page.size()) + " files)");
        } catch (const store::Error &e) {
            r.problems.push_back(e.what());
        }
    }
    check_proxy(settings, r);
    return r;
}

}  // namespace server
