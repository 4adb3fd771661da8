// What the store keeps, as plain records: a test (archive) and its items,
// and one session, whether it came from a session journal or from a plain
// result file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace store {

// Training items: the first three; a wrong answer is refused there, so a
// confirmed answer is always right and says nothing about the person.
inline constexpr int training_items = 3;

struct Response {      // one answered (confirmed) item
    int item = 0;      // 1-based, in test order
    bool right = false;
    int digit = 0;          // 0: not known (result files)
    int cell = 0;           // answer cell chosen, 1..9; 0: not known
    int correct_cell = 0;   // 0: not known
    int64_t rt_ms = -1;           // -1: not known
    int64_t first_digit_ms = -1;  // -1: not known
    int previews = 0;       // answers previewed on the item (answer_previewed rows)
    int refusals = 0;       // wrong answers refused (training items)
};

struct ItemSeen {      // what a session tells about an item of its test
    int item = 0;
    std::string text;       // UTF-8; empty: not known
    uint16_t cells = 0;     // answer cells seen to be present (bit c-1: cell c)
    int correct_cell = 0;   // 0: not known
};

struct Session {
    std::string session_id;     // 16 lower-case hex digits
    std::string archive_crc32;  // 8 lower-case hex digits: the test it belongs to
    int64_t archive_bytes = -1;
    int items = 0;              // items in the test
    std::string participant;
    std::string source;         // "journal" or "result_file"
    std::string file;           // where it was read from
    std::string program, version, build, clock;
    int64_t clock_resolution_us = -1;
    std::string started;        // local time of session_start; empty for result files
    std::string last_time;      // local time of the last row
    std::string ended_by;       // completed, esc, closed, time_limit; unfinished; stopped (result file)
    int64_t total_ms = -1;      // ms of the last row
    int journal_rows = 0;       // rows kept (0 for result files): a longer copy wins
    int resumes = 0;
    std::string note;           // what was dropped, how the test was found
    std::vector<Response> responses;  // in item order
    std::vector<ItemSeen> items_seen;

    int right_total() const;
    int wrong_total() const;
    // Items whose time ran out unanswered: after a time limit ended the
    // session (or in a completed one), every item without an answer; else
    // those without one before the last answered.
    int not_reached() const;
    // The result file's marks of the answered items: '+' or '-' each.
    std::string marks() const;
};

// A test archive (MERIDOKA.WDL) as the store needs it: its identity (CRC-32
// and size, as the journals name it) and its item table.
struct TestDefinition {
    std::string archive_crc32;   // 8 lower-case hex digits
    int64_t archive_bytes = 0;
    std::vector<ItemSeen> items;  // every item: text, present cells, correct cell
};

// Everything the analysis needs about one test (one archive).
struct TestData {
    std::string archive_crc32;
    int64_t archive_bytes = -1;
    int items = 0;
    bool from_archive = false;         // item table read from MERIDOKA.WDL itself
    std::vector<ItemSeen> item_info;   // items[0..items-1]: what is known of each
    std::vector<Session> sessions;     // by start time, then session ID
};

}  // namespace store
