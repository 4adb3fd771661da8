/*
** The core's own rules, for the page to ask before a run (web/page/core.js),
** on a module that runs no program: whether the file MERIDOKA.WDL in the
** working folder is an archive and whether its texts are Russian, whether
** the options the page would give are refused, the journal's header row,
** what a journal's rows make of its session.
** The page keeps no copy of these formats.
*/
#include "archive/archive.h"
#include "archive/settings.h"
#include "archive/testinfo.h"
#include "base/cp866.h"
#include "base/memory.h"
#include "platform/platform.h"
#include "runner/command_line.h"
#include "runner/journal.h"
#include "web/web.h"

/* 1 when the first bytes of MERIDOKA.WDL begin an archive; no more of the
** file is read, however large. */
int web_archive_header(void)
{
    uint8_t header[archive_header_size];
    FileHandle f = archive_open(header);
    if (f)
        file_close(f);
    return f != 0;
}

/* A Cyrillic letter of CP866 is one of U+0400..U+04FF: its UTF-8 form is
** two bytes led by 0xD0..0xD3. */
static int cyrillic(const char *text)
{
    for (; text && *text; text++) {
        char utf8[3];
        if (cp866_to_utf8(utf8, (uint8_t)*text) - utf8 == 2 && (uint8_t)utf8[0] >= 0xD0 && (uint8_t)utf8[0] <= 0xD3)
            return 1;
    }
    return 0;
}

/* 1 when a text of the archive's messages, or its instruction, holds a
** Cyrillic letter: the test is in Russian. */
int web_archive_cyrillic(void)
{
    uint32_t length = 0;
    uint8_t *messages = (uint8_t *)res_load_text(resource_messages, &length);
    int found = 0;
    const char *text;
    for (int n = 0; !found && (text = msg_get(messages, length, n)) != 0; n++)
        found = cyrillic(text);
    mem_free(messages);
    char *instruction = (char *)res_load_text(resource_instruction, 0);
    found = found || cyrillic(instruction);
    mem_free(instruction);
    return found;
}

/* 1 when the archive's administration settings offer to resume a session
** cut short: the program makes that offer itself, after the ID is known. */
int web_archive_offers_resume(void)
{
    AdminSettings settings;
    return settings_load(&settings) && settings.offer_resume;
}

/* 1 when the program would refuse the options the page gives it (the
** platform's program_arguments: a participant ID that breaks the rule). */
int web_options_refused(void)
{
    CommandLine options;
    mem_fill(&options, 0, sizeof options);
    return parse_command_line(program_arguments(), &options) == command_refused;
}

/* The journal's byte-order mark and header row, CR LF included. */
const char *web_journal_header(void) { return journal_header; }

/* The last journal judged: kept for the questions that follow. */
static JournalScan judged;

int web_journal_judge(void)
{
    mem_fill(&judged, 0, sizeof judged);
    FileHandle f = file_open("JOURNAL.CSV", "rb");
    if (!f)
        return session_damaged;
    journal_scan(f, &judged, 0, 0);
    file_close(f);
    return judged.damaged ? session_damaged : judged.rules.state;
}

int32_t web_journal_number(int which)
{
    const SessionRules *r = &judged.rules;
    return which == 0 ? (int32_t)r->answered : which == 1 ? (int32_t)r->items : r->end_at;
}

const char *web_journal_start(int which)
{
    return which >= 0 && which < scan_texts ? judged.start[which] : "";
}
