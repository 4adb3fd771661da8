// The SQLite side of db.h: one connection used by one thread.
#include "store/db.h"

#include <sqlite3.h>

namespace store {

namespace {

DbError::Kind kind_of(int code)
{
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return DbError::busy;
    case SQLITE_READONLY: return DbError::readonly;
    case SQLITE_NOTADB: return DbError::not_a_database;
    case SQLITE_CANTOPEN: return DbError::cannot_open;
    case SQLITE_CORRUPT: return DbError::corrupt;
    case SQLITE_FULL: return DbError::full;
    case SQLITE_CONSTRAINT: return DbError::constraint;
    default: return DbError::other;
    }
}

class SqliteConnection;

class SqliteStatement final : public Statement {
public:
    SqliteStatement(sqlite3 *db, const std::string &sql) : db_(db)
    {
        const int rc = sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &st_, nullptr);
        if (rc != SQLITE_OK)
            fail(rc);
    }
    ~SqliteStatement() override { sqlite3_finalize(st_); }
    Statement &bind(int i, int64_t v) override { return check(sqlite3_bind_int64(st_, i, v)); }
    Statement &bind(int i, std::string_view v) override
    {
        return check(sqlite3_bind_text(st_, i, v.data(), int(v.size()), SQLITE_TRANSIENT));
    }
    Statement &bind_null(int i) override { return check(sqlite3_bind_null(st_, i)); }
    bool step() override
    {
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        sqlite3_reset(st_);
        fail(rc);
    }
    void reset() override
    {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    bool is_null(int col) const override { return sqlite3_column_type(st_, col) == SQLITE_NULL; }
    int64_t int64(int col, int64_t if_null) const override
    {
        return is_null(col) ? if_null : sqlite3_column_int64(st_, col);
    }
    std::string text(int col) const override
    {
        const unsigned char *t = sqlite3_column_text(st_, col);
        return t ? std::string(reinterpret_cast<const char *>(t), size_t(sqlite3_column_bytes(st_, col)))
                 : std::string();
    }

private:
    Statement &check(int rc)
    {
        if (rc != SQLITE_OK)
            fail(rc);
        return *this;
    }
    [[noreturn]] void fail(int rc) const { throw DbError(kind_of(rc), sqlite3_errmsg(db_)); }
    sqlite3 *db_;
    sqlite3_stmt *st_ = nullptr;
};

class SqliteConnection final : public Connection {
public:
    SqliteConnection(const std::string &path, int flags)
    {
        const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            const std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close(db_);
            throw DbError(kind_of(rc), msg);
        }
        sqlite3_extended_result_codes(db_, 0);
    }
    ~SqliteConnection() override { sqlite3_close(db_); }
    Dialect dialect() const override { return Dialect::sqlite; }
    void exec(const std::string &sql) override
    {
        const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw DbError(kind_of(rc), sqlite3_errmsg(db_));
    }
    std::unique_ptr<Statement> prepare(const std::string &sql) override
    {
        return std::make_unique<SqliteStatement>(db_, sql);
    }
    void rollback_quietly(const char *sql) noexcept override { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    void copy_in(const std::string &, const std::string &) override
    {
        throw DbError(DbError::other, "COPY is PostgreSQL's");
    }
    sqlite3 *handle() const { return db_; }

private:
    sqlite3 *db_ = nullptr;
};

}  // namespace

std::unique_ptr<Connection> open_sqlite(const std::string &path, bool write, bool create, int busy_ms)
{
    // One connection used by one thread: no SQLite mutexes. Reading opens
    // for writing too where the file allows it (nothing is written), so
    // that the last one to close tidies the WAL files away.
    (void)write;
    const int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    auto c = std::make_unique<SqliteConnection>(path, flags);
    sqlite3_busy_timeout(c->handle(), busy_ms);
    if (write && sqlite3_db_readonly(c->handle(), "main") == 1)
        throw DbError(DbError::readonly, "read-only");
    return c;
}

}  // namespace store
