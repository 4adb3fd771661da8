/* Exit messages, the result file's name and code page, the build's name. */
#include <stdio.h>

#include "platform/platform.h"
#include "runner/runner.h"
#include "sdl/ui_link.h"

void show_error(const char *text)
{
    fputs(text, stderr);
    fflush(stderr);
    ui_call(UiRequest::error_box, text);
}

const char *result_file_name(void) { return "RESULT-W.TXT"; }

uint8_t result_text_byte(uint8_t c) { return cp866_to_cp1251(c); }

const char *build_name(void) { return "linux"; }
