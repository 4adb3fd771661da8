// The participants' table (people.csv): one row per participant, an ID
// column and any others (age, birth date, sex, group...), UTF-8, RFC 4180.
#pragma once

#include "store/attributes.h"

#include <string>
#include <string_view>
#include <vector>

namespace report {

struct ParticipantTable {
    std::vector<std::string> columns;  // the attributes, without the ID column
    std::vector<store::AttributeRow> rows;
};

// Throws Error naming the file and line: no ID column, a duplicate ID or
// column, a row of another width, not UTF-8. Nothing is imported then.
ParticipantTable read_participant_table(const std::string &file, std::string_view bytes);

}  // namespace report
