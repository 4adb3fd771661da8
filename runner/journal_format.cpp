/* The journal's fixed texts, shared by the writer and the reader. */
#include "runner/journal_columns.h"

const char journal_header[] =
    "\xEF\xBB\xBFsession,participant,event,ms,local_time,item,digit,cell,correct_cell,right,rt_ms,"
    "first_digit_ms,key,item_text,program,version,build,archive_bytes,archive_crc32,items,clock,"
    "clock_resolution_us,ended_by,right_total,wrong_total,answered,note\r\n";

const char *const journal_event_names[] = {
    "session_start", "item_shown", "answer_previewed", "preview_withdrawn", "answer_refused",
    "answer_confirmed", "session_interrupted", "session_resumed", "session_end",
    "time_up", "item_timeout"};
