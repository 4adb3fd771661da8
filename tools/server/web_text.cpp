#include "tools/server/web_text.h"

#include "host/csv.h"
#include "host/html_escape.h"

#include <ctime>

namespace server {

std::string html(std::string_view text)
{
    return host::html_escape(text);
}

void append_csv_cell(std::string &out, std::string_view cell)
{
    host::append_spreadsheet_cell(out, cell);
}

std::string utc_time(int64_t unix_seconds)
{
    const std::time_t t = std::time_t(unix_seconds);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::gmtime(&t));
    return text;
}

}  // namespace server
