// meridoka-server: takes the browser page's journal rows into the results
// store, every row once and acknowledged only when durable; serves each
// study's page under its link; and the researchers' pages behind a login.
// README.md in this folder.
#include "host/archive_file.h"
#include "store/error.h"
#include "store/rows.h"
#include "tools/server/check.h"
#include "tools/server/config.h"
#include "tools/server/lab_pages.h"
#include "tools/server/participant_side.h"
#include "tools/server/push_side.h"
#include "tools/server/secrets.h"
#include "tools/server/service.h"
#include "tools/server/web_text.h"

#include <CLI/CLI.hpp>
#include <httplib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

namespace {

const char overview[] = R"(meridoka-server: collects the rows of MERIDOKA tests taken in a browser, and
shows the researchers their studies.

  meridoka-server user add --store results.db anna            a researcher (password from standard input)
  meridoka-server study add --store results.db "Pilot" MERIDOKA.WDL   prints the study's link /s/KEY/
  meridoka-server study close --store results.db KEY          rows no longer taken (open: again)
  meridoka-server token add --store results.db anna --days 90  a token for meridoka-report push, printed once
  meridoka-server token list --store results.db                every token (revoke ID: refused from now on)
  meridoka-server serve --store results.db --listen 127.0.0.1:8080 --web build-web
  meridoka-server check --config /etc/meridoka-server/server.conf   what would stop serve, before it starts

The store is an SQLite file or postgresql://USER@HOST:PORT/DATABASE; several
servers on one PostgreSQL store act as one. Exit status: 0 done, 1 failed
(the message says why).)";

httplib::Server *running = nullptr;

void stop(int)
{
    if (running)
        running->stop();
}

std::string read_password()
{
    const bool terminal = isatty(STDIN_FILENO);
    termios old{};
    if (terminal) {
        std::cerr << "Password: " << std::flush;
        tcgetattr(STDIN_FILENO, &old);
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string password;
    std::getline(std::cin, password);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &old);
        std::cerr << '\n';
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

int serve(server::Settings &settings)
{
    std::string host;
    int port = 0;
    server::split_listen(settings.listen, host, port);  // checked by settle_settings
    std::string shown;
    {
        server::StoreLease first(settings);  // the store opens (and is brought up to date) before anything is taken
        shown = first->location();
    }
    const server::PageFiles page = server::read_page_files(settings.web);

    server::RowWriter writer(settings);  // made first, gone last: requests wait on it until the end
    httplib::Server http;
    server::RateLimit limit(settings.rate);
    http.new_task_queue = [&settings] { return new httplib::ThreadPool(size_t(settings.threads)); };
    http.set_payload_max_length(size_t(std::max<int64_t>(settings.max_body, 64 << 20)));  // archives come by form
    http.set_read_timeout(10, 0);
    // The library gives each connection a thread until it closes, and an
    // idle one polls: 2,000 pages keeping theirs open would need 2,000
    // threads. So by default a connection carries one request and a thread
    // is busy only while a row waits for its commit.
    if (settings.keep_alive > 0)
        http.set_keep_alive_timeout(settings.keep_alive);
    else
        http.set_keep_alive_max_count(1).set_keep_alive_timeout(2);  // 2 s for the first request to come
    server::add_participant_side(http, settings, page, limit, writer);
    server::add_push_side(http, settings, writer);
    server::add_lab_pages(http, settings);
    http.set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
        res.status = 500;
        res.set_content("the server failed on this request\n", "text/plain");
    });

    // SO_REUSEADDR only: the library's default adds SO_REUSEPORT, with which a
    // second server on a port in use would share it silently
    socket_t listening = INVALID_SOCKET;
    http.set_socket_options([&listening](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listening = sock;
    });
    if (!http.bind_to_port(host.c_str(), port))
        throw store::Error("cannot listen on " + settings.listen + ": the port is in use by another program, or the "
                           "address is not one of this machine's");
    // the library listens with a queue of 5: a burst of new connections
    // (thousands of pages) would see refusals and wait a second each
    if (listening != INVALID_SOCKET)
        ::listen(listening, SOMAXCONN);
    running = &http;
    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);
    server::log_line("meridoka-server " MERIDOKA_VERSION " listening on " + settings.listen + ", store " + shown);
    const bool ok = http.listen_after_bind();
    running = nullptr;
    return ok ? 0 : 1;
}

