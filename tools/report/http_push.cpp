#include "tools/report/http_push.h"

#include "report/add_command.h"
#include "report/error.h"
#include "report/journal.h"
#include "report/result_sheet.h"
#include "store/result_files.h"

#include <httplib.h>  // with OpenSSL (CPPHTTPLIB_OPENSSL_SUPPORT, from its pkg-config)

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace report {

namespace fs = std::filesystem;

namespace {

struct Totals {
    int64_t files = 0, kept = 0, before = 0, apart = 0, refused_rows = 0, refused_files = 0, others = 0;
    int64_t results = 0, results_kept = 0;
};

std::string read_whole(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The journals and result files among the inputs (as add finds them); the
// archives and other files named are counted and left out. Returns false
// when an input does not exist.
bool files_of(const std::vector<std::string> &inputs, std::vector<FoundInput> &found, Totals &t, std::ostream &out,
              std::ostream &err)
{
    int missing = 0;
    for (const FoundInput &in : find_inputs(inputs, err, missing)) {
        if (in.kind == InputKind::journal || in.kind == InputKind::result)
            found.push_back(in);
        else {
            out << in.path << ": not sent: "
                << (in.kind == InputKind::archive ? "the study has its archive"
                                                  : "not a journal (S0000001.CSV ...) or a result file")
                << "\n";
            t.others++;
        }
    }
    // journals first, then result files, each in the order add takes them
    std::stable_partition(found.begin(), found.end(), [](const FoundInput &f) { return f.kind == InputKind::journal; });
    return missing == 0;
}

// A count of the server's answer ("kept 12" at a line's start); -1 when it is not there.
int64_t field(const std::string &answer, const std::string &name)
{
    const std::string line = name + " ";
    size_t at = answer.compare(0, line.size(), line) == 0 ? 0 : answer.find("\n" + line);
    if (at == std::string::npos)
        return -1;
    at += (at ? 1 : 0) + line.size();
    int64_t n = 0;
    size_t digits = 0;
    for (; at < answer.size() && digits < 12 && answer[at] >= '0' && answer[at] <= '9'; at++, digits++)
        n = n * 10 + (answer[at] - '0');
    return digits ? n : -1;
}

}  // namespace

int push_over_http(const HttpPush &p, std::ostream &out, std::ostream &err)
{
    // scheme://host[:port] for the client, the rest as the path in front of ours
    const size_t scheme_end = p.url.find("://");
    if (scheme_end == std::string::npos || (p.url.compare(0, scheme_end, "http") && p.url.compare(0, scheme_end, "https"))) {
        err << "meridoka-report: push over the network takes http:// or https:// and the server's address\n";
        return 1;
    }
    if (p.url.find('?') != std::string::npos || p.url.find('@') != std::string::npos) {
        err << "meridoka-report: the server's address carries no token or password (they end up in logs); "
               "give the token in MERIDOKA_TOKEN or --token-file\n";
        return 1;
    }
    if (p.token.empty()) {
        err << "meridoka-report: push to a server needs a researcher's token (meridoka-server token add) in "
               "MERIDOKA_TOKEN or --token-file\n";
        return 1;
    }
    if (p.study.size() != 32 || p.study.find_first_not_of("0123456789abcdef") != std::string::npos) {
        err << "meridoka-report: --study wants the study's key, the 32 hex digits of its link /s/KEY/\n";
        return 1;
    }
    const size_t path_at = p.url.find('/', scheme_end + 3);
    const std::string origin = p.url.substr(0, path_at);
    std::string prefix = path_at == std::string::npos ? "" : p.url.substr(path_at);
    while (!prefix.empty() && prefix.back() == '/')
        prefix.pop_back();

    Totals t;
    std::vector<FoundInput> files;
    if (!files_of(p.inputs, files, t, out, err)) {
        err << "meridoka-report: nothing was sent\n";
        return 1;
    }
    httplib::Client client(origin);
    client.set_connection_timeout(10, 0);
    client.set_read_timeout(120, 0);  // a long journal waits for its rows' commits
    client.set_bearer_token_auth(p.token);
    client.enable_server_certificate_verification(true);
    if (!p.ca_file.empty())
        client.set_ca_cert_path(p.ca_file.c_str());

    for (const FoundInput &found : files) {
        const std::string &file = found.path;
        const bool journal = found.kind == InputKind::journal;
        std::string bytes, target;
        try {
            bytes = read_whole(file);
            if (journal) {
                std::vector<std::string> warnings;
                parse_journal(bytes, file, warnings);  // a journal that is not one is not sent
                for (const std::string &w : warnings)
                    out << "  " << w << "\n";
                target = prefix + "/push/" + p.study + "/rows?journal=" +
                         httplib::detail::encode_query_param(fs::path(file).filename().string());
            } else {
                parse_result_sheet(bytes, file, result_codepage(file, bytes));  // nor a damaged result file
                // the participant and the path the session is kept under, as add gives them
                target = prefix + "/push/" + p.study + "/results?participant=" +
                         httplib::detail::encode_query_param(store::result_file_participant(file)) +
                         "&file=" + httplib::detail::encode_query_param(stored_path(file));
            }
        } catch (const Error &e) {
            out << file << ": refused here: " << e.what() << "\n";
            t.refused_files++;
            continue;
        }
        int status = 0;  // 0: no answer
        std::string text, why;
        // the server unreachable, or busy (503, 429): tried again after 1, 2, 4, 8 s
        for (int attempt = 0;; attempt++) {
            const httplib::Result res = client.Post(target, bytes, "text/csv");
            status = res ? res->status : 0;
            text = res ? res->body : "";
            why = res ? "" : httplib::to_string(res.error());
            if (!res && (res.error() == httplib::Error::SSLServerVerification ||
                         res.error() == httplib::Error::SSLLoadingCerts || res.error() == httplib::Error::SSLConnection)) {
                // not a busy server: trying again changes nothing
                err << "meridoka-report: " << p.url
                    << (res.error() == httplib::Error::SSLLoadingCerts
                            ? " was not tried: the certificates of " + (p.ca_file.empty() ? "the system" : p.ca_file) +
                                  " cannot be read"
                        : res.error() == httplib::Error::SSLServerVerification
                            ? " cannot be trusted: its certificate does not verify (not signed by an authority "
                              "trusted here, expired, or for another name); if the lab has its own authority, give "
                              "its certificate with --ca-file"
                            : ": no TLS connection could be made (is it an https:// server?)")
                    << "; nothing more was sent\n";
                return 1;
            }
            if ((status != 0 && status != 503 && status != 429) || attempt == 4)
                break;
            std::this_thread::sleep_for(std::chrono::seconds(1 << attempt));
        }
        if (status == 0) {
            err << "meridoka-report: cannot reach " << p.url << " (" << why << " error, tried 5 times over 15 s); "
                << file << " and the files after it were not sent\n";
            return 1;
        }
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        if (status == 401 || status == 403 || status == 404) {
            err << "meridoka-report: " << p.url << " refused (" << status << "): " << text
                << "; nothing more was sent\n";
            return 1;
        }
        if (status != 200) {
            out << file << ": refused by the server (" << status << "): " << text << "\n";
            t.refused_files++;
            continue;
        }
        const int64_t kept = field(text, "kept"), before = field(text, "before"), apart = field(text, "apart"),
                      refused = field(text, "refused");
        if (kept < 0 || before < 0 || apart < 0 || refused < 0) {
            err << "meridoka-report: the answer of " << p.url << " is not a collecting server's (is the address "
                << "right, or is a proxy answering?); nothing more was sent\n";
            return 1;
        }
        if (!journal) {
            out << file << ": " << (kept ? "kept" : "already there") << "\n";
            t.results++;
            t.results_kept += kept;
            continue;
        }
        out << file << ": " << kept << " rows kept, " << before << " already there, " << apart << " kept apart, "
            << refused << " refused\n";
        for (size_t at = text.find("\nline "); at != std::string::npos; at = text.find("\nline ", at + 1))
            out << "  " << text.substr(at + 1, text.find('\n', at + 1) - at - 1) << "\n";
        t.files++;
        t.kept += kept, t.before += before, t.apart += apart, t.refused_rows += refused;
    }
    out << "sent " << t.files << " journals to " << p.url << ": " << t.kept << " rows kept, " << t.before
        << " already there, " << t.apart << " kept apart (another copy differed), " << t.refused_rows
        << " rows refused; " << t.results << " result files (" << t.results_kept << " new); " << t.refused_files
        << " files refused";
    if (t.others)
        out << "; " << t.others << " other files not sent";
    out << "\n";
    return t.refused_rows || t.refused_files ? 2 : 0;
}

}  // namespace report
