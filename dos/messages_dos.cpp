/* Exit messages and the result file of the DOS build. */
#include "dos/dos_int.h"
#include "platform/platform.h"

static void write_stdout(const char *bytes, uint16_t count)
{
    DosRegs r = {0x4000, 1, count, (uint16_t)(uintptr_t)bytes, 0, 0, 0};
    dos_int(0x21, &r);
}

/* Standard output in text mode: a line feed goes out as CR LF. */
void show_error(const char *text)
{
    const char *run = text;
    for (const char *p = text;; p++) {
        if (*p != '\n' && *p != 0)
            continue;
        if (p > run)
            write_stdout(run, (uint16_t)(p - run));
        if (*p == 0)
            break;
        write_stdout("\r\n", 2);
        run = p + 1;
    }
}

const char *result_file_name(void) { return "RESULT-D.TXT"; }

/* Texts stay in the archive's code page, CP866. */
uint8_t result_text_byte(uint8_t c) { return c; }
