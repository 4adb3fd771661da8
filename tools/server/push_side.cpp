#include "tools/server/push_side.h"

#include "host/utf8.h"
#include "store/error.h"
#include "store/result_files.h"
#include "store/rows.h"
#include "tools/server/answers.h"
#include "tools/server/push_body.h"
#include "tools/server/row_check.h"
#include "tools/server/web_text.h"

#include <httplib.h>

#include <optional>

namespace server {

namespace {

// The token of "Authorization: Bearer TOKEN", or "".
std::string bearer_token(const httplib::Request &req)
{
    const std::string h = req.get_header_value("Authorization");
    const std::string prefix = "Bearer ";
    return h.compare(0, prefix.size(), prefix) == 0 ? h.substr(prefix.size()) : "";
}

// What became of the journal's rows: the client prints it.
struct Tally {
    int64_t kept = 0, before = 0, apart = 0, refused = 0;
    std::string reasons;  // "line N: reason" lines
};

// The researcher whose token the request carries, after the token and the
// study were checked; otherwise the answer (400, 401, 404, 403, 503) is
// sent and nothing is returned.
std::optional<std::string> authorised(const httplib::Request &req, httplib::Response &res, const Settings &settings,
                                      const std::string &key)
{
    res.set_header("Cache-Control", "no-store");
    // a token in an address ends up in logs and histories: refused, even a right one
    for (const char *p : {"token", "access_token", "key", "auth"})
        if (req.has_param(p)) {
            plain(res, 400, "a token goes in the Authorization header (Bearer), never in the address");
            return std::nullopt;
        }
    const std::string token = bearer_token(req);
    if (token.empty()) {
        plain(res, 401, "no token: send Authorization: Bearer TOKEN (meridoka-server token add)");
        return std::nullopt;
    }
    auto st = open_store(settings, res);
    if (!st)
        return std::nullopt;
    try {
        store::Collector c(**st);
        const std::string hash = store::body_sha256(token);
        const std::optional<store::PushToken> t = c.push_token(hash);
        const int64_t now = unix_now();
        if (!t) {
            plain(res, 401, "the token is not one this server gave out");
            return std::nullopt;
        }
        if (t->revoked || (t->expires && now >= t->expires)) {
            plain(res, 401, "the token " + t->id + (t->revoked ? " was revoked on " + utc_time(t->revoked)
                                                               : " expired on " + utc_time(t->expires)) +
                                " UTC; ask for a new one (meridoka-server token add)");
            return std::nullopt;
        }
        if (!open_study(c, key, res, "no such study; check its key", "this study is closed: rows are no longer taken"))
            return std::nullopt;
        if (now != t->last_used)
            c.push_token_used(hash, now);
        return t->researcher;
    } catch (const store::Error &e) {
        store_failed(res, e, st.get());
        return std::nullopt;
    }
}

std::string tally_text(const Tally &t)
{
    return "kept " + std::to_string(t.kept) + "\nbefore " + std::to_string(t.before) + "\napart " +
           std::to_string(t.apart) + "\nrefused " + std::to_string(t.refused) + "\n" + t.reasons;
}

// A name or path as sent: UTF-8 (PostgreSQL's text takes nothing else), no
// control characters, not empty, at most `most` bytes.
bool fair_text(const std::string &s, size_t most)
{
    if (s.empty() || s.size() > most || host::invalid_utf8_at(s) != std::string::npos)
        return false;
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f)
            return false;
    return true;
}

constexpr size_t result_file_most = 1 << 20;  // a result file of thousands of items is under 100 KB

}  // namespace

void add_push_side(httplib::Server &http, const Settings &settings, RowWriter &writer)
{
    // POST /push/KEY/rows?journal=NAME, the journal file as the body
    http.Post(R"(/push/([0-9a-f]{32})/rows)", [&](const httplib::Request &req, httplib::Response &res) {
        const std::string key = req.matches[1];
        if (!authorised(req, res, settings, key))
            return;
        const std::string client = client_of(req, settings) + " (push)";
        Tally t;
        for (const PushedRow &pushed : split_pushed_journal(req.body)) {
            store::RowRequest request;
            store::ArrivingRow &row = request.row;
            row.now = unix_now();
            row.max_rows = settings.max_rows;
            const RowCheck check =
                check_row(pushed.session, std::to_string(pushed.number), pushed.body, settings.max_body, row);
            row.study_key = key;
            request.refused = check.reason;
            request.quarantine = {0, row.now, key, client, "", req.target.substr(0, 512), pushed.body};
            if (!writer.put(request))
                return try_again(res);  // rows kept so far stay; sent again they are kept before
            switch (request.arrival) {
            case store::Arrival::added: t.kept++; break;
            case store::Arrival::same: t.before++; break;
            case store::Arrival::conflict: t.apart++; break;
            default:
                t.refused++;
                t.reasons += "line " + std::to_string(pushed.line) + ": " +
                             (request.arrival == store::Arrival::refused ? check.reason
                                                                         : store::arrival_reason(request.arrival)) +
                             "\n";
            }
        }
        plain(res, 200, tally_text(t));
    });

    // POST /push/KEY/results?participant=P017&file=PATH, the result file as
    // the body: kept once under the session `add` makes of it, and read in
    // by the next `add` (the parser of result files is the report's)
    http.Post(R"(/push/([0-9a-f]{32})/results)", [&](const httplib::Request &req, httplib::Response &res) {
        const std::string key = req.matches[1];
        const std::optional<std::string> researcher = authorised(req, res, settings, key);
        if (!researcher)
            return;
        store::PushedResult r;
        r.study_key = key;
        r.participant = req.get_param_value("participant");
        r.file = req.get_param_value("file");
        r.bytes = req.body;
        r.received = unix_now();
        r.researcher = *researcher;
        if (!fair_text(r.participant, 128) || !fair_text(r.file, 1024))
            return plain(res, 400, "a result file is sent with its participant and its path (UTF-8, no control "
                                   "characters, at most 128 and 1024 bytes)");
        if (r.bytes.empty() || r.bytes.size() > result_file_most)
            return plain(res, r.bytes.empty() ? 400 : 413, "a result file has 1 byte to 1 MB");
        r.session = store::result_file_session(r.participant, r.bytes);
        auto st = open_store(settings, res);
        if (!st)
            return;
        try {
            Tally t;
            (store::Collector(**st).put_result_file(r) ? t.kept : t.before)++;
            plain(res, 200, tally_text(t));
        } catch (const store::Error &e) {
            store_failed(res, e, st.get());
        }
    });
}

}  // namespace server
