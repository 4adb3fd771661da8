#include "tools/wdl/result_text.h"

#include "host/codepages.h"

#include "runner/runner.h"

namespace wdl {

using namespace host;  // the tools' shared library

const char lost_in_result_file_why[] =
    " come out as other characters in RESULT-W.TXT, whose Windows-1251 has only the letters of CP866 (RESULT-D.TXT "
    "of the DOS program keeps them)";

std::string lost_in_result_file(const std::string &cp866)
{
    std::string lost, seen;
    for (char ch : cp866) {
        const uint8_t b = uint8_t(ch);
        // the runner's own conversion keeps a byte it has no letter for
        const bool kept = cp866_to_cp1251(b) == b && (b >= 0x80 || b < 0x20 || b == 0x7F);
        if (!kept || b == '\n' || seen.find(ch) != std::string::npos)
            continue;
        seen += ch;
        lost += (lost.empty() ? "" : ", ") + describe_character(cp866_to_unicode(b));
    }
    return lost;
}

}  // namespace wdl
