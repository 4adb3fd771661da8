#include "report/journal.h"

#include "report/csv.h"
#include "report/error.h"
#include "report/fields.h"
#include "report/journal_format.h"

#include "runner/session_rules.h"

#include <algorithm>
#include <cstdio>

namespace report {

bool is_journal_name(std::string_view name)
{
    if (name.size() != 12 || (name[0] != 'S' && name[0] != 's'))
        return false;
    for (size_t i = 1; i < 8; i++)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return name[8] == '.' && (name[9] | 0x20) == 'c' && (name[10] | 0x20) == 's' && (name[11] | 0x20) == 'v';
}

bool looks_like_journal(std::string_view bytes)
{
    if (bytes.substr(0, utf8_bom.size()) == utf8_bom)
        bytes.remove_prefix(utf8_bom.size());
    return bytes.substr(0, 27) == "session,participant,event,m";
}

namespace {

struct ItemState {
    bool confirmed = false;
    int previews = 0;
    int refusals = 0;
    ItemSeen seen;
};

// Reads the rows one by one; every check names the row's line.
class JournalParser {
public:
    JournalParser(const std::string &file, std::vector<std::string> &warnings) : file_(file), warnings_(warnings) {}
    Session parse(std::string_view bytes);

private:
    [[noreturn]] void fail(const std::string &what) const { throw Error(where(file_, line_) + what); }
    std::string_view field(Column c) const { return (*row_)[c]; }
    int64_t number(Column c, int64_t lo, int64_t hi) const;
    int optional_number(Column c, int lo, int hi) const;  // 0 when empty
    void check_common();
    void check_encoding(std::string_view bytes);
    void start();
    void item_event(std::string_view event);
    void end();
    void follow_rules(std::string_view event, size_t at);

