// A thin RAII layer over the SQLite C API: a connection, prepared
// statements with typed binds and reads. Failures throw SqliteError with
// SQLite's code, so that the store can turn them into messages.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace report {

struct SqliteError : std::runtime_error {
    SqliteError(int code_, const std::string &what) : std::runtime_error(what), code(code_) {}
    int code;  // primary result code (SQLITE_BUSY, SQLITE_NOTADB, ...)
};

class Database {
public:
    Database(const std::string &path, int flags);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void exec(const char *sql);
    int64_t int_pragma(const char *name);  // "PRAGMA name" read as a number
    sqlite3 *handle() const { return db_; }
    [[noreturn]] void fail(int code) const;

private:
    sqlite3 *db_ = nullptr;
};

class Statement {
public:
    Statement(Database &db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int i, int64_t v);
    Statement &bind(int i, std::string_view v);
    Statement &bind_null(int i);
    // NULL when `known` is false: optional numbers (unknown cells, times)
    Statement &bind_if(int i, bool known, int64_t v) { return known ? bind(i, v) : bind_null(i); }
    Statement &bind_text_or_null(int i, std::string_view v) { return v.empty() ? bind_null(i) : bind(i, v); }

    bool step();   // true: a row is ready; false: done
    void run();    // step to the end, then reset for the next binds
    void reset();

    bool is_null(int col) const { return sqlite3_column_type(st_, col) == SQLITE_NULL; }
    int64_t int64(int col, int64_t if_null = 0) const;
    double real(int col) const { return sqlite3_column_double(st_, col); }
    std::string text(int col) const;

private:
    Database &db_;
    sqlite3_stmt *st_ = nullptr;
};

// BEGIN IMMEDIATE now, ROLLBACK unless commit() was called.
class Transaction {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    void commit();

private:
    Database &db_;
    bool open_ = true;
};

}  // namespace report
