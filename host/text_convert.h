// The texts of a test source (UTF-8) into the archive's CP866, with every
// problem reported at its file, line and column rather than the first only.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace host {

class Diagnostics;

struct TextOptions {
    bool ascii_punctuation = false;  // replace dashes, quotes, ellipsis, special spaces; list each as a note
};

struct Place {
    int line = 0, column = 0;
};
// Where the character at a byte offset of a text lies in its file.
using PlaceOf = std::function<Place(size_t offset)>;

// For a text that starts at (line, column) of its file; with count_lines
// false every character counts as lying on that one line.
PlaceOf places_in(std::string_view text, int line, int column, bool count_lines = true);

// The CP866 form of a text. Every character CP866 lacks is reported (with a
// suggested replacement when there is a usual one) and becomes '?'; invalid
// UTF-8 is reported once.
std::string convert_text(std::string_view utf8, const std::string &file, const PlaceOf &place,
                         const TextOptions &options, Diagnostics &found);

// Columns count characters, not bytes: the column of byte `offset` of a line.
int column_of(std::string_view line, size_t offset);

}  // namespace host
