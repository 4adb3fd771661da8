/*
** Journal rows. A row's fields are gathered in two arrays (a text, else a
** number, else empty), then turned into one line of CSV in a buffer: texts
** as UTF-8 from the archive's CP866, quoted when they hold a comma, a
** quote, CR or LF. The line goes out with one write; answers and session
** rows are committed, with every row before them. ms
** counts from the session's start on the platform's monotonic clock.
*/
#include "runner/runner.h"
#include "base/cp866.h"
#include "base/decimal.h"
#include "base/memory.h"

#ifndef MERIDOKA_VERSION
#error "every build passes -DMERIDOKA_VERSION (scripts/version.sh)"
#endif

/* Room for the longest row: a 254-byte item text is at most 762 bytes of
** UTF-8, and every other field together stays under 260. */
enum { row_capacity = 1024 };

/* The row being made. Static rather than on the stack or in the journal
** record: the 16-bit build reaches fixed addresses with short instructions. */
static const char *row_text[journal_columns];
static uint32_t row_value[journal_columns];
static char row[row_capacity];
static uint32_t row_length;

static void put(char c)
{
    if (row_length < row_capacity - 2)  /* CR LF always fit */
        row[row_length++] = c;
}

static void put_text(const char *text)
{
    int quoted = 0;
    for (const char *p = text; *p; p++)
        quoted |= *p == ',' || *p == '"' || *p == '\r' || *p == '\n';
    if (quoted)
        put('"');
    for (; *text; text++) {
        char utf8[3];
        char *end = cp866_to_utf8(utf8, (uint8_t)*text);
        if (*text == '"')
            put('"');
        for (char *p = utf8; p < end; p++)
            put(*p);
    }
    if (quoted)
        put('"');
}

/* The ms of a clock_ms reading; a reading from before the run's start (a
** key stamped a moment early) counts as the start, and ms never goes back. */
static uint32_t journal_ms(Journal *j, uint32_t stamp)
{
    uint32_t elapsed = stamp - j->clock_base;
    if (elapsed & 0x80000000u)
        elapsed = 0;
    uint32_t ms = j->ms_base + elapsed;
    if (ms < j->last_ms)
        ms = j->last_ms;
    return j->last_ms = ms;
}

/* One row whole, committed; a row that fails is cut off again and no row
** follows it. The fields are cleared for the next row. */
static void write_row(Journal *j, int event, uint32_t ms)
{
    LocalTime t;
    local_time(&t);
    char when[20], *p = when;
    const uint16_t parts[6] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    for (int i = 0; i < 6; i++) {
        p = format_uint(p, parts[i], i ? 2 : 4);
        *p++ = "--T::"[i];  /* the last is the text's end */
    }
    row_text[col_session] = j->session;
    row_text[col_participant] = j->participant;
    row_text[col_event] = journal_event_names[event];
    row_value[col_ms] = ms;
    row_text[col_local_time] = when;

    row_length = 0;
    for (int c = 0; c < journal_columns; c++) {
        char digits[11];
        const char *field = row_text[c];
        if (!field && row_value[c] != no_value) {
            *format_uint(digits, row_value[c], 1) = 0;
            field = digits;
        }
        if (c)
            put(',');
        if (field)
            put_text(field);
    }
    row[row_length++] = '\r';
    row[row_length++] = '\n';
    mem_fill(row_text, 0, sizeof row_text);
    mem_fill(row_value, 0xFF, sizeof row_value);
    if (j->failed)
        return;
    /* Rows that hold no answer go to the disk with the next one that does
    ** (or a session row): a key pressed during a slow commit would be a
    ** key pressed while busy, and the Enter that confirms a preview lost. */
    int later = event == event_item_shown || event == event_previewed || event == event_withdrawn;
    if (file_write(row, 1, row_length, j->file) == row_length && (later || file_commit(j->file) == 0)) {
        j->length += (int32_t)row_length;
    } else {
        file_truncate(j->file, j->length);
        j->failed = 1;
    }
}

