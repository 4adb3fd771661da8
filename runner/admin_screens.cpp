/*
** Before the session: the ID screen and the offer to resume. Keys count by
** their place on the keyboard (scan codes), so every layout types the same
** ID: letters as capitals, digits, and the marks typed without Shift.
*/
#include "runner/runner.h"
#include "runner/layout.h"
#include "base/decimal.h"
#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

/* The character of scan codes 2 (the main row's 1) to 53 (/), or 0. */
static const char key_chars[] = "1234567890-=\0\0QWERTYUIOP[]\0\0ASDFGHJKL;'`\0\\ZXCVBNM,./";
enum { first_char_key = 2, last_char_key = 53 };

char scan_char(uint8_t key)
{
    return key >= first_char_key && key <= last_char_key ? key_chars[key - first_char_key] : 0;
}

/* Texts for an archive whose message table lacks the screens' own. */
static const char *const builtin_texts[] = {
    "Participant ID:", "Type the ID, then Enter. Esc: end.", "This ID has an unfinished session:",
    "Reached item", "Started", "1: continue it, 2: new session, Esc: end."};

static const char *admin_text(const RunState *run, int number)
{
    const char *text = run_message(run, number);
    return text ? text : builtin_texts[number - msg_id_prompt];
}

/* Line `row` of the screen: a label, a space and a value (cut to fit). */
static void text_line(int row, const char *label, const char *value)
{
    char line[screen_width / 8 + 1];
    uint32_t n = 0;
    for (const char *p = label; *p && n + 1 < sizeof line; p++)
        line[n++] = *p;
    if (value && n + 1 < sizeof line)
        line[n++] = ' ';
    for (const char *p = value; p && *p && n + 1 < sizeof line; p++)
        line[n++] = *p;
    line[n] = 0;
    int y = instruction_y + row * admin_line_pitch;
    gfx_set_colour(1);
    gfx_bar(0, y, screen_width - 1, y + 7);
    gfx_set_colour(0);
    gfx_text_left(instruction_x, y, line);
}

static void admin_screen(const RunState *run, int first, int keys)
{
    white_screen();
    gfx_text_left(instruction_x, instruction_y, admin_text(run, first));
    gfx_text_centred(0, press_key_y, press_key_width, admin_text(run, keys));
}

/* The ID as typed, with a cursor after it, into participant: 1 entered,
** 0 Esc. */
static int ask_participant(const RunState *run, char *participant)
{
    const AdminSettings *s = &run->admin;
    char id[participant_size + 1];
    uint32_t n = 0;
    admin_screen(run, msg_id_prompt, msg_id_keys);
    for (;;) {
        id[n] = '_';
        id[n + 1] = 0;
        text_line(1, id, 0);
        id[n] = 0;
        uint8_t key = get_key();
        char c = scan_char(key);
        if (key == key_esc)
            return 0;
        if (key == key_enter && (n || s->ask_id != admin_ask_required)) {
            mem_move(participant, id, n + 1);
            return 1;
        }
        if (key == key_backspace && n)
            n--;
        else if (c && n < s->id_length && settings_allow(s, c))
            id[n++] = c;
    }
}

/* The offer for the session in run->journal.path: 1 resume it, 2 a new
** session, 0 Esc. */
static int offer(const RunState *run, const char *participant, JournalScan *scan)
{
    char reached[12], *end;
    uint32_t item = scan->answered < run->items->count ? scan->answered + 1 : run->items->count;
    end = format_uint(reached, item, 1);
    *end++ = '/';
    *format_uint(end, run->items->count, 1) = 0;
    char *started = scan->start[scan_started];
    if (started[10] == 'T')
        started[10] = ' ';
    admin_screen(run, msg_resume_heading, msg_resume_keys);
    text_line(1, participant, 0);
    text_line(2, admin_text(run, msg_resume_item), reached);
    text_line(3, admin_text(run, msg_resume_started), started);
    for (;;) {
        uint8_t key = get_key();
        if (key == key_esc)
            return 0;
        if (key == key_digit_1 || key == key_digit_2)
            return key - 1;
    }
}

int administer(RunState *run, CommandLine *command)
{
    const AdminSettings *s = &run->admin;
    JournalScan scan;
    int ask = s->ask_id != admin_ask_no && !command->participant[0] && command->resume != resume_named;
    int resumable = 0;
    if (ask) {
        if (!video_open())
            return status_display;
        if (!ask_participant(run, command->participant))
            return status_left;
    }
    if (s->offer_resume && command->resume == resume_none)
        resumable = journal_unfinished(run, command->participant, &scan);
    if (resumable) {
        if (!video_open())
            return status_display;
        int answer = offer(run, command->participant, &scan);
        if (!answer)
            return status_left;
        if (answer == 1) {
            mem_move(command->journal, run->journal.path, sizeof command->journal);
            command->resume = resume_named;
        }
    }
    return status_ran;
}
