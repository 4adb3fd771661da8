// What a collecting server keeps beside the results, in the same store so
// that several server processes on one database act as one: the studies
// (each with its key, archive and open/closed state), which study each
// session belongs to and how far it got, the researchers and their logins,
// rows refused (the quarantine) and an audit log of downloads and
// deletions. Every change is one durable unit of its own; the rows of many
// requests go in together (put_rows).
#pragma once

#include "store/store.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace store {

struct Study {
    std::string key;            // the link's key: 32 lower-case hex digits
    std::string name;
    std::string archive_crc32;  // 8 lower-case hex digits
    int64_t archive_bytes = 0;
    bool open = true;
    int64_t created = 0;        // Unix seconds
};

struct StudyProgress {
    Study study;
    int64_t started = 0, finished = 0, unfinished = 0, last_hour = 0;
};

// One journal row as a participant's page posted it, already checked.
struct ArrivingRow {
    std::string study_key, session, participant, event;
    std::string archive_crc32;  // the row's own column; empty on most rows
    std::string items;          // the row's item count (what session_start claims with its archive)
    std::string study_items;    // the study's archive's item count, as the server read it
    std::string ended_by, right_total, wrong_total, answered;  // session_end's columns
    int64_t row = 0;
    std::string body;
    int64_t now = 0;            // Unix seconds
    int64_t max_rows = 0;       // rows a session may hold
};

enum class Arrival {
    added, same, conflict,      // as RowOutcome: kept once, or kept apart as a conflict
    other_study,                // the session belongs to another study
    wrong_archive,              // the row names another archive than the study's
    wrong_items,                // the row names the study's archive with another item count
    too_many_rows,              // the session holds its limit already
    no_study, closed,           // the link's study is unknown, or closed: nothing kept
    refused                     // the server's own check refused the row: quarantined
};

struct SessionSummary {
    std::string session, participant, ended_by, right_total, wrong_total, answered;
    int64_t first_row = 0, last_row = 0, rows = 0;
};

struct Quarantined {
    int64_t id = 0, received = 0;
    std::string study_key, client, reason, query, body;  // body: as received (may be any bytes)
};

// One request's row on its way in with others (put_rows).
struct RowRequest {
    ArrivingRow row;            // study_key always; the rest filled by the check when `refused` is empty
    std::string refused;        // why the server's check refused the row
    Quarantined quarantine;     // client, query and body as received: kept when the row is refused
    Arrival arrival = Arrival::added;  // put_rows' answer
};

// The sentence a refused row is quarantined with (other_study, wrong_archive, wrong_items).
const char *arrival_reason(Arrival a);

struct AuditEntry {
    int64_t at = 0;
    std::string researcher, action, detail;
};

struct Login {
    std::string researcher, csrf;
};

// A researcher's token for sending files from the lab's own computers. The
// token itself is never kept: its SHA-256 is, and its first 12 hex digits
// name it in lists and when it is revoked.
struct PushToken {
    std::string id, researcher;
    int64_t created = 0;
    int64_t expires = 0, last_used = 0, revoked = 0;  // Unix seconds; 0: never
};

enum class Revoked { now, before, no_such_token };

// A result file a lab computer sent to a study, kept as sent.
struct PushedResult {
    std::string study_key, session, participant, file, bytes;
    int64_t received = 0;
    std::string researcher;
};

class Collector {
public:
    explicit Collector(Store &store);
    ~Collector();  // before its store: it may hold statements prepared on it
    Store &results() { return store_; }  // the store it keeps its tables in

    void add_study(const Study &study, const std::string &archive);
    std::optional<Study> study(const std::string &key);
    std::string archive(const std::string &key);  // the archive's bytes
    bool set_open(const std::string &key, bool open);
    std::vector<StudyProgress> studies(int64_t now);

    // The rows of several requests in one durable unit, in their order (a
    // later row sees the earlier ones): each request's arrival is set, the
    // refused ones quarantined with their reason. Throws StoreError when the
    // unit fails: then nothing of it is kept.
    void put_rows(const std::vector<RowRequest *> &batch);
    // For the one writer of rows: the log's copying into the database kept
    // out of its commits, done by `checkpoint` when no request waits.
    void set_row_writer();
    void checkpoint();
    std::vector<Quarantined> quarantined(int64_t limit);

    std::vector<SessionSummary> sessions(const std::string &study_key);
    // Every row of the study's sessions, by session then row number.
    void each_row(const std::string &study_key,
                  const std::function<void(const std::string &participant, const std::string &session, int64_t row,
                                           const std::string &body)> &take);
    // A participant's sessions of one study forgotten: their rows, conflicts,
    // summaries and result files sent. Returns the sessions removed.
    int64_t forget(const std::string &study_key, const std::string &participant);

    // false: a researcher of that name exists already
    bool add_researcher(const std::string &name, const std::string &password_hash, int64_t now);
    std::optional<std::string> password_hash(const std::string &name);
    void add_login(const std::string &token_sha256, const std::string &researcher, const std::string &csrf,
                   int64_t expires);
    std::optional<Login> login(const std::string &token_sha256, int64_t now);
    void drop_login(const std::string &token_sha256);
    // A token for sending journals (only its hash is kept), valid until
    // `expires` (0: until revoked); false: no such researcher.
    bool add_push_token(const std::string &token_sha256, const std::string &researcher, int64_t now,
                        int64_t expires = 0);
    // The token with this hash, revoked or expired ones too; and noting its use.
    std::optional<PushToken> push_token(const std::string &token_sha256);
    void push_token_used(const std::string &token_sha256, int64_t now);
    std::vector<PushToken> push_tokens();  // oldest first
    // Revokes the token with this id (PushToken::id), written to the audit
    // log in the same unit.
    Revoked revoke_push_token(const std::string &id, int64_t now, const std::string &by);

    // A result file sent to a study, kept once under its session
    // (result_files.h); false: kept before (sent again, or from another
    // computer with the same participant and bytes).
    bool put_result_file(const PushedResult &r);
    std::vector<PushedResult> result_files(const std::string &study_key);  // in the order received

    void audit(int64_t now, const std::string &researcher, const std::string &action, const std::string &detail);
    std::vector<AuditEntry> audit_log(int64_t limit);

private:
    struct RowStatements;
    struct BatchState;
    void look_ahead_from(const std::vector<RowRequest *> &batch, size_t from, BatchState &state);
    Arrival put_one(const ArrivingRow &r, const Study &study, BatchState &state);
    Store &store_;
    std::unique_ptr<RowStatements> rows_;  // prepared once for every batch
};

}  // namespace store
