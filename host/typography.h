// What to write instead of a character the DOS Cyrillic code page lacks.
//
// Typographic characters (dashes, curly quotes and guillemets, the ellipsis,
// special spaces, invisible marks) have a usual plain replacement that
// `--ascii-punctuation` makes by itself; for some others (€, ™, ≤, accented
// Latin letters ...) there is a suggestion for the author; the rest (emoji,
// other scripts) have none.
#pragma once

#include <string>

namespace host {

struct Replacement {
    bool known = false;        // false: nothing to suggest
    bool typographic = false;  // made by --ascii-punctuation
    std::string text;          // UTF-8; may be empty (an invisible mark is left out)
};

Replacement replacement_for(char32_t c);

// Non-breaking space: CP866 has it, but the result file shows it as a letter.
enum : char32_t { no_break_space = 0x00A0 };

}  // namespace host
