/* What the Windows build shows and writes as text: exit messages, results. */
#include "win32/win32.h"
#include "platform/platform.h"
#include "runner/runner.h"

void show_error(const char *text)
{
    MessageBoxA(NULL, text, NULL, MB_TASKMODAL | MB_ICONERROR);
}

const char *result_file_name(void) { return "RESULT-W.TXT"; }

/* Results are read in the Windows Cyrillic code page. */
uint8_t result_text_byte(uint8_t c) { return cp866_to_cp1251(c); }
