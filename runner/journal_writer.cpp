/*
** Journal rows. The caller fills the row's fields in the journal record;
** write_row adds the five every row has, turns them into one line of CSV
** in a buffer (texts as UTF-8 from the archive's CP866, quoted when they
** hold a comma, a quote, CR or LF), writes it with one write and commits
** it. ms counts from the session's start on the platform's monotonic clock.
*/
#include "runner/runner.h"
#include "base/cp866.h"
#include "base/decimal.h"
#include "base/memory.h"

#ifndef MERIDOKA_VERSION
#error "every build passes -DMERIDOKA_VERSION (scripts/version.sh)"
#endif

const char journal_header[] =
    "\xEF\xBB\xBFsession,participant,event,ms,local_time,item,digit,cell,correct_cell,right,rt_ms,"
    "first_digit_ms,key,item_text,program,version,build,archive_bytes,archive_crc32,items,clock,"
    "clock_resolution_us,ended_by,right_total,wrong_total,answered,note\r\n";

const char *const journal_event_names[] = {
    "session_start", "item_shown", "answer_previewed", "preview_withdrawn", "answer_refused",
    "answer_confirmed", "session_interrupted", "session_resumed", "session_end"};

/* Room for the longest row: a 254-byte item text is at most 762 bytes of
** UTF-8, and every other field together stays under 260. */
enum { row_capacity = 1024 };

/* Kept out of the stack frame: on the 16-bit build small frames make
** short instructions. */
static struct Row {
    char text[row_capacity];
    uint32_t length;
} row;

static void put(char c)
{
    if (row.length < row_capacity - 2)  /* CR LF always fit */
        row.text[row.length++] = c;
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

static void clear_fields(Journal *j)
{
    mem_fill(j->text, 0, sizeof j->text);
    mem_fill(j->value, 0xFF, sizeof j->value);
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
        *p++ = "--T::"[i];
    }
    p[-1] = 0;
    j->text[col_session] = j->session;
    j->text[col_participant] = j->participant;
    j->text[col_event] = journal_event_names[event];
    j->value[col_ms] = ms;
    j->text[col_local_time] = when;

    row.length = 0;
    for (int c = 0; c < journal_columns; c++) {
        char digits[11];
        const char *field = j->text[c];
        if (!field && j->value[c] != no_value) {
            *format_uint(digits, j->value[c], 1) = 0;
            field = digits;
        }
        if (c)
            put(',');
        if (field)
            put_text(field);
    }
    row.text[row.length++] = '\r';
    row.text[row.length++] = '\n';
    clear_fields(j);
    if (!j->file || j->failed)
        return;
    if (file_write(row.text, 1, row.length, j->file) != row.length || file_commit(j->file) != 0) {
        file_truncate(j->file, j->length);
        j->failed = 1;
        return;
    }
    j->length += (int32_t)row.length;
}

int journal_begin(RunState *run)
{
    Journal *j = &run->journal;
    uint32_t size = str_len(journal_header);
    clear_fields(j);
    j->clock_base = clock_ms();
    j->failed = file_write(journal_header, 1, size, j->file) != size;
    j->length = (int32_t)size;
    j->text[col_program] = "meridoka";
    j->text[col_version] = MERIDOKA_VERSION;
    j->text[col_build] = build_name();
    j->value[col_archive_bytes] = j->archive_bytes;
    j->text[col_archive_crc32] = j->archive_crc32;
    j->value[col_items] = run->items->count;
    j->text[col_clock] = clock_source(&j->value[col_clock_resolution_us]);
    write_row(j, event_session_start, 0);
    return !j->failed;
}

void journal_item_shown(RunState *run)
{
    Journal *j = &run->journal;
    video_wait_shown();
    j->shown_ms = journal_ms(j, clock_ms());
    j->first_digit_ms = no_value;
    j->value[col_item] = (uint32_t)run->current_item + 1;
    j->text[col_item_text] = run->items->items[run->current_item].text;
    write_row(j, event_item_shown, j->shown_ms);
}

void journal_answer(RunState *run, int event, int digit, int extra)
{
    Journal *j = &run->journal;
    const TestItem *item = &run->items->items[run->current_item];
    uint32_t ms = journal_ms(j, key_time_ms());
    if (j->first_digit_ms == no_value)
        j->first_digit_ms = ms;  /* the first preview of the item */
    j->value[col_item] = (uint32_t)run->current_item + 1;
    j->value[col_digit] = (uint32_t)digit;
    j->value[col_cell] = (uint32_t)answer_cell(item, digit) + 1;
    if (event == event_withdrawn) {
        j->value[col_key] = (uint32_t)extra;
    } else if (event != event_previewed) {
        int correct = answer_cell(item, item->answer);
        if (correct >= 0)
            j->value[col_correct_cell] = (uint32_t)correct + 1;
        j->value[col_right] = (uint32_t)extra;
        j->value[col_rt_ms] = ms - j->shown_ms;
        j->value[col_first_digit_ms] = j->first_digit_ms - j->shown_ms;
    }
    write_row(j, event, ms);
}

void journal_resume(RunState *run, int32_t cut_bytes)
{
    Journal *j = &run->journal;
    char note[40];
    clear_fields(j);
    j->clock_base = clock_ms();
    j->last_ms = j->ms_base;
    if (cut_bytes > 0) {
        mem_move(note, "dropped a cut last row of ", 26);
        mem_move(format_uint(note + 26, (uint32_t)cut_bytes, 1), " bytes", 7);
        j->text[col_note] = note;
    }
    write_row(j, event_interrupted, j->ms_base);
    if (run->current_item >= run->items->count)
        return;  /* every item is answered: the session only ends */
    /* the note tells where it went on: a resume may run on another build */
    j->value[col_item] = (uint32_t)run->current_item + 1;
    j->text[col_note] = build_name();
    write_row(j, event_resumed, j->ms_base);
}

void journal_end(RunState *run)
{
    Journal *j = &run->journal;
    uint32_t answered = (uint32_t)run->current_item, right = 0;
    for (uint32_t i = 0; i < answered; i++)
        right += run->answer_log[i];
    j->text[col_ended_by] = answered >= run->items->count ? "completed" : window_closed() ? "closed" : "esc";
    j->value[col_right_total] = right;
    j->value[col_wrong_total] = answered - right;
    j->value[col_answered] = answered;
    write_row(j, event_session_end, journal_ms(j, clock_ms()));
}
