#include "tools/report/sqlite.h"

namespace report {

Database::Database(const std::string &path, int flags)
{
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError(rc & 0xFF, msg);
    }
    sqlite3_extended_result_codes(db_, 0);
}

Database::~Database()
{
    sqlite3_close(db_);
}

void Database::fail(int code) const
{
    throw SqliteError(code & 0xFF, sqlite3_errmsg(db_));
}

void Database::exec(const char *sql)
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

int64_t Database::int_pragma(const char *name)
{
    Statement st(*this, (std::string("PRAGMA ") + name).c_str());
    return st.step() ? st.int64(0) : 0;
}

Statement::Statement(Database &db, const char *sql) : db_(db)
{
    const int rc = sqlite3_prepare_v2(db.handle(), sql, -1, &st_, nullptr);
    if (rc != SQLITE_OK)
        db.fail(rc);
}

Statement::~Statement()
{
    sqlite3_finalize(st_);
}

Statement &Statement::bind(int i, int64_t v)
{
    const int rc = sqlite3_bind_int64(st_, i, v);
    if (rc != SQLITE_OK)
        db_.fail(rc);
    return *this;
}

Statement &Statement::bind(int i, std::string_view v)
{
    const int rc = sqlite3_bind_text(st_, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        db_.fail(rc);
    return *this;
}

Statement &Statement::bind_null(int i)
{
    const int rc = sqlite3_bind_null(st_, i);
    if (rc != SQLITE_OK)
        db_.fail(rc);
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(st_);
    db_.fail(rc);
}

void Statement::run()
{
    while (step()) {
    }
    reset();
}

void Statement::reset()
{
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

int64_t Statement::int64(int col, int64_t if_null) const
{
    return is_null(col) ? if_null : sqlite3_column_int64(st_, col);
}

std::string Statement::text(int col) const
{
    const unsigned char *t = sqlite3_column_text(st_, col);
    return t ? std::string(reinterpret_cast<const char *>(t), size_t(sqlite3_column_bytes(st_, col))) : std::string();
}

Transaction::Transaction(Database &db) : db_(db)
{
    db_.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (open_)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    db_.exec("COMMIT");
    open_ = false;
}

}  // namespace report