    const std::string &file_;
    std::vector<std::string> &warnings_;
    const std::vector<std::string_view> *row_ = nullptr;
    int line_ = 0;
    Session s_;
    std::vector<ItemState> state_;
    int current_ = 0;  // the item on screen
    int timed_out_ = 0;  // items closed by their own time limit (item_timeout)
    int64_t last_ms_ = 0;
    int64_t ms_before_end_ = 0;  // a session_end the page withdraws on resuming: its time is taken back too
    SessionRules rules_;  // what the rows make of the session (runner/session_rules.h)
};

int64_t JournalParser::number(Column c, int64_t lo, int64_t hi) const
{
    int64_t v = 0;
    if (!parse_int(field(c), v))
        fail(std::string(column_names[c]) + " '" + std::string(field(c)) + "' is not a number");
    if (v < lo || v > hi)
        fail(std::string(column_names[c]) + " " + std::to_string(v) + " is not in " + std::to_string(lo) + ".." +
             std::to_string(hi));
    return v;
}

int JournalParser::optional_number(Column c, int lo, int hi) const
{
    return field(c).empty() ? 0 : int(number(c, lo, hi));
}

void JournalParser::check_common()
{
    if (field(col_session) != s_.session_id)
        fail("session '" + std::string(field(col_session)) + "' differs from the first row's " + s_.session_id);
    if (field(col_participant) != s_.participant)
        fail("participant '" + std::string(field(col_participant)) + "' differs from the first row's");
    const int64_t ms = number(col_ms, 0, INT64_MAX / 2);
    if (ms < last_ms_)
        fail("ms " + std::to_string(ms) + " goes back (the row before says " + std::to_string(last_ms_) + ")");
    last_ms_ = ms;
    if (!is_local_time(field(col_local_time)))
        fail("local_time '" + std::string(field(col_local_time)) + "' is not YYYY-MM-DDThh:mm:ss");
    s_.last_time = field(col_local_time);
}

// The session rules every reader of a journal follows; each refusal named.
void JournalParser::follow_rules(std::string_view event, size_t at)
{
    SessionRow r{};
    while (r.event < journal_events && event != event_name(JournalEvent(r.event)))
        r.event++;
    if (r.event == event_session_start)
        r.items = uint32_t(number(col_items, 1, 65535));
    if ((r.event == event_confirmed || r.event == event_item_timeout) && s_.journal_rows > 0)
        r.item = uint32_t(number(col_item, 1, s_.items));
    r.closed = field(col_ended_by) == "closed";
    r.at = int32_t(std::min<size_t>(at, INT32_MAX));
    const bool left = rules_.state == session_left;
    if (r.event == event_session_end)
        ms_before_end_ = last_ms_;
    switch (session_take(&rules_, &r)) {
    case row_taken:
        break;
    case row_first_not_start:
        fail("the first row is '" + std::string(event) + "', not session_start");
    case row_second_start:
        fail("a second session_start");
    case row_unknown_event:
        fail("unknown event '" + std::string(event) + "'");
    case row_answer_out_of_order:
        fail("item " + std::to_string(r.item) + (r.event == event_item_timeout ? " timed out " : " confirmed ") +
             (r.item <= rules_.answered ? std::string("a second time")
                                        : "before item " + std::to_string(rules_.answered + 1)));
    case row_resumed_alone:
        fail("session_resumed without session_interrupted before it");
    default:
        fail("a row after session_end");
    }
    if (left && rules_.withdrawn) {
        last_ms_ = ms_before_end_;  // the resumed page goes on from the last row before that end
        s_.note += std::string(s_.note.empty() ? "" : "; ") + "a session_end (closed) withdrawn on resuming";
    }
}

// A journal must be UTF-8, as the runner writes it. One re-saved by a
// spreadsheet program comes back in the PC's code page (Windows-1251 on a
// Russian Windows): its texts would enter the store as other bytes.
void JournalParser::check_encoding(std::string_view bytes)
{
    // a cut last row may end inside a character: it is dropped anyway
    const size_t bad = invalid_utf8_at(bytes.substr(0, bytes.rfind('\n') + 1));
    if (bad == std::string_view::npos)
        return;
    line_ = 1 + int(std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(bad), '\n'));
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", unsigned(static_cast<unsigned char>(bytes[bad])));
    fail(std::string("not UTF-8 (byte ") + byte + "), so not as the runner wrote it: the journal was most likely "
         "opened and saved again by a spreadsheet program, which wrote it in the PC's code page (Windows-1251 on a "
         "Russian Windows). Add the original file from the test PC (or its backup) instead; the file was not "
         "added");
}

void JournalParser::start()
{
    const std::string_view id = field(col_session);
    if (!is_lower_hex(id, 16))
        fail("session '" + std::string(id) + "' is not 16 lower-case hex digits");
    s_.session_id = id;
    s_.participant = field(col_participant);
    if (!is_participant_id(s_.participant))
        fail("participant '" + s_.participant + "' is not 1 to 32 printable ASCII characters");
    s_.program = field(col_program);
    s_.version = field(col_version);
    s_.build = field(col_build);
    s_.archive_bytes = number(col_archive_bytes, 12, INT64_MAX / 2);
    if (!is_lower_hex(field(col_archive_crc32), 8))
        fail("archive_crc32 '" + std::string(field(col_archive_crc32)) + "' is not 8 lower-case hex digits");
    s_.archive_crc32 = field(col_archive_crc32);
    s_.items = int(number(col_items, 1, 65535));
    s_.clock = field(col_clock);
    s_.clock_resolution_us = number(col_clock_resolution_us, 1, INT64_MAX / 2);
    s_.started = field(col_local_time);
    state_.assign(size_t(s_.items) + 1, ItemState{});
}

void JournalParser::item_event(std::string_view event)
{
    const int item = int(number(col_item, 1, s_.items));
    ItemState &st = state_[size_t(item)];
    if (event == event_name(event_resumed)) {
        if (st.confirmed)
            fail("resumed at item " + std::to_string(item) + ", which is already answered");
        s_.resumes++;
        current_ = 0;
        return;
    }
    if (event == event_name(event_item_timeout) || event == event_name(event_time_up)) {
        // time_up may follow a resume at once (no time was left): no item shown then
        if (item != current_ && event == event_name(event_item_timeout))
            fail(std::string(event) + " for item " + std::to_string(item) + ", which is not shown");
        st.confirmed = event == event_name(event_item_timeout);  // closed: not shown again
        timed_out_ += st.confirmed;
        current_ = 0;
        return;
    }
    if (event == event_name(event_item_shown)) {
        if (st.confirmed)
            fail("item " + std::to_string(item) + " shown again after it was answered");
        current_ = item;
        st.seen.item = item;
        if (st.seen.text.empty())
            st.seen.text = field(col_item_text);
        return;
    }
    if (item != current_)
        fail(std::string(event) + " for item " + std::to_string(item) + ", but " +
             (current_ ? "item " + std::to_string(current_) + " is shown" : std::string("no item is shown")));
    const int digit = int(number(col_digit, 1, 9));
    const int cell = int(number(col_cell, 1, 9));
    ItemSeen &it = st.seen;
    it.item = item;
    it.cells |= uint16_t(1u << (cell - 1));
    if (event == event_name(event_previewed)) {
        st.previews++;
        return;
    }
    if (event == event_name(event_withdrawn)) {
        number(col_key, 0, 255);
        return;
    }
    const int correct = optional_number(col_correct_cell, 1, 9);
    const bool right = number(col_right, 0, 1) == 1;
    const int64_t rt = number(col_rt_ms, 0, INT64_MAX / 2);
    const int64_t first = number(col_first_digit_ms, 0, INT64_MAX / 2);
    if (correct) {
        it.correct_cell = correct;
        it.cells |= uint16_t(1u << (correct - 1));
        if (right != (cell == correct))
            fail("right is " + std::to_string(int(right)) + ", but cell " + std::to_string(cell) +
                 (right ? " is not" : " is") + " the correct cell " + std::to_string(correct));
    }
    if (first > rt)
        fail("first_digit_ms " + std::to_string(first) + " comes after rt_ms " + std::to_string(rt));
    if (event == event_name(event_refused)) {
        if (item > training_items)
            fail("answer_refused on item " + std::to_string(item) + "; only training items 1-3 refuse answers");
        if (right)
            fail("answer_refused with right = 1");
        st.refusals++;
        return;
    }
    // answer_confirmed (in order: the session rules)
    if (item <= training_items && !right)
        fail("a wrong answer confirmed on training item " + std::to_string(item));
    st.confirmed = true;
    s_.responses.push_back(Response{item, right, digit, cell, correct, rt, first, st.previews, st.refusals});
    current_ = 0;
}

void JournalParser::end()
{
    const std::string_view by = field(col_ended_by);
    if (by != "completed" && by != "esc" && by != "closed" && by != "time_limit")
        fail("ended_by '" + std::string(by) + "' is not completed, esc, closed or time_limit");
    s_.ended_by = by;
    const int64_t right = number(col_right_total, 0, s_.items);
    const int64_t wrong = number(col_wrong_total, 0, s_.items);
    const int64_t answered = number(col_answered, 0, s_.items);
    if (right != s_.right_total() || wrong != s_.wrong_total() || answered != int64_t(s_.responses.size()))
        fail("session_end totals " + std::to_string(right) + "(+) " + std::to_string(wrong) + "(-) " +
             std::to_string(answered) + " answered disagree with the answers above: " +
             std::to_string(s_.right_total()) + "(+) " + std::to_string(s_.wrong_total()) + "(-) " +
             std::to_string(s_.responses.size()));
    if (by == "completed" && answered + timed_out_ != s_.items)
        fail("ended_by completed, but only " + std::to_string(answered) + " of " + std::to_string(s_.items) +
             " items are answered" + (timed_out_ ? " and " + std::to_string(timed_out_) + " timed out" : ""));
}

Session JournalParser::parse(std::string_view bytes)
{
    if (bytes.substr(0, utf8_bom.size()) == utf8_bom)
        bytes.remove_prefix(utf8_bom.size());
    CsvReader reader(bytes);
    CsvRow row;
    line_ = 1;
    if (!reader.next(row) || !row.ended || row.fields.size() != column_count ||
        !std::equal(row.fields.begin(), row.fields.end(), column_names.begin()))
        fail(row.fields.size() > 1 ? "a CSV file, but not a session journal: its first line is not the journal's "
                                     "header (session,participant,event,...)"
                                   : "not a session journal (no journal header on the first line)");
    check_encoding(bytes);
    s_.source = "journal";
    s_.file = file_;
    session_begin(&rules_);
    while (reader.next(row)) {
        line_ = row.line;
        const bool last = row.end == bytes.size();
        if (row.fields.size() != column_count || row.bad_quote || !row.ended) {
            if (session_partial(&rules_, last) == row_cut) {
                warnings_.push_back(where(file_, line_) + "cut last row of " + std::to_string(row.end - row.begin) +
                                    " bytes dropped (the session stopped while writing it)");
                s_.note = "cut last row of " + std::to_string(row.end - row.begin) + " bytes dropped";
                break;
            }
            if (row.bad_quote)
                fail("a quote out of place (column " + std::to_string(row.fields.size()) + ")");
            fail(std::to_string(row.fields.size()) + " fields; a journal row has " + std::to_string(column_count));
        }
        row_ = &row.fields;
        const std::string_view event = field(col_event);
        follow_rules(event, row.begin);
        if (s_.journal_rows == 0)
            start();
        check_common();
        s_.journal_rows++;
        if (event == event_name(event_session_start))
            continue;
        if (event == event_name(event_item_shown) || event == event_name(event_previewed) || event == event_name(event_withdrawn) ||
            event == event_name(event_refused) || event == event_name(event_confirmed) || event == event_name(event_resumed) ||
            event == event_name(event_item_timeout) || event == event_name(event_time_up))
            item_event(event);
        else if (event == event_name(event_session_end))
            end();
    }
    if (s_.journal_rows == 0)
        fail("no session_start row: the journal holds no session");
    if (rules_.state == session_open)
        s_.ended_by = "unfinished";
    s_.total_ms = last_ms_;
    std::sort(s_.responses.begin(), s_.responses.end(),
              [](const Response &a, const Response &b) { return a.item < b.item; });
    for (ItemState &st : state_)
        if (st.seen.item)
            s_.items_seen.push_back(std::move(st.seen));
    return std::move(s_);
}

}  // namespace

Session parse_journal(std::string_view bytes, const std::string &file, std::vector<std::string> &warnings)
{
    return JournalParser(file, warnings).parse(bytes);
}

}  // namespace report
