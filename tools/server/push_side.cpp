#include "tools/server/push_side.h"

#include "store/error.h"
#include "store/rows.h"
#include "tools/server/answers.h"
#include "tools/server/row_check.h"
#include "tools/server/web_text.h"

#include <httplib.h>

#include <map>

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
    std::string reasons;  // "row N: reason" lines
};

}  // namespace

void add_push_side(httplib::Server &http, const Settings &settings, RowWriter &writer)
{
    // POST /push/KEY/rows?journal=NAME, the journal file as the body
    http.Post(R"(/push/([0-9a-f]{32})/rows)", [&](const httplib::Request &req, httplib::Response &res) {
        res.set_header("Cache-Control", "no-store");
        // a token in an address ends up in logs and histories: refused, even a right one
        for (const char *p : {"token", "access_token", "key", "auth"})
            if (req.has_param(p))
                return plain(res, 400, "a token goes in the Authorization header (Bearer), never in the address");
        const std::string token = bearer_token(req), key = req.matches[1];
        if (token.empty())
            return plain(res, 401, "no token: send Authorization: Bearer TOKEN (meridoka-server token add)");
        {
            auto st = open_store(settings, res);
            if (!st)
                return;
            try {
                store::Collector c(**st);
                const std::string hash = store::body_sha256(token);
                const std::optional<store::PushToken> t = c.push_token(hash);
                const int64_t now = unix_now();
                if (!t)
                    return plain(res, 401, "the token is not one this server gave out");
                if (t->revoked)
                    return plain(res, 401, "the token " + t->id + " was revoked on " + utc_time(t->revoked) +
                                               " UTC; ask for a new one (meridoka-server token add)");
                if (t->expires && now >= t->expires)
                    return plain(res, 401, "the token " + t->id + " expired on " + utc_time(t->expires) +
                                               " UTC; ask for a new one (meridoka-server token add)");
                if (now != t->last_used)
                    c.push_token_used(hash, now);
                if (!open_study(c, key, res, "no such study; check its key",
                                "this study is closed: rows are no longer taken"))
                    return;
            } catch (const store::Error &e) {
                return store_failed(res, e, st.get());
            }
        }
        // every complete line after the header is a row; rows are numbered per session, from 1, as the
        // page numbers those it sends, so a session sent by both ways is kept once
        const std::string &b = req.body;
        const std::string client = client_of(req, settings) + " (push)";
        std::map<std::string, int64_t> numbers;
        Tally t;
        size_t at = b.find("\r\n");
        at = at == std::string::npos ? b.size() : at + 2;
        for (int64_t line = 2; at < b.size(); line++) {
            const size_t end = b.find("\r\n", at);
            if (end == std::string::npos)
                break;  // a cut last row: not a row
            const std::string body = b.substr(at, end + 2 - at);
            at = end + 2;
            const std::string session = body.substr(0, body.find(','));
            const int64_t number = ++numbers[session];
            store::RowRequest request;
            store::ArrivingRow &row = request.row;
            row.now = unix_now();
            row.max_rows = settings.max_rows;
            const RowCheck check = check_row(session, std::to_string(number), body, settings.max_body, row);
            row.study_key = key;
            request.refused = check.reason;
            request.quarantine = {0, row.now, key, client, "", req.target.substr(0, 512), body};
            if (!writer.put(request))
                return try_again(res);  // rows kept so far stay; sent again they are kept before
            switch (request.arrival) {
            case store::Arrival::added: t.kept++; break;
            case store::Arrival::same: t.before++; break;
            case store::Arrival::conflict: t.apart++; break;
            default:
                t.refused++;
                t.reasons += "line " + std::to_string(line) + ": " +
                             (request.arrival == store::Arrival::refused ? check.reason
                                                                         : store::arrival_reason(request.arrival)) +
                             "\n";
            }
        }
        plain(res, 200, "kept " + std::to_string(t.kept) + "\nbefore " + std::to_string(t.before) + "\napart " +
                            std::to_string(t.apart) + "\nrefused " + std::to_string(t.refused) + "\n" + t.reasons);
    });
}

}  // namespace server
