#include "tools/server/participant_side.h"

#include "store/error.h"
#include "tools/server/answers.h"
#include "tools/server/row_check.h"

#include <httplib.h>

namespace server {

namespace {

const char study_path[] = R"(/s/([0-9a-f]{32})/)";

std::string content_type(const std::string &name)
{
    auto ends = [&](const char *e) {
        const std::string s(e);
        return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
    };
    if (ends(".html"))
        return "text/html; charset=utf-8";
    if (ends(".js"))
        return "text/javascript; charset=utf-8";
    if (ends(".wasm"))
        return "application/wasm";
    if (ends(".css"))
        return "text/css; charset=utf-8";
    if (ends(".json"))
        return "application/json";
    return "application/octet-stream";
}

}  // namespace

void add_participant_side(httplib::Server &http, const Settings &settings, const PageFiles &page, RateLimit &limit,
                          RowWriter &writer)
{
    http.Get(R"(/s/([0-9a-f]{32}))", [](const httplib::Request &req, httplib::Response &res) {
        res.set_redirect(req.path + "/", 301);
    });

    http.Get(std::string(study_path) + "(.*)", [&](const httplib::Request &req, httplib::Response &res) {
        res.set_header("Referrer-Policy", "no-referrer");  // the key stays off other sites' logs
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Cache-Control", "no-cache");
        const std::string key = req.matches[1], name = req.matches[2].length() ? std::string(req.matches[2]) : "index.html";
        if (!limit.allow(client_of(req, settings)))
            return plain(res, 429, "too many requests; try again in a second");
        // only these names, compared whole: no path is ever put together from the request
        const auto file = page.find(name);
        if (file == page.end() && name != "settings.json" && name != "MERIDOKA.WDL")
            return plain(res, 404, "no such file");
        auto st = open_store(settings, res);
        if (!st)
            return;
        try {
            store::Collector studies(**st);
            if (!open_study(studies, key, res, "no such study; check the link", "this study is closed"))
                return;
            if (name == "settings.json") {
                // relative: the page resolves it against its own address, behind any proxy path
                res.set_content(R"({ "postUrl": "rows", "postRetryMs": 1000, "offlineAllowed": false, "language": "" })" "\n",
                                "application/json");
            } else if (name == "MERIDOKA.WDL") {
                res.set_content(studies.archive(key), "application/octet-stream");
            } else {
                res.set_content(file->second, content_type(name).c_str());
            }
        } catch (const store::Error &e) {
            store_failed(res, e, st.get());
        }
    });

    http.Post(std::string(study_path) + "rows", [&](const httplib::Request &req, httplib::Response &res) {
        res.set_header("Access-Control-Allow-Origin", "*");
        const std::string client = client_of(req, settings);
        if (!limit.allow(client)) {
            res.set_header("Retry-After", "1");
            return plain(res, 429, "too many requests; try again in a second");
        }
        const std::string key = req.matches[1];
        if (req.get_param_value("probe") == "1") {
            auto st = open_store(settings, res);
            if (!st)
                return;
            try {
                store::Collector studies(**st);
                if (open_study(studies, key, res, "no such study", "this study is closed: rows are no longer taken"))
                    plain(res, 200, "here");
            } catch (const store::Error &e) {
                store_failed(res, e, st.get());
            }
            return;
        }

        store::RowRequest request;
        store::ArrivingRow &row = request.row;
        row.now = unix_now();
        row.max_rows = settings.max_rows;
        const RowCheck check = check_row(req.get_param_value("session"), req.get_param_value("row"), req.body,
                                         settings.max_body, row);
        row.study_key = key;
        request.refused = check.reason;
        request.quarantine = {0, row.now, key, client, "", req.target.substr(0, 512),
                              req.body.substr(0, size_t(settings.max_body))};
        if (!writer.put(request))
            return try_again(res);
        switch (request.arrival) {
        case store::Arrival::added: return plain(res, 200, "kept");
        case store::Arrival::same: return plain(res, 200, "kept before");
        case store::Arrival::conflict: return plain(res, 200, "kept apart: another row had this number");
        case store::Arrival::too_many_rows: return plain(res, 413, "the session has too many rows");
        case store::Arrival::no_study: return plain(res, 404, "no such study");
        case store::Arrival::closed: return plain(res, 403, "this study is closed: rows are no longer taken");
        case store::Arrival::refused: return plain(res, check.status, check.reason);
        case store::Arrival::other_study: return plain(res, 403, store::arrival_reason(request.arrival));
        case store::Arrival::wrong_archive:
        case store::Arrival::wrong_items: return plain(res, 422, store::arrival_reason(request.arrival));
        }
    });
}

}  // namespace server
