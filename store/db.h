// The two databases behind one small interface: a connection that runs SQL
// and prepares statements with typed binds and reads. SQL is written once
// with `?` placeholders; everything that differs between SQLite and
// PostgreSQL is in dialect.cpp. Failures throw DbError with a kind the store
// turns into a sentence.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace store {

enum class Dialect { sqlite, postgres };

struct DbError : std::runtime_error {
    enum Kind {
        other, busy, readonly, not_a_database, cannot_open, corrupt, full, constraint,
        connection,      // the server could not be reached or went away
        authentication,  // the server refused the user or password
        no_database      // the server has no database of that name
    };
    DbError(Kind kind_, const std::string &what) : std::runtime_error(what), kind(kind_) {}
    Kind kind;
};

class Statement {
public:
    virtual ~Statement() = default;
    virtual Statement &bind(int i, int64_t v) = 0;  // 1-based, as the `?` are counted
    virtual Statement &bind(int i, std::string_view v) = 0;
    virtual Statement &bind_null(int i) = 0;
    // NULL when `known` is false: optional numbers (unknown cells, times)
    Statement &bind_if(int i, bool known, int64_t v) { return known ? bind(i, v) : bind_null(i); }
    Statement &bind_text_or_null(int i, std::string_view v) { return v.empty() ? bind_null(i) : bind(i, v); }

    virtual bool step() = 0;   // true: a row is ready; false: done
    virtual void run()         // step to the end, then reset for the next binds (pipelined: only sent)
    {
        while (step()) {
        }
        reset();
    }
    virtual void reset() = 0;  // ready for new binds

    virtual bool is_null(int col) const = 0;
    virtual int64_t int64(int col, int64_t if_null = 0) const = 0;
    virtual std::string text(int col) const = 0;
};

class Connection {
public:
    virtual ~Connection() = default;
    virtual Dialect dialect() const = 0;
    virtual void exec(const std::string &sql) = 0;  // one or more statements, no results
    virtual std::unique_ptr<Statement> prepare(const std::string &sql) = 0;
    // A rollback that never throws (for destructors and error paths).
    virtual void rollback_quietly(const char *sql) noexcept = 0;
    // Inside a transaction: statements that return nothing (run(), exec())
    // are only sent, and their outcome is read with the next result wanted
    // or when pipelining stops (which throws the first failure). A batch of
    // sessions then costs a few round trips to a server each, not one a
    // statement. Nothing to gain in-process: SQLite ignores it.
    virtual void set_pipelined(bool) {}
    // Rows in COPY's text form ("1\t2\t\\N\n" ...) into `table (columns)`
    // at once: far less work for a server than INSERTs. PostgreSQL only.
    virtual void copy_in(const std::string &table_and_columns, const std::string &rows) = 0;

    int64_t int_query(const std::string &sql)  // first column of the first row; 0 when none
    {
        auto st = prepare(sql);
        return st->step() ? st->int64(0) : 0;
    }
};

// SQLite: a file path (created when `create`), or PostgreSQL: a
// postgresql:// (or postgres://) connection string.
bool is_postgres_url(std::string_view location);
std::unique_ptr<Connection> open_sqlite(const std::string &path, bool write, bool create, int busy_ms);
std::unique_ptr<Connection> open_postgres(const std::string &url);

// The location as it may be shown: a connection string without its password.
std::string printable_location(const std::string &location);

}  // namespace store
