// Everything in which SQLite and PostgreSQL differ, in one place: column
// types of the schema, starting a write, where the store's mark and version
// live, how to list the tables. The rest of the store's SQL runs on both.
#pragma once

#include "store/db.h"

#include <string>
#include <vector>

namespace store {

// SQL with the dialect's words put in for {id} (the sessions' own key),
// {without_rowid} (a table kept in its key's order) and {c} after a text
// column in ORDER BY (sort by bytes, the same order on both).
std::string dialect_sql(Dialect d, const std::string &sql);

// Starts a write transaction. Writers take turns: SQLite locks the file,
// PostgreSQL takes a transaction-level advisory lock, so that writers
// deciding "is this session new?" never decide it at the same time.
std::string begin_write_sql(Dialect d);

// The store's mark (application id) and schema version; 0 when unmarked.
int64_t read_application_id(Connection &c);
int64_t read_version(Connection &c);
void write_mark(Connection &c, int64_t application_id, int64_t version);

// Tables of any kind in the database (0: a new, empty database).
int64_t count_tables(Connection &c);

// The store's tables as the database's catalog has them (the mark left
// out), each after the tables it refers to; and one table's columns in
// their order. Whatever schema.cpp makes is found here, with no list of
// its own.
std::vector<std::string> table_names(Connection &c);
std::vector<std::string> column_names(Connection &c, const std::string &table);
// Whether a table of the store has that column.
bool has_column(Connection &c, const std::string &table, const std::string &column);

// After rows went in with ids of their own: new rows get ids after them
// (PostgreSQL's identity sequence; SQLite needs nothing).
void after_explicit_ids(Connection &c, const std::string &table, const std::string &column);

// Whether a commit is on the disk when it returns. SQLite in WAL mode:
// FULL, or NORMAL (a power cut may take back the last commits, never half
// of one); PostgreSQL: always (synchronous_commit on).
void set_durable_commits(Connection &c, bool durable);

// A writer that answers requests after each commit keeps the copying of
// SQLite's write-ahead log into the database out of its commits, and keeps
// more pages at hand (its lookups by session go all over the indexes)
// (set_row_writer); it copies the log when no request waits on it
// (checkpoint: passive, durable like a commit). PostgreSQL checkpoints by
// itself: nothing.
void set_row_writer(Connection &c);
void checkpoint(Connection &c);

}  // namespace store
