/* The session rules (session_rules.h). */
#include "runner/session_rules.h"
#include "runner/journal_columns.h"

void session_begin(SessionRules *s)
{
    s->items = s->answered = s->resumes = 0;
    s->end_at = -1;
    s->state = session_none;
    s->interrupted = s->withdrawn = 0;
}

int session_take(SessionRules *s, const SessionRow *row)
{
    int event = row->event, verdict = row_taken;
    if (s->state == session_damaged)
        return row_taken;  /* the first refusal stands */
    if (s->state == session_left && event == event_interrupted) {
        s->state = session_open;  /* the page withdrew that session_end when it resumed */
        s->withdrawn = 1;
    }
    if (s->state == session_ended || s->state == session_left)
        verdict = row_after_end;
    else if (s->state == session_none && event != event_session_start)
        verdict = row_first_not_start;
    else if (s->state == session_none)
        s->items = row->items;
    else if (event < event_item_shown || event >= journal_events)
        verdict = event == event_session_start ? row_second_start : row_unknown_event;
    else if ((event == event_confirmed || event == event_item_timeout) && row->item != s->answered + 1)
        verdict = row_answer_out_of_order;
    else if (event == event_resumed && !s->interrupted)
        verdict = row_resumed_alone;
    if (verdict != row_taken) {
        s->state = session_damaged;
        return verdict;
    }
    s->answered += event == event_confirmed || event == event_item_timeout;
    s->resumes += event == event_resumed;
    s->interrupted = event == event_interrupted || (s->interrupted && event != event_resumed);
    s->state = session_open;
    if (event == event_session_end) {
        s->state = row->closed && s->answered < s->items ? session_left : session_ended;
        s->end_at = row->at;
    }
    return row_taken;
}

int session_partial(SessionRules *s, int last)
{
    if (last || s->state == session_damaged)
        return row_cut;
    s->state = session_damaged;
    return row_not_whole;
}