int journal_begin(RunState *run)
{
    Journal *j = &run->journal;
    uint32_t size = str_len(journal_header);
    j->clock_base = clock_ms();
    j->failed = file_write(journal_header, 1, size, j->file) != size;
    j->length = (int32_t)size;
    mem_fill(row_value, 0xFF, sizeof row_value);
    row_text[col_program] = "meridoka";
    row_text[col_version] = MERIDOKA_VERSION;
    row_text[col_build] = build_name();
    row_value[col_archive_bytes] = j->archive_bytes;
    row_text[col_archive_crc32] = j->archive_crc32;
    row_value[col_items] = run->items->count;
    row_text[col_clock] = clock_source(&row_value[col_clock_resolution_us]);
    write_row(j, event_session_start, 0);
    return !j->failed;
}

void journal_event(RunState *run, int event, int digit, int extra)
{
    Journal *j = &run->journal;
    int index = run->current_item, count = run->items->count;
    const TestItem *item = &run->items->items[index < count ? index : 0];
    int answer = event >= event_previewed && event <= event_confirmed;
    /* an answer at its key's arrival, a time-out when the time ran out; the rest now */
    uint32_t ms = journal_ms(j, answer ? key_time_ms() : event >= event_time_up ? run->timed_out_at : clock_ms());
    row_value[col_item] = (uint32_t)index + 1;
    if (event == event_item_shown) {
        j->shown_ms = ms;
        j->first_digit_ms = no_value;
        row_text[col_item_text] = item->text;
    }
    if (answer) {
        if (j->first_digit_ms == no_value)
            j->first_digit_ms = ms;  /* the item's first preview */
        row_value[col_digit] = (uint32_t)digit;
        row_value[col_cell] = (uint32_t)option_cell((uint32_t)item_option_mask(item), digit) + 1;
    }
    if (event == event_withdrawn)
        row_value[col_key] = (uint32_t)extra;
    if (event == event_refused || event == event_confirmed) {
        int correct = option_cell((uint32_t)item_option_mask(item), item->answer);
        if (correct >= 0)
            row_value[col_correct_cell] = (uint32_t)correct + 1;
        row_value[col_right] = (uint32_t)extra;
        row_value[col_rt_ms] = ms - j->shown_ms;
        row_value[col_first_digit_ms] = j->first_digit_ms - j->shown_ms;
    }
    if (event == event_session_end) {
        uint32_t right = 0, answered = 0;
        for (int i = 0; i < index; i++) {
            right += run->answer_log[i] == logged_right;
            answered += run->answer_log[i] != logged_timed_out;
        }
        row_value[col_item] = no_value;
        row_text[col_ended_by] = index >= count                       ? "completed"
                                 : run->timed_out == timeout_test   ? "time_limit"
                                 : window_closed()                  ? "closed"
                                                                    : "esc";
        row_value[col_right_total] = right;
        row_value[col_wrong_total] = answered - right;
        row_value[col_answered] = answered;
    }
    write_row(j, event, ms);
}

void journal_resume(RunState *run, int32_t cut_bytes)
{
    Journal *j = &run->journal;
    char note[40];
    j->clock_base = clock_ms();
    j->last_ms = j->ms_base;
    mem_fill(row_value, 0xFF, sizeof row_value);
    if (cut_bytes > 0) {
        mem_move(note, "dropped a cut last row of ", 26);
        mem_move(format_uint(note + 26, (uint32_t)cut_bytes, 1), " bytes", 7);
        row_text[col_note] = note;
    }
    write_row(j, event_interrupted, j->ms_base);
    if (run->current_item >= run->items->count)
        return;  /* every item is answered: the session only ends */
    /* the note names the build that goes on: it may be another one */
    row_value[col_item] = (uint32_t)run->current_item + 1;
    row_text[col_note] = build_name();
    write_row(j, event_resumed, j->ms_base);
}
