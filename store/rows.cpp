// Store's single journal rows (rows.h).
#include "store/db.h"
#include "store/error.h"
#include "store/store.h"
#include "store/unit.h"

#include <openssl/sha.h>


namespace store {

std::string body_sha256(const std::string &body)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char *>(body.data()), body.size(), digest);
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : digest)
        text += {hex[b >> 4], hex[b & 15]};
    return text;
}

RowOutcome keep_row(Connection &db, const std::string &session, int64_t row, const std::string &body)
{
    if (row < 1)
        throw Error("row " + std::to_string(row) + " of session " + session + ": rows are numbered from 1");
    auto kept = db.prepare("SELECT body FROM journal_rows WHERE session = ? AND row_number = ?");
    RowOutcome outcome = RowOutcome::added;
    if (kept->bind(1, session).bind(2, row).step())
        outcome = kept->text(0) == body ? RowOutcome::same : RowOutcome::conflict;
    kept.reset();
    if (outcome == RowOutcome::added)
        db.prepare("INSERT INTO journal_rows (session, row_number, body) VALUES (?, ?, ?)")
            ->bind(1, session).bind(2, row).bind(3, body).run();
    else if (outcome == RowOutcome::conflict)
        db.prepare("INSERT INTO journal_row_conflicts (session, row_number, body_sha256, body) "
                   "VALUES (?, ?, ?, ?) ON CONFLICT DO NOTHING")
            ->bind(1, session).bind(2, row).bind(3, body_sha256(body)).bind(4, body).run();
    return outcome;
}

RowOutcome Store::put_row(const std::string &session, int64_t row, const std::string &body)
{
    try {
        Unit unit(*this);
        const RowOutcome outcome = keep_row(*db_, session, row, body);
        unit.commit();
        return outcome;
    } catch (const DbError &e) {
        translate(e, "adding a row");
    }
}

RowsState Store::rows_state(const std::string &session)
{
    try {
        RowsState st;
        auto q = db_->prepare("SELECT row_number FROM journal_rows WHERE session = ? ORDER BY row_number");
        q->bind(1, session);
        while (q->step()) {
            const int64_t n = q->int64(0);
            if (st.first_missing == 0 && n != st.highest + 1)
                st.first_missing = st.highest + 1;
            st.rows++;
            st.highest = n;
        }
        return st;
    } catch (const DbError &e) {
        translate(e, "reading rows");
    }
}

std::vector<std::string> Store::unread_row_sessions()
{
    try {
        std::vector<std::string> sessions;
        auto q = db_->prepare("SELECT session FROM rows_unread ORDER BY session");
        while (q->step())
            sessions.push_back(q->text(0));
        return sessions;
    } catch (const DbError &e) {
        translate(e, "reading rows");
    }
}

void Store::mark_rows_read(const std::string &session)
{
    try {
        db_->prepare("DELETE FROM rows_unread WHERE session = ?")->bind(1, session).run();
    } catch (const DbError &e) {
        translate(e, "reading rows");
    }
}

std::string Store::journal_text(const std::string &session, const std::string &header)
{
    try {
        std::string text = header;
        auto q = db_->prepare("SELECT row_number, body FROM journal_rows WHERE session = ? ORDER BY row_number");
        q->bind(1, session);
        for (int64_t expected = 1; q->step() && q->int64(0) == expected; expected++)
            text += q->text(1);
        return text;
    } catch (const DbError &e) {
        translate(e, "reading rows");
    }
}

}  // namespace store