int check(const server::Settings &settings, const std::vector<std::string> &settings_problems)
{
    const server::CheckReport r = server::check_settings(settings, settings_problems);
    for (const auto &p : r.problems)
        std::cerr << "meridoka-server check: " << p << '\n';
    for (const auto &w : r.warnings)
        std::cerr << "meridoka-server check: warning: " << w << '\n';
    if (!r.problems.empty()) {
        std::cerr << "meridoka-server check: " << r.problems.size() << (r.problems.size() == 1 ? " problem" : " problems")
                  << "; serve would fail or run unsafely with these settings\n";
        return 1;
    }
    std::cout << "meridoka-server check: ready to serve:";
    for (size_t i = 0; i < r.notes.size(); i++)
        std::cout << (i ? "; " : " ") << r.notes[i];
    std::cout << '\n';
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    CLI::App app{overview, "meridoka-server"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "meridoka-server " MERIDOKA_VERSION);
    server::Settings settings;
    std::string name, archive, key, config_file;

    auto *serve_cmd = app.add_subcommand("serve", "Take rows and serve the studies' and researchers' pages");
    server::add_setting_options(*serve_cmd, settings, config_file);
    auto *check_cmd = app.add_subcommand("check", "What is wrong with serve's settings, found before starting it");
    server::add_setting_options(*check_cmd, settings, config_file);

    auto *user = app.add_subcommand("user", "Researchers' accounts");
    user->require_subcommand(1);
    auto *user_add = user->add_subcommand("add", "A researcher; the password is read from standard input");
    user_add->add_option("--store", settings.store, "The store")->required();
    user_add->add_option("name", name, "The researcher's login name")->required();

    auto *token = app.add_subcommand("token", "Researchers' tokens for sending journals (meridoka-report push)");
    token->require_subcommand(1);
    auto *token_add = token->add_subcommand("add", "A token for a researcher, printed once (only its hash is kept)");
    token_add->add_option("--store", settings.store, "The store")->required();
    token_add->add_option("name", name, "The researcher's login name")->required();
    int64_t days = 0;
    token_add->add_option("--days", days, "Valid for this many days (default: until revoked)")
        ->check(CLI::Range(int64_t(1), int64_t(36500)));
    auto *token_list = token->add_subcommand("list", "Every token: its id, researcher, when made, last used, expiry");
    token_list->add_option("--store", settings.store, "The store")->required();
    auto *token_revoke = token->add_subcommand("revoke", "A token refused from now on (written to the audit log)");
    token_revoke->add_option("--store", settings.store, "The store")->required();
    token_revoke->add_option("id", key, "The token's id (12 hex digits, from token list)")->required();

    auto *study = app.add_subcommand("study", "Studies: each has its archive and its link");
    study->require_subcommand(1);
    auto *study_add = study->add_subcommand("add", "A study; prints its link");
    study_add->add_option("--store", settings.store, "The store")->required();
    study_add->add_option("name", name, "The study's name")->required();
    study_add->add_option("archive", archive, "Its MERIDOKA.WDL")->required();
    auto *study_close = study->add_subcommand("close", "Rows of the study are refused from now on");
    auto *study_open = study->add_subcommand("open", "Rows of the study are taken again");
    for (auto *c : {study_close, study_open}) {
        c->add_option("--store", settings.store, "The store")->required();
        c->add_option("key", key, "The study's key (from its link /s/KEY/)")->required();
    }
    auto *study_list = study->add_subcommand("list", "Every study with its link and progress");
    study_list->add_option("--store", settings.store, "The store")->required();

    CLI11_PARSE(app, argc, argv);
    try {
        server::start_secrets();
        if (serve_cmd->parsed() || check_cmd->parsed()) {
            CLI::App &cmd = serve_cmd->parsed() ? *serve_cmd : *check_cmd;
            const std::vector<std::string> problems = server::settle_settings(cmd, config_file, settings);
            if (check_cmd->parsed())
                return check(settings, problems);
            for (const auto &p : problems)
                std::cerr << "meridoka-server: " << p << '\n';
            return problems.empty() ? serve(settings) : 1;
        }
        store::Store st(settings.store, store::Store::Mode::write, 5000, true);
        store::Collector collector(st);
        if (user_add->parsed()) {
            const std::string password = read_password();
            if (password.size() < 10)
                throw store::Error("a password has at least 10 characters; nothing was added");
            if (!collector.add_researcher(name, server::hash_password(password), server::unix_now()))
                throw store::Error("a researcher named " + name + " exists already; nothing was added");
            std::cout << "researcher " << name << " added\n";
        } else if (token_add->parsed()) {
            const std::string made = server::random_hex(32);
            const int64_t now = server::unix_now(), expires = days ? now + days * 86400 : 0;
            if (!collector.add_push_token(store::body_sha256(made), name, now, expires))
                throw store::Error("no researcher is named " + name + " (meridoka-server user add); no token was made");
            std::cout << made << '\n';
            std::cerr << "token " << store::body_sha256(made).substr(0, 12) << " for " << name
                      << (expires ? ", valid until " + server::utc_time(expires) + " UTC" : ", valid until revoked")
                      << "; shown this once\n";
        } else if (token_list->parsed()) {
            const int64_t now = server::unix_now();
            auto when = [](int64_t t) { return t ? server::utc_time(t) : std::string("never"); };
            for (const store::PushToken &t : collector.push_tokens())
                std::cout << t.id << "  " << t.researcher << "  made " << server::utc_time(t.created) << "  last used "
                          << when(t.last_used) << "  "
                          << (t.revoked                          ? "revoked " + server::utc_time(t.revoked)
                              : t.expires && t.expires <= now    ? "expired " + server::utc_time(t.expires)
                              : t.expires                        ? "expires " + server::utc_time(t.expires)
                                                                 : std::string("no expiry"))
                          << '\n';
        } else if (token_revoke->parsed()) {
            switch (collector.revoke_push_token(key, server::unix_now(), "by the command line")) {
            case store::Revoked::now: std::cout << "token " << key << " revoked\n"; break;
            case store::Revoked::before: std::cout << "token " << key << " was revoked before\n"; break;
            case store::Revoked::no_such_token:
                throw store::Error("no token has the id " + key + " (the 12 hex digits token list shows)");
            }
        } else if (study_add->parsed()) {
            std::vector<uint8_t> bytes;
            try {
                bytes = host::read_file(archive);
            } catch (const std::exception &) {
                throw store::Error("cannot read the archive " + archive + " (is the path right?)");
            }
            const std::string key_made = server::add_study(collector, name, std::string(bytes.begin(), bytes.end()));
            std::cout << "/s/" << key_made << "/\n";
        } else if (study_close->parsed() || study_open->parsed()) {
            if (!collector.set_open(key, study_open->parsed()))
                throw store::Error("no study has the key " + key);
            std::cout << "study " << key << (study_open->parsed() ? " open\n" : " closed\n");
        } else if (study_list->parsed()) {
            for (const auto &p : collector.studies(server::unix_now()))
                std::cout << "/s/" << p.study.key << "/  " << (p.study.open ? "open  " : "closed") << "  "
                          << p.study.archive_crc32 << "  started " << p.started << ", finished " << p.finished
                          << ", unfinished " << p.unfinished << "  " << p.study.name << '\n';
        }
        return 0;
    } catch (const store::Error &e) {
        std::cerr << "meridoka-server: " << e.what() << '\n';
        return 1;
    }
}
