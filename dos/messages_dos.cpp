/* The result file of the DOS build. The exit messages go out through the
** start-up code's writer (show_error in dos/start.S), which also serves the
** messages shown before the program proper runs. */
#include "platform/platform.h"

const char *result_file_name(void) { return "RESULT-D.TXT"; }

/* Texts stay in the archive's code page, CP866. */
uint8_t result_text_byte(uint8_t c) { return c; }
