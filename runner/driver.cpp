/* program_main: the whole life of a test run, from the command line to the
** exit status. */
#include "runner/runner.h"
#include "archive/archive.h"
#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

const char error_resources_text[] =
    "Error: not enough memory or error reading resources from \"MERIDOKA.WDL\" file.\n";
const char error_display_text[] = "Error: VGA adapter with at least 640x480 resolution required.\n";

static const char usage_text[] =
    "MERIDOKA " MERIDOKA_VERSION " [/P:ID] [/R | /R:FILE] [/T:MIN]\n"
    " /P:ID   participant ID, 1-32 printable ASCII characters\n"
    " /R      resume the participant's last unfinished session\n"
    " /R:FILE resume the session of journal FILE\n"
    " /T:MIN  time limit for the test, 1-600 minutes\n";

static const char cannot_write[] = "cannot write %; the answers are in %.\n";

/* The items from the current one on, until the last is closed, Esc, or
** the test's time is up (a time_up row; the item on the screen stays
** unanswered). An item whose own time runs out closes unanswered. */
static void run_test(RunState *run)
{
    if (!run->journal.resumed)
        show_instruction(run);
    show_frame(run);
    while (run->current_item < run->items->count) {
        if (test_time_up(run)) {  /* a session resumed with no time left */
            run->timed_out = timeout_test;
            run->timed_out_at = clock_ms();
            break;
        }
        show_item(run);
        video_wait_shown();  /* the item's time starts when it is on the screen */
        journal_event(run, event_item_shown, 0, 0);
        if (run->test_start_ms == no_value)
            run->test_start_ms = run->journal.shown_ms;
        uint8_t key;
        do {
            key = timed_key(run);
            if (key == key_esc)
                return;
        } while ((key < key_digit_1 || key > key_digit_9 || !try_answer(run, key - 1)) && !run->timed_out);
        if (run->timed_out == timeout_test)
            break;
        if (run->timed_out) {
            run->answer_log[run->current_item] = logged_timed_out;
            journal_event(run, event_item_timeout, 0, 0);
        }
        run->current_item++;
    }
    if (run->timed_out == timeout_test)
        journal_event(run, event_time_up, 0, 0);
}

/* The result file; status 3 and a message naming the file that could not
** be written and the one that holds the answers. */
static int save_results(RunState *run)
{
    const char *journal = run->journal.path, *results = result_file_name();
    if (write_results(run) < 0)
        show_error_with(cannot_write, results, journal);
    else if (run->journal.failed)
        show_error_with(cannot_write, journal, results);
    else
        return status_ran;
    return status_not_saved;
}

int program_main(void)
{
    /* Static, cleared for every run: the 16-bit build then reaches their
    ** fields at fixed addresses, with much shorter instructions. */
    static RunState run;
    static CommandLine command;
    run = RunState();
    command = CommandLine();
    int status = parse_command_line(program_arguments(), &command);
    if (status != command_ok) {
        /* the usage text, asked for or after a refusal */
        int usage = status == command_usage;
        if (usage)
            show_error(usage_text);
        else
            show_error_with("bad option %\n%", command.refused, usage_text);
        return usage ? status_ran : status_refused;
    }

    run.items = testinfo_load(resource_items);
    run.messages = (uint8_t *)res_load_text(resource_messages, &run.messages_length);
    run.font = (uint8_t *)res_load(resource_font, &run.font_length);
    run.answer_log = run.items ? (uint8_t *)mem_alloc(run.items->count) : 0;
    gfx_set_font(run.font, run.font_length);

    status = status_resources;
    if (run.items && run.messages && run.font && run.answer_log && run.items->count > 0 &&
        settings_load(&run.admin))
        status = administer(&run, &command);
    limits_set(&run, &command);
    if (status == status_ran)
        status = journal_open(&run, &command);
    if (status != status_ran)
        video_close();  /* the screens before the session opened it */
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
    return status == status_left ? status_ran : status;
}
