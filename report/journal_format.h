// The session journal's columns and events as this tool names them: views
// of the runner's own definition (runner/journal_columns.h), so that what
// the runner writes and what the report reads cannot drift apart.
#pragma once

#include "runner/journal_columns.h"

#include <array>
#include <string_view>

namespace report {

using Column = JournalColumn;
inline constexpr int column_count = journal_columns;

inline constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";

// The names of the header row, in column order.
inline const std::array<std::string_view, column_count> column_names = [] {
    std::array<std::string_view, column_count> names{};
    std::string_view header(journal_header);
    header.remove_prefix(utf8_bom.size());
    header = header.substr(0, header.find('\r'));
    for (size_t i = 0; i < names.size(); i++) {
        const size_t comma = header.find(',');
        names[i] = header.substr(0, comma);
        header.remove_prefix(comma == std::string_view::npos ? header.size() : comma + 1);
    }
    return names;
}();

inline std::string_view event_name(JournalEvent e)
{
    return journal_event_names[e];
}

}  // namespace report
