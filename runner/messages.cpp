/* The test's messages and the program's error texts: a numbered message of
** the archive, and an error with its file names filled in. */
#include "runner/runner.h"
#include "platform/platform.h"

const char *run_message(const RunState *run, int number)
{
    return msg_get(run->messages, run->messages_length, number);
}

void show_error_with(const char *pattern, const char *first, const char *second)
{
    char text[320] = "Error: ";
    uint32_t n = 7;
    for (; *pattern; pattern++) {
        const char *insert = *pattern == '%' ? first : 0;
        if (insert)
            first = second;
        for (; insert && *insert && n + 1 < sizeof text; insert++)
            text[n++] = *insert;
        if (*pattern != '%' && n + 1 < sizeof text)
            text[n++] = *pattern;
    }
    text[n] = 0;
    show_error(text);
}
