/*
** Journal files: the name of a new session (one more than the highest
** S???????.CSV in the folder, created only if the name is free), and the
** session to resume (named, or the participant's most recent one without
** a session_end row, or in a browser one whose page was left), checked
** before anything is shown.
*/
#include "runner/runner.h"
#include "archive/archive.h"
#include "base/decimal.h"
#include "base/memory.h"

enum { journal_limit = 10000000, create_tries = 5 };

uint32_t journal_number(const char *name)
{
    if ((name[0] | 0x20) != 's')
        return 0;
    uint32_t n = 0;
    for (int i = 1; i < 8; i++) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        n = n * 10 + (uint32_t)(name[i] - '0');
    }
    return res_name_cmp(name + 8, ".csv", 5) == 0 ? n : 0;
}

struct Search {
    uint32_t below, found;
};

static void consider(const char *name, void *context)
{
    Search *s = (Search *)context;
    uint32_t n = journal_number(name);
    if (n > s->found && n < s->below)
        s->found = n;
}

/* The highest journal number in the folder below `below`, named in path;
** 0 for none. */
static uint32_t highest_below(uint32_t below, char *path)
{
    Search s = {below, 0};
    file_list("S???????.CSV", consider, &s);
    *path = 'S';
    mem_move(format_uint(path + 1, s.found, 7), ".CSV", 5);
    return s.found;
}

static int not_written(const char *where)
{
    show_error_with("cannot write the session journal %; the test was not started.\n", where, 0);
    return status_not_saved;
}

static int journal_create(RunState *run)
{
    Journal *j = &run->journal;
    uint8_t bits[8];
    session_entropy(bits);
    char *p = j->session;
    for (int i = 0; i < 8; i++)
        p = format_hex(p, bits[i], 2);
    *p = 0;
    j->undo_length = -1;
    /* another run may take a name between the listing and the creation */
    uint32_t n = highest_below(journal_limit, j->path);
    for (int tries = 0; !j->file && tries < create_tries && ++n < journal_limit; tries++) {
        format_uint(j->path + 1, n, 7);
        j->file = file_open(j->path, "wx");
    }
    if (j->file && journal_begin(run))
        return status_ran;
    journal_discard(run);
    return not_written("in this folder");
}

/* Opens the participant's most recent journal that can be taken up again
** (its scan not ended).
** A damaged journal that may be theirs (its participant cannot be read)
** is the most recent too: the caller refuses it rather than go back to an
** older session unasked. */
static FileHandle open_latest(Journal *j, const char *participant)
{
    JournalScan scan;
    for (uint32_t n = highest_below(journal_limit, j->path); n; n = highest_below(n, j->path)) {
        FileHandle f = file_open(j->path, "r+");
        if (!f)
            continue;  /* in use by a running session, or unreadable */
        journal_scan(f, &scan, 0, 0);
        int theirs = str_equal(scan.start[scan_participant], participant);
        if ((scan.damaged && (theirs || !scan.start[scan_session][0])) || (!scan.ended && theirs))
            return f;
        file_close(f);
    }
    return 0;
}

static int journal_reopen(RunState *run, const CommandLine *command)
{
    Journal *j = &run->journal;
    mem_move(j->path, command->journal, sizeof j->path);
    if (command->resume == resume_named)
        j->file = file_open(j->path, "r+");
    else if (!(j->file = open_latest(j, command->participant))) {
        const char *who = command->participant[0] ? command->participant : "/R";
        mem_move(j->path, who, str_len(who) + 1);
    }

    JournalScan scan;
    journal_scan(j->file, &scan, run->answer_log, run->items->count);
    const char *why = 0;
    if (!j->file)
        why = command->resume == resume_named ? "it cannot be opened" : "no unfinished session";
    else if (scan.damaged)
        why = "it is damaged";
    else if (scan.ended)
        why = "the session has ended";
    else if (!str_equal(j->archive_crc32, scan.start[scan_archive_crc32]))
        why = "it was made with another MERIDOKA.WDL";
    if (why) {
        show_error_with("cannot resume %: %.\n", j->path, why);
        return status_refused;
    }

    if (scan.rules.state == session_left)
        scan.kept = scan.rules.end_at;  /* the left page's session_end goes */
    mem_move(j->session, scan.start[scan_session], 2 * participant_size);  /* and the participant */
    j->length = j->undo_length = scan.kept;
    j->ms_base = scan.last_ms;
    j->resumed = 1;
    run->current_item = (int)scan.answered;
    run->test_start_ms = scan.first_shown_ms;  /* the time used goes on counting */
    /* a cut last row is never trusted: it goes before anything is added */
    j->failed = file_truncate(j->file, scan.kept) != 0;
    journal_resume(run, scan.cut);
    return j->failed ? not_written(j->path) : status_ran;
}

/* The archive's size and CRC as the journal writes them: 0 when it cannot
** be read. */
static int measure(Journal *j)
{
    uint32_t crc;
    if (!archive_measure(&j->archive_bytes, &crc))
        return 0;
    *format_hex(j->archive_crc32, crc, 8) = 0;
    return 1;
}

int journal_unfinished(RunState *run, const char *participant, JournalScan *scan)
{
    Journal *j = &run->journal;
    FileHandle f = measure(j) ? open_latest(j, participant) : 0;
    if (!f)
        return 0;
    journal_scan(f, scan, 0, 0);
    file_close(f);
    return !scan->damaged && !scan->ended && str_equal(j->archive_crc32, scan->start[scan_archive_crc32]);
}

int journal_open(RunState *run, const CommandLine *command)
{
    Journal *j = &run->journal;
    if (!measure(j))
        return status_resources;
    mem_move(j->participant, command->participant, sizeof j->participant);
    return command->resume ? journal_reopen(run, command) : journal_create(run);
}

/* Only a file this run opened is touched: a name that could not be taken
** may be another session's journal. */
void journal_discard(RunState *run)
{
    Journal *j = &run->journal;
    if (!j->file)
        return;
    if (j->undo_length >= 0) {
        file_truncate(j->file, j->undo_length);
        return;
    }
    file_close(j->file);
    j->file = 0;
    file_delete(j->path);
}

void journal_close(RunState *run)
{
    file_close(run->journal.file);
    run->journal.file = 0;
}
