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
    "  /P:ID    participant ID: 1 to 32 printable ASCII characters\n"
    "  /R       resume the participant's last unfinished session\n"
    "  /R:FILE  resume the session in journal FILE\n";

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

static void run_test(RunState *run)
{
    gfx_set_font(run->font, run->font_length);
    if (!run->journal.resumed)
        show_instruction(run);
    show_frame(run);
    while (run->current_item < run->items->count) {
        show_item(run);
        journal_event(run, event_item_shown, 0, 0);
        uint8_t key;
        do {
            key = get_key();
            if (key == key_esc)
                return;
        } while (key < key_digit_1 || key > key_digit_9 || !try_answer(run, key - 1));
        run->current_item++;
    }
}

/* The result file; status 3 and a message when it or the journal could
** not be written whole. */
static int save_results(RunState *run)
{
    int written = write_results(run), journal_failed = run->journal.failed;
    if (written >= 0 && !journal_failed)
        return status_ran;
    const char *journal = run->journal.path, *results = result_file_name();
    const char *first = written < 0 && !journal_failed ? results : journal;
    show_error_with(written < 0 && journal_failed ? "Error: cannot write % nor %.\n"
                                                  : "Error: cannot write %; the answers are in %.\n",
                    first, first == journal ? results : journal);
    return status_not_saved;
}

int program_main(void)
{
    RunState run = {};
    CommandLine command = {};
    int status = parse_command_line(program_arguments(), &command);
    if (status != command_ok) {
        /* the usage text, asked for or after a refusal */
        show_error_with(status == command_usage ? "%" : "Error: bad option %\n%",
                        status == command_usage ? usage_text : command.refused, usage_text);
        return status == command_usage ? status_ran : status_refused;
    }

    run.items = testinfo_load(resource_items);
    run.messages = (uint8_t *)res_load_text(resource_messages, &run.messages_length);
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
            journal_event(&run, event_session_end, 0, 0);
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
