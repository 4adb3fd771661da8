// Texts that go into the result file: the Windows and Linux programs convert
// them to Windows-1251 letter by letter, and some CP866 characters have no
// counterpart there.
#pragma once

#include <string>

namespace wdl {

// The characters of a CP866 text that RESULT-W.TXT shows as something else
// (box drawing, symbols, the no-break space ...), each once, as UTF-8 in
// quotes; "" when there are none.
std::string lost_in_result_file(const std::string &cp866);
// What a finding adds after the characters.
extern const char lost_in_result_file_why[];

}  // namespace wdl
