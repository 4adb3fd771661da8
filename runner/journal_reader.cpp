/*
** Reading a journal back for a resume, a byte at a time through a small
** buffer: of each row only the first 23 columns are kept, 32 bytes
** each (longer ones are emptied, which no check accepts). Quotes toggle
** "inside a field"; a doubled quote toggles twice and leaves one quote.
*/
#include "runner/runner.h"
#include "runner/session_rules.h"
#include "base/decimal.h"
#include "base/memory.h"
#include "platform/platform.h"

enum { kept_columns = col_ended_by + 1 };

/* Static, not on the stack: the 16-bit build reaches small stack frames
** with shorter instructions, and its heap has room to spare. */
static char fields[kept_columns][participant_size];
static char field[participant_size + 1];
static uint8_t buffer[256];  /* holds the header too */

/* A whole row starting at byte `at`: what it tells about the session; 0
** when it cannot be. Every row names the session and participant;
** session_start also the archive and the time (a journal without one
** matches no archive). */
static int take_row(JournalScan *scan, int32_t at, uint8_t *answers, uint32_t capacity)
{
    SessionRow row;
    row.event = 0;
    while (row.event < journal_events && !str_equal(fields[col_event], journal_event_names[row.event]))
        row.event++;
    row.item = parse_uint(fields[col_item]);
    row.items = parse_uint(fields[col_items]);
    row.closed = str_equal(fields[col_ended_by], "closed");
    row.at = at;
    uint32_t right = parse_uint(fields[col_right]);
    if ((row.event == event_confirmed && right > 1) || session_take(&scan->rules, &row) != row_taken)
        return 0;
    mem_move(scan->start, fields, 2 * participant_size);
    if (row.event == event_session_start) {
        mem_move(scan->start[scan_archive_crc32], fields[col_archive_crc32], participant_size);
        mem_move(scan->start[scan_started], fields[col_local_time], participant_size);
    }
    scan->last_ms = parse_uint(fields[col_ms]);
    if (row.event == event_item_shown && scan->first_shown_ms == no_value)
        scan->first_shown_ms = scan->last_ms;
    if (row.event == event_confirmed && answers && row.item <= capacity)
        answers[row.item - 1] = (uint8_t)right;
    if (row.event == event_item_timeout && answers && row.item <= capacity)
        answers[row.item - 1] = logged_timed_out;
    return 1;
}

void journal_scan(FileHandle f, JournalScan *scan, uint8_t *answers, uint32_t capacity)
{
    uint32_t header = str_len(journal_header), line = 1, column = 0, length = 0, n;
    int quoted = 0, bad = 0;
    int32_t row_at = 0;
    uint8_t last = 0;
    mem_fill(scan, 0, sizeof *scan);
    scan->first_shown_ms = no_value;
    session_begin(&scan->rules);
    file_seek(f, 0, 0);
    /* the header first, whole (it fits the buffer) */
    n = file_read(buffer, 1, header, f);
    buffer[n] = 0;
    int32_t at = (int32_t)n;
    scan->kept = row_at = at;
    if (!str_equal((const char *)buffer, journal_header))
        scan->damaged = 1;
    while (!scan->damaged && (n = file_read(buffer, 1, sizeof buffer, f)) > 0) {
        for (uint32_t i = 0; i < n && !scan->damaged; i++) {
            uint8_t c = buffer[i];
            at++;
            if (quoted || (c != ',' && c != '\n')) {
                /* a quote is kept only as the second of a doubled one; CR only inside quotes */
                if ((c != '"' || (!quoted && last == '"')) && (c != '\r' || quoted) && length < participant_size)
                    field[length++] = (char)c;
                quoted ^= c == '"';
                last = c;
                continue;
            }
            if (column < kept_columns) {
                field[length < participant_size ? length : 0] = 0;
                mem_move(fields[column], field, participant_size);
            }
            length = 0;
            column++;
            if (c == '\n') {
                line++;
                if (bad)
                    session_partial(&scan->rules, 0);  /* a row that is not whole, and not the last */
                else if (last != '\r' || column != journal_columns || !take_row(scan, row_at, answers, capacity))
                    bad = 1;
                else
                    scan->kept = at;
                if (scan->rules.state == session_damaged)
                    scan->damaged = line - 1;
                row_at = at;
                column = 0;
            }
            last = c;
        }
    }
    /* no header, or not one whole row: nothing of a session to go on with */
    if (scan->kept == (int32_t)header && !scan->damaged)
        scan->damaged = 1;
    scan->cut = at - scan->kept;
    if (scan->cut)
        session_partial(&scan->rules, 1);
    scan->answered = scan->rules.answered;
    /* in a browser, leaving the page (a reload, a closed tab) is how a
    ** session is cut short, as a crash is elsewhere: a resume cuts that
    ** session_end row off */
    scan->ended = scan->rules.state == session_ended ||
                  (scan->rules.state == session_left && !str_equal(build_name(), "web"));
}
