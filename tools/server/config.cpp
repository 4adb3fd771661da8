#include "tools/server/config.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

namespace server {

namespace {

std::string trimmed(const std::string &s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

bool whole_number(const std::string &v, int64_t lowest, int64_t &out)
{
    if (v.empty() || v.size() > 12 || v.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stoll(v);
    return out >= lowest;
}

bool truth(const std::string &v, bool &out)
{
    if (v == "yes" || v == "true" || v == "on" || v == "1")
        return out = true, true;
    if (v == "no" || v == "false" || v == "off" || v == "0")
        return out = false, true;
    return false;
}

// One key's value put into the settings; "" or why it is not a value of that key.
std::string take(const std::string &key, const std::string &v, Settings &s)
{
    int64_t n = 0;
    if (key == "store" || key == "web" || key == "listen") {
        if (v.empty())
            return "is empty";
        (key == "store" ? s.store : key == "web" ? s.web : s.listen) = v;
        return "";
    }
    if (key == "secure-cookies" || key == "trust-proxy")
        return truth(v, key == "secure-cookies" ? s.secure_cookies : s.trust_proxy) ? "" : "wants yes or no";
    if (key == "keep-alive")
        return whole_number(v, 0, n) && n <= 3600 ? (s.keep_alive = int(n), "") : "wants seconds from 0 to 3600";
    if (!whole_number(v, 1, n))
        return "wants a whole number from 1";
    if (key == "max-body")
        s.max_body = n;
    else if (key == "max-rows")
        s.max_rows = n;
    else if (key == "rate")
        s.rate = double(n);
    else if (key == "threads" || key == "connections") {
        if (n > 10000)
            return "wants a whole number from 1 to 10000";
        (key == "threads" ? s.threads : s.connections) = int(n);
    }
    return "";
}

const std::set<std::string> keys = {"store", "listen", "web", "secure-cookies", "trust-proxy", "max-body",
                                    "max-rows", "rate", "threads", "connections", "keep-alive"};

}  // namespace

void add_setting_options(CLI::App &c, Settings &s, std::string &config_file)
{
    c.add_option("--config", config_file, "A configuration file of key = value lines (man meridoka-server.conf)");
    c.add_option("--store", s.store, "The store (an SQLite file, made if missing; or postgresql://...)");
    c.add_option("--listen", s.listen, "HOST:PORT to listen on (default 127.0.0.1:8080)");
    c.add_option("--web", s.web, "The browser build's folder (make web: build-web/)");
    c.add_flag("--secure-cookies", s.secure_cookies, "Behind TLS (a proxy): the login cookie is Secure");
    c.add_flag("--trust-proxy", s.trust_proxy, "The client's address from the proxy's X-Forwarded-For");
    c.add_option("--max-body", s.max_body, "Bytes a row may have (default 16384)");
    c.add_option("--max-rows", s.max_rows, "Rows a session may hold (default 20000)");
    c.add_option("--rate", s.rate, "Requests per second a client may make (default 50)");
    c.add_option("--connections", s.connections, "Connections to the store (default 8)");
    c.add_option("--threads", s.threads, "Requests served at once (default 64)");
    c.add_option("--keep-alive", s.keep_alive,
                 "Seconds an idle connection is kept for its next request (default 0: one request a connection; "
                 "each kept connection holds a thread)");
}

std::vector<std::string> settle_settings(const CLI::App &command, const std::string &config_file, Settings &s)
{
    std::vector<std::string> problems;
    if (!config_file.empty()) {
        std::ifstream in(config_file);
        if (!in) {
            problems.push_back("the configuration file " + config_file + " cannot be read (" + std::strerror(errno) +
                               ")");
        } else {
            std::set<std::string> seen;
            std::string line;
            for (int number = 1; std::getline(in, line); number++) {
                const std::string where = config_file + ":" + std::to_string(number) + ": ";
                line = trimmed(line);
                if (line.empty() || line[0] == '#')
                    continue;
                const size_t eq = line.find('=');
                if (eq == std::string::npos) {
                    problems.push_back(where + "\"" + line + "\" is not a key = value line");
                    continue;
                }
                const std::string key = trimmed(line.substr(0, eq)), value = trimmed(line.substr(eq + 1));
                if (!keys.count(key)) {
                    problems.push_back(where + "unknown key \"" + key + "\" (the keys are the options of serve "
                                               "without --: store, listen, web, secure-cookies, trust-proxy, "
                                               "max-body, max-rows, rate, threads, connections, keep-alive)");
                    continue;
                }
                if (!seen.insert(key).second) {
                    problems.push_back(where + key + " is set a second time");
                    continue;
                }
                if (command.get_option("--" + key)->count() > 0)
                    continue;  // the command line outranks the file
                const std::string why = take(key, value, s);
                if (!why.empty())
                    problems.push_back(where + key + " = " + value + ": " + why);
            }
        }
    }
    if (s.store.empty())
        problems.push_back("no store is given: --store, or store = in the configuration file");
    if (s.web.empty())
        problems.push_back("no folder of the browser build is given: --web, or web = in the configuration file");
    std::string host;
    int port = 0;
    if (!split_listen(s.listen, host, port))
        problems.push_back("listen wants HOST:PORT, e.g. 127.0.0.1:8080, not " + s.listen);
    if (s.max_body < 1 || s.max_rows < 1 || s.rate <= 0 || s.threads < 1 || s.connections < 1)
        problems.push_back("max-body, max-rows, rate, threads and connections must each be at least 1");
    return problems;
}

bool split_listen(const std::string &listen, std::string &host, int &port)
{
    const size_t colon = listen.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    const std::string digits = listen.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::stoi(digits);
    host = listen.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')  // [::1]:8080
        host = host.substr(1, host.size() - 2);
    return port >= 1 && port <= 65535;
}

}  // namespace server
