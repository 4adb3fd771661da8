// libFuzzer: any bytes as a journal pushed from a lab computer, cut into
// rows and each row checked as the server checks it. The rows are the
// file's whole CSV rows after the header, in order, one after the other,
// each ending in a line end, numbered 1, 2, ... per session; the check
// accepts or gives a reason, and nothing crashes, reads out of bounds or
// hangs.
#include "tools/server/push_body.h"
#include "tools/server/row_check.h"

#include <cstdlib>
#include <map>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string file(reinterpret_cast<const char *>(data), size);
    const std::vector<server::PushedRow> rows = server::split_pushed_journal(file);
    std::string joined;
    std::map<std::string, int64_t> last;
    int64_t line = 1;
    for (const server::PushedRow &r : rows) {
        if (r.line <= line || r.body.empty() || r.body.back() != '\n' || r.number != ++last[r.session])
            std::abort();
        line = r.line;
        joined += r.body;
        store::ArrivingRow row;
        const server::RowCheck check = server::check_row(r.session, std::to_string(r.number), r.body, 16384, row);
        if (check.ok != check.reason.empty() || (check.ok && (row.session != r.session || row.body != r.body)))
            std::abort();
    }
    // the rows are the file's end, but for its header and a cut last row
    if (!rows.empty() && file.find(joined) == std::string::npos)
        std::abort();
    return 0;
}
