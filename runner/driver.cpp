/* program_main: the whole life of a test run, from the command line to the
** exit status. */
#include "runner/runner.h"
#include "archive/archive.h"
#include "base/decimal.h"
#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

const char error_resources_text[] =
    "Error: not enough memory or error reading resources from \"MERIDOKA.WDL\" file.\n";
const char error_display_text[] = "Error: VGA adapter with at least 640x480 resolution required.\n";

static const char usage_text[] =
    "MERIDOKA " MERIDOKA_VERSION "\n"
    "MERIDOKA [/P:ID] [/R | /R:FILE]\n"
    "  /P:ID    participant ID, 1 to 32 printable ASCII characters\n"
    "  /R       resume the participant's most recent unfinished session\n"
    "  /R:FILE  resume the session of journal FILE\n";

const char *run_message(const RunState *run, int number)
{
    return msg_get(run->messages, run->messages_length, number);
}

void show_error_with(const char *pattern, const char *first, const char *second)
{
    char text[320];
    uint32_t n = 0;
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

/* The options; -1 to go on, else the status to end with (the usage text
** ends the run with 0). */
static int read_options(CommandLine *command)
{
    int verdict = parse_command_line(program_arguments(), command);
    if (verdict == command_ok)
        return -1;
    show_error_with(verdict == command_usage     ? "%"
                    : verdict == command_unknown ? "Error: unknown option %.\n%"
                                                 : "Error: the participant ID % is not 1 to 32 printable ASCII "
                                                   "characters.\n",
                    verdict == command_usage ? usage_text : command->refused, usage_text);
    return verdict == command_usage ? status_ran : status_refused;
}

/* The item on the screen, and its item_shown row once it is visible. */
static void present_item(RunState *run)
{
    show_item(run);
    journal_item_shown(run);
}

static void run_test(RunState *run)
{
    gfx_set_font(run->font, run->font_length);
    if (!run->journal.resumed)
        show_instruction(run);
    show_frame(run);
    while (run->current_item < run->items->count) {
        present_item(run);
        uint8_t key;
        do {
            key = get_key();
            if (key == key_esc)
                return;
        } while (key < key_digit_1 || key > key_digit_9 || !try_answer(run, key - 1));
        run->current_item++;
    }
}

/* The result file, and the message when it or the journal is short of
** answers: status 3 then. */
static int save_results(RunState *run)
{
    int written = write_results(run);
    if (written >= 0 && !run->journal.failed)
        return status_ran;
    const char *journal = run->journal.path, *results = result_file_name();
    if (written < 0 && run->journal.failed)
        show_error_with("Error: cannot write % nor %.\n", journal, results);
    else if (written < 0)
        show_error_with("Error: cannot write %; the answers are in %.\n", results, journal);
    else
        show_error_with("Error: cannot write %; the answers are in %.\n", journal, results);
    return status_not_saved;
}

int program_main(void)
{
    RunState run = {};
    CommandLine command = {};
    int status = read_options(&command);
    if (status >= 0)
        return status;

    run.items = testinfo_load(resource_items);
    run.messages = (uint8_t *)res_load(resource_messages, &run.messages_length);
    run.font = (uint8_t *)res_load(resource_font, &run.font_length);
    run.answer_log = run.items ? (uint8_t *)mem_alloc(run.items->count) : 0;

    status = status_resources;
    Journal *j = &run.journal;
    uint32_t crc;
    if (run.items && run.messages && run.font && run.answer_log && run.items->count > 0 &&
        archive_measure(&j->archive_bytes, &crc)) {
        *format_hex(j->archive_crc32, crc, 8) = 0;
        mem_move(j->participant, command.participant, sizeof j->participant);
        status = command.resume ? journal_reopen(&run, &command) : journal_create(&run);
    }
    if (status == status_ran) {
        if (video_open()) {
            run_test(&run);
            journal_end(&run);
            video_close();
            status = save_results(&run);
        } else {
            journal_discard(&run);
            status = status_display;
        }
    }

    journal_close(&run);
    gfx_set_font(0, 0);
    mem_free(run.answer_log);
    mem_free(run.font);
    mem_free(run.messages);
    testinfo_free(run.items);

    if (status == status_resources)
        show_error(error_resources_text);
    else if (status == status_display)
        show_error(error_display_text);
    return status;
}
