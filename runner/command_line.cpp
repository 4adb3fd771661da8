/* The one parser of the program's options, for every build. */
#include "runner/command_line.h"
#include "archive/format.h"
#include "base/decimal.h"
#include "base/memory.h"

/* Reads the argument at p into word (at most size - 1 bytes); returns
** where reading goes on, or null when no argument is left. Bytes up to the
** space count as spaces (a DOS command tail ends with CR). */
static const char *next_argument(const char *p, char *word, uint32_t size)
{
    while (*p && (uint8_t)*p <= ' ')
        p++;
    if (!*p)
        return 0;
    uint32_t n = 0;
    int quoted = 0;
    for (; *p && (quoted || (uint8_t)*p > ' '); p++) {
        if (*p == '"' && !(quoted && p[1] == '"')) {
            quoted = !quoted;
            continue;
        }
        p += *p == '"';  /* a doubled quote inside quotes is one quote */
        if (n + 1 < size)
            word[n++] = *p;
    }
    word[n] = 0;
    return p;
}

int valid_participant(const char *id)
{
    uint32_t n = 0;
    for (; id[n]; n++)
        if ((uint8_t)id[n] < 0x21 || (uint8_t)id[n] > 0x7E)
            return 0;
    return n >= 1 && n < participant_size;
}

int parse_command_line(const char *text, CommandLine *out)
{
    /* "/R:" and a path that fills the journal's field are one too long: refused */
    char word[journal_path_size + 4];
    while ((text = next_argument(text, word, sizeof word)) != 0) {
        /* word holds only what next_argument wrote: look no further than its end */
        char option = (char)(word[1] | 0x20);
        if (word[0] == '/' && word[1] && !word[2]) {
            if (option == '?')
                return command_usage;
            if (option == 'r') {
                out->resume = resume_latest;
                continue;
            }
        } else if (word[0] == '/' && word[1] && word[2] == ':') {
            const char *value = word + 3;
            uint32_t length = str_len(value);
            if (option == 'p' && valid_participant(value)) {
                mem_move(out->participant, value, length + 1);
                continue;
            }
            uint32_t minutes = parse_uint(value);
            if (option == 't' && minutes >= 1 && minutes <= admin_test_minutes_max) {
                out->test_minutes = (uint16_t)minutes;
                continue;
            }
            if (option == 'r' && length && length < journal_path_size) {
                mem_move(out->journal, value, length + 1);
                out->resume = resume_named;
                continue;
            }
        }
        /* shown whole up to a longest participant ID after "/P:"; a longer
        ** argument is cut, and "..." says so */
        if (str_len(word) >= sizeof out->refused)
            mem_move(word + sizeof out->refused - 4, "...", 4);
        mem_move(out->refused, word, sizeof out->refused);
        return command_refused;
    }
    return command_ok;
}
