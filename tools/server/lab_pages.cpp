#include "tools/server/lab_pages.h"

#include "host/crc32.h"
#include "host/csv.h"
#include "host/utf8.h"
#include "report/tables.h"
#include "store/error.h"
#include "tools/server/answers.h"
#include "tools/server/archive_items.h"
#include "tools/server/secrets.h"
#include "tools/server/study_report.h"
#include "tools/server/web_text.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace server {

namespace {

const char login_cookie[] = "meridoka_login";
const char form_cookie[] = "meridoka_form";  // the login form's own CSRF token (double submit)
const int64_t login_seconds = 12 * 3600;
const char key_path[] = "([0-9a-f]{32})";

std::string cookie(const httplib::Request &req, const std::string &name)
{
    const std::string all = req.get_header_value("Cookie");
    size_t at = 0;
    while (at < all.size()) {
        const size_t end = std::min(all.find(';', at), all.size());
        std::string pair = all.substr(at, end - at);
        pair.erase(0, pair.find_first_not_of(' '));
        if (pair.compare(0, name.size() + 1, name + "=") == 0)
            return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return "";
}

std::string set_cookie(const Settings &settings, const std::string &name, const std::string &value, int64_t max_age)
{
    return name + "=" + value + "; Path=/lab/; Max-Age=" + std::to_string(max_age) + "; HttpOnly; SameSite=Strict" +
           (settings.secure_cookies ? "; Secure" : "");
}

void page(httplib::Response &res, int status, const std::string &title, const std::string &body)
{
    res.status = status;
    res.set_header("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
                                              "frame-ancestors 'none'");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Cache-Control", "no-store");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_content("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + html(title) +
                        " - MERIDOKA</title><style>body{font:15px sans-serif;margin:2em}table{border-collapse:collapse}"
                        "td,th{border:1px solid #bbb;padding:.2em .5em;text-align:left}form{display:inline}"
                        "</style></head><body>\n<h1>" + html(title) + "</h1>\n" + body + "</body></html>\n",
                    "text/html; charset=utf-8");
}

// A logged-in researcher: who, and the CSRF token every form of the login carries.
struct Who {
    std::string name, csrf, token_sha256;
};

std::string csrf_field(const Who &who)
{
    return "<input type=\"hidden\" name=\"csrf\" value=\"" + html(who.csrf) + "\">";
}

std::string menu(const Who &who)
{
    return "<p><a href=\"/lab/\">Studies</a> | <a href=\"/lab/quarantine\">Quarantine</a> | "
           "<a href=\"/lab/audit\">Audit log</a> | " + html(who.name) +
           " <form method=\"post\" action=\"/lab/logout\">" + csrf_field(who) +
           "<button>Log out</button></form></p>\n";
}

// Runs `handle` for a researcher logged in (and for a POST, one whose form
// carries the login's CSRF token); anything else is refused.
template <class Handle>
httplib::Server::Handler guarded(const Settings &settings, bool form, Handle handle)
{
    return [&settings, form, handle](const httplib::Request &req, httplib::Response &res) {
        auto st = open_store(settings, res);
        if (!st)
            return;
        try {
            store::Collector collector(**st);
            const std::string token = cookie(req, login_cookie);
            Who who;
            who.token_sha256 = store::body_sha256(token);
            const auto login = token.empty() ? std::nullopt : collector.login(who.token_sha256, unix_now());
            if (!login)
                return page(res, 401, "Log in first", "<p><a href=\"/lab/login\">Log in</a></p>\n");
            who.name = login->researcher;
            who.csrf = login->csrf;
            if (form && !same_secret(req.get_param_value("csrf"), who.csrf))
                return page(res, 403, "Refused", "<p>The form is out of date or came from another site; "
                                                 "<a href=\"/lab/\">start again</a>.</p>\n");
            handle(req, res, collector, who);
        } catch (const store::StoreError &e) {
            store_failed(res, e, st.get());
        } catch (const store::Error &e) {
            page(res, 400, "Refused", "<p>" + html(e.what()) + "</p>\n");
        }
    };
}

std::string progress_row(const store::StudyProgress &p, const Who &who)
{
    const store::Study &s = p.study;
    const std::string link = "/s/" + s.key + "/";
    std::string row = "<tr><td><a href=\"/lab/study/" + s.key + "\">" + html(s.name) + "</a></td><td><a href=\"" +
                      link + "\">" + link + "</a></td><td>" + html(s.archive_crc32) + "</td><td>" +
                      (s.open ? "open" : "closed") + "</td>";
    for (int64_t n : {p.started, p.finished, p.unfinished, p.last_hour})
        row += "<td>" + std::to_string(n) + "</td>";
    row += "<td><form method=\"post\" action=\"/lab/study/" + s.key + "/" + (s.open ? "close" : "open") + "\">" +
           csrf_field(who) + "<button>" + (s.open ? "Close" : "Open") + "</button></form></td></tr>\n";
    return row;
}

// Bytes shown as text: printable UTF-8 as is (escaped), anything else as \xNN.
std::string shown_bytes(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r' || c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F)) {
            out += char(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return html(out);
}

std::string sessions_csv(store::Collector &collector, const std::string &key)
{
    std::string csv = "\xEF\xBB\xBFsession,participant,first_row_utc,last_row_utc,rows,ended_by,right_total,wrong_total,"
                      "answered\r\n";
    for (const auto &s : collector.sessions(key)) {
        const std::string cells[] = {s.session, s.participant, utc_time(s.first_row), utc_time(s.last_row),
                                     std::to_string(s.rows), s.ended_by, s.right_total, s.wrong_total, s.answered};
        for (size_t i = 0; i < std::size(cells); i++) {
            if (i)
                csv += ',';
            append_csv_cell(csv, cells[i]);
        }
        csv += "\r\n";
    }
    return csv;
}

// Every row kept, as the journal's own columns after the row's number; each
// field written again so that none can start a formula.
std::string rows_csv(store::Collector &collector, const std::string &key)
{
    std::string csv = "\xEF\xBB\xBFrow_number,session,participant,event,ms,local_time,item,digit,cell,correct_cell,right,"
                      "rt_ms,first_digit_ms,key,item_text,program,version,build,archive_bytes,archive_crc32,items,clock,"
                      "clock_resolution_us,ended_by,right_total,wrong_total,answered,note\r\n";
    collector.each_row(key, [&](const std::string &, const std::string &, int64_t row, const std::string &body) {
        csv += std::to_string(row);
        host::CsvReader reader(body);
        host::CsvRow fields;
        if (reader.next(fields))
            for (auto f : fields.fields) {
                csv += ',';
                append_csv_cell(csv, f);
            }
        csv += "\r\n";
    });
    return csv;
}

// The report's tables, each a link.
std::string report_links(const std::string &key)
{
    std::string links;
    for (const report::CsvFile &f : report::csv_files)
        links += std::string(", <a href=\"/lab/study/") + key + "/report/" + f.name + "\">" + f.name + "</a>";
    return links;
}

}  // namespace

std::string add_study(store::Collector &collector, const std::string &name, const std::string &archive)
{
    if (archive.size() < 12 || archive.compare(0, 4, "WDLZ") != 0)
        throw store::Error("that file is not a MERIDOKA.WDL archive (it does not start with WDLZ)");
    archive_item_count(archive);  // every session's first row must claim it
    if (name.empty() || name.size() > 200 || host::invalid_utf8_at(name) != std::string::npos)
        throw store::Error("a study's name is 1 to 200 characters of UTF-8");
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", unsigned(host::crc32_of(archive)));
    store::Study s;
    s.key = random_hex(16);
    s.name = name;
    s.archive_crc32 = crc;
    s.archive_bytes = int64_t(archive.size());
    s.created = unix_now();
    collector.add_study(s, archive);
    return s.key;
}

void add_lab_pages(httplib::Server &http, const Settings &settings)
{
    http.Get("/", [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/lab/", 303); });
    http.Get("/lab", [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/lab/", 303); });

    http.Get("/lab/login", [&settings](const httplib::Request &, httplib::Response &res) {
        const std::string form_token = random_hex(16);
        res.set_header("Set-Cookie", set_cookie(settings, form_cookie, form_token, 3600));
        page(res, 200, "Log in",
             "<form method=\"post\" action=\"/lab/login\"><input type=\"hidden\" name=\"csrf\" value=\"" + form_token +
                 "\"><p><label>Name <input name=\"name\" autocomplete=\"username\"></label></p><p><label>Password "
                 "<input name=\"password\" type=\"password\" autocomplete=\"current-password\"></label></p><p>"
                 "<button>Log in</button></p></form>\n");
    });

    http.Post("/lab/login", [&settings](const httplib::Request &req, httplib::Response &res) {
        const std::string form_token = cookie(req, form_cookie);
        if (form_token.empty() || !same_secret(req.get_param_value("csrf"), form_token))
            return page(res, 403, "Refused", "<p>The form is out of date; <a href=\"/lab/login\">log in again</a>.</p>\n");
        const std::string name = req.get_param_value("name");
        std::optional<std::string> hash;
        {
            auto st = open_store(settings, res);
            if (!st)
                return;
            try {
                hash = store::Collector(**st).password_hash(name);
            } catch (const store::Error &e) {
                return store_failed(res, e, st.get());
            }
        }
        // with no store connection held: the hash takes time and memory, a refusal a second
        // (an unknown name costs as much as a wrong password)
        const bool right = hash ? password_matches(*hash, req.get_param_value("password"))
                                : (password_matches(hash_password("x"), "y"), false);
        if (!right) {
            std::this_thread::sleep_for(std::chrono::seconds(1));  // slows down guessing
            log_line("login refused: " + client_of(req, settings));
            return page(res, 403, "Log in", "<p>Wrong name or password. <a href=\"/lab/login\">Try again</a>.</p>\n");
        }
        auto st = open_store(settings, res);
        if (!st)
            return;
        try {
            const std::string token = random_hex(32);
            store::Collector(**st).add_login(store::body_sha256(token), name, random_hex(16), unix_now() + login_seconds);
            res.set_header("Set-Cookie", set_cookie(settings, login_cookie, token, login_seconds));
            res.set_redirect("/lab/", 303);
        } catch (const store::Error &e) {
            store_failed(res, e, st.get());
        }
    });

    http.Post("/lab/logout", guarded(settings, true, [&settings](const httplib::Request &, httplib::Response &res,
                                                                  store::Collector &c, const Who &who) {
        c.drop_login(who.token_sha256);
        res.set_header("Set-Cookie", set_cookie(settings, login_cookie, "", 0));
        res.set_redirect("/lab/login", 303);
    }));

    http.Get("/lab/", guarded(settings, false, [](const httplib::Request &, httplib::Response &res,
                                                  store::Collector &c, const Who &who) {
        std::string body = menu(who) +
                           "<table><tr><th>Study</th><th>Link</th><th>Archive CRC-32</th><th>State</th><th>Sessions "
                           "started</th><th>Finished</th><th>Unfinished</th><th>Started in the last hour</th><th></th>"
                           "</tr>\n";
        for (const auto &p : c.studies(unix_now()))
            body += progress_row(p, who);
        body += "</table>\n<h2>Add a study</h2><form method=\"post\" action=\"/lab/studies\" "
                "enctype=\"multipart/form-data\">" + csrf_field(who) +
                "<label>Name <input name=\"name\"></label> <label>Archive <input type=\"file\" name=\"archive\"></label> "
                "<button>Add</button></form>\n";
        page(res, 200, "Studies", body);
    }));

    http.Post("/lab/studies", [&settings](const httplib::Request &req, httplib::Response &res) {
        // a multipart form: its fields are files to httplib
        httplib::Request copy = req;
        if (req.has_file("csrf"))
            copy.params.emplace("csrf", req.get_file_value("csrf").content);
        guarded(settings, true, [](const httplib::Request &r, httplib::Response &out, store::Collector &c,
                                   const Who &who) {
            const std::string name = r.has_file("name") ? r.get_file_value("name").content : "";
            const std::string key = add_study(c, name, r.has_file("archive") ? r.get_file_value("archive").content : "");
            c.audit(unix_now(), who.name, "add study", key + " " + name);
            out.set_redirect("/lab/study/" + key, 303);
        })(copy, res);
    });

    for (const char *action : {"open", "close"}) {
        const bool open = std::string(action) == "open";
        http.Post(std::string("/lab/study/") + key_path + "/" + action,
                  guarded(settings, true, [open](const httplib::Request &req, httplib::Response &res,
                                                 store::Collector &c, const Who &who) {
                      const std::string key = req.matches[1];
                      if (!c.set_open(key, open))
                          return page(res, 404, "No such study", menu(who));
                      c.audit(unix_now(), who.name, open ? "open study" : "close study", key);
                      res.set_redirect("/lab/", 303);
                  }));
    }

    http.Get(std::string("/lab/study/") + key_path, guarded(settings, false, [](const httplib::Request &req,
                                                                                 httplib::Response &res,
                                                                                 store::Collector &c, const Who &who) {
        const std::string key = req.matches[1];
        const auto study = c.study(key);
        if (!study)
            return page(res, 404, "No such study", menu(who));
        std::string body = menu(who) + "<p>Link for participants: <a href=\"/s/" + key + "/\">/s/" + key +
                           "/</a> (add <code>?participant=ID</code>). Tables: <a href=\"/lab/study/" + key +
                           "/sessions.csv\">sessions.csv</a>, <a href=\"/lab/study/" + key +
                           "/rows.csv\">rows.csv</a>. The scored report of its sessions: <a href=\"/lab/study/" + key +
                           "/report.html\">report.html</a>" + report_links(key) + ".</p>\n<table><tr><th>Session</th><th>Participant</th><th>First row "
                           "(UTC)</th><th>Last row</th><th>Rows</th><th>Ended by</th><th>Right</th><th>Wrong</th></tr>\n";
        for (const auto &s : c.sessions(key))
            body += "<tr><td>" + html(s.session) + "</td><td>" + html(s.participant) + "</td><td>" +
                    utc_time(s.first_row) + "</td><td>" + utc_time(s.last_row) + "</td><td>" + std::to_string(s.rows) +
                    "</td><td>" + html(s.ended_by) + "</td><td>" + html(s.right_total) + "</td><td>" +
                    html(s.wrong_total) + "</td></tr>\n";
        body += "</table>\n<h2>Forget a participant</h2><form method=\"post\" action=\"/lab/study/" + key +
                "/forget\">" + csrf_field(who) + "<label>Participant ID <input name=\"participant\"></label> "
                "<button>Forget every session of this participant in this study</button></form>\n";
        page(res, 200, study->name, body);
    }));

    for (const char *table : {"sessions", "rows"}) {
        const bool sessions = std::string(table) == "sessions";
        http.Get(std::string("/lab/study/") + key_path + "/" + table + ".csv",
                 guarded(settings, false, [sessions](const httplib::Request &req, httplib::Response &res,
                                                     store::Collector &c, const Who &who) {
                     const std::string key = req.matches[1];
                     if (!c.study(key))
                         return page(res, 404, "No such study", menu(who));
                     const char *name = sessions ? "sessions.csv" : "rows.csv";
                     const std::string csv = sessions ? sessions_csv(c, key) : rows_csv(c, key);
                     c.audit(unix_now(), who.name, "download", key + " " + name);
                     res.set_header("Content-Disposition", std::string("attachment; filename=\"") + name + "\"");
                     res.set_header("Cache-Control", "no-store");
                     res.set_content(csv, "text/csv; charset=utf-8");
                 }));
    }

    // the scored report of the study's sessions: its page and its tables
    http.Get(std::string("/lab/study/") + key_path + "/report(\\.html|/[a-z]+\\.csv)",
             guarded(settings, false, [](const httplib::Request &req, httplib::Response &res, store::Collector &c,
                                         const Who &who) {
                 const std::string key = req.matches[1], asked = req.matches[2];
                 const std::string file = asked == ".html" ? "report.html" : asked.substr(1);
                 const auto study = c.study(key);
                 const bool known = file == "report.html" ||
                                    std::any_of(report::csv_files.begin(), report::csv_files.end(),
                                                [&](const report::CsvFile &f) { return file == f.name; });
                 if (!study || !known)
                     return page(res, 404, "No such study or table", menu(who));
                 const std::string body = study_report(c.results(), *study, file, unix_now());
                 c.audit(unix_now(), who.name, "download", key + " report/" + file);
                 res.set_header("Cache-Control", "no-store");
                 res.set_header("X-Content-Type-Options", "nosniff");
                 if (file != "report.html") {
                     res.set_header("Content-Disposition", "attachment; filename=\"" + file + "\"");
                     return res.set_content(body, "text/csv; charset=utf-8");
                 }
                 // the page's own inline style and SVG, nothing else
                 res.set_header("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; "
                                                           "frame-ancestors 'none'");
                 res.set_header("Referrer-Policy", "no-referrer");
                 res.set_content(body, "text/html; charset=utf-8");
             }));

    http.Post(std::string("/lab/study/") + key_path + "/forget",
              guarded(settings, true, [](const httplib::Request &req, httplib::Response &res, store::Collector &c,
                                         const Who &who) {
                  const std::string key = req.matches[1], participant = req.get_param_value("participant");
                  const int64_t n = c.forget(key, participant);
                  c.audit(unix_now(), who.name, "forget participant",
                          key + " " + participant + ": " + std::to_string(n) + " sessions");
                  page(res, 200, "Forgotten", menu(who) + "<p>" + std::to_string(n) + " sessions of participant " +
                                                  html(participant) + " deleted.</p>\n");
              }));

    http.Get("/lab/quarantine", guarded(settings, false, [](const httplib::Request &, httplib::Response &res,
                                                             store::Collector &c, const Who &who) {
        std::string body = menu(who) + "<p>Rows refused, newest first (the last 500).</p><table><tr><th>Received "
                                       "(UTC)</th><th>Study</th><th>Client</th><th>Reason</th><th>Address</th><th>Body"
                                       "</th></tr>\n";
        for (const auto &q : c.quarantined(500))
            body += "<tr><td>" + utc_time(q.received) + "</td><td>" + html(q.study_key) + "</td><td>" +
                    html(q.client) + "</td><td>" + html(q.reason) + "</td><td>" + html(q.query) + "</td><td><pre>" +
                    shown_bytes(q.body) + "</pre></td></tr>\n";
        page(res, 200, "Quarantine", body + "</table>\n");
    }));

    http.Get("/lab/audit", guarded(settings, false, [](const httplib::Request &, httplib::Response &res,
                                                        store::Collector &c, const Who &who) {
        std::string body = menu(who) + "<table><tr><th>When (UTC)</th><th>Who</th><th>What</th><th>Of what</th></tr>\n";
        for (const auto &a : c.audit_log(1000))
            body += "<tr><td>" + utc_time(a.at) + "</td><td>" + html(a.researcher) + "</td><td>" + html(a.action) +
                    "</td><td>" + html(a.detail) + "</td></tr>\n";
        page(res, 200, "Audit log", body + "</table>\n");
    }));
}

}  // namespace server
