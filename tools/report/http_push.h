// Journals of the lab's own computers sent to a collecting server over
// HTTP(S) with a researcher's token: the server keeps each row once, so a
// folder sent twice, or a longer copy of a journal, doubles nothing.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace report {

struct HttpPush {
    std::string url;      // http(s)://HOST[:PORT][/PATH/], the server (behind a proxy, its path)
    std::string study;    // the study's key, as in its link /s/KEY/
    std::string token;    // meridoka-server token add
    std::vector<std::string> inputs;  // journals, result files and folders holding them
    std::string ca_file;  // https: the certificates to trust (a lab's own authority); "": the system's
};

// Sends every journal; a line a file on `out`, then the summary. Returns 0
// when every row was taken, 2 when some file or row was refused, 1 when the
// token, the study or the server refused everything or could not be reached.
int push_over_http(const HttpPush &p, std::ostream &out, std::ostream &err);

}  // namespace report
