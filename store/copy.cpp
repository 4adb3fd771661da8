#include "store/copy.h"

#include "store/db.h"
#include "store/dialect.h"
#include "store/error.h"

namespace store {

namespace {

struct Table {
    const char *name;
    const char *columns;
    const char *key;  // the order both stores are read in
    int count;
};

// Every table of the schema (schema.cpp), parents before children.
const Table tables[] = {
    {"tests", "archive_crc32, archive_bytes, items, from_archive", "archive_crc32{c}", 4},
    {"test_items", "archive_crc32, item, text, cells, correct_cell", "archive_crc32{c}, item", 5},
    {"sessions",
     "id, session, archive_crc32, participant, source, file, journal_rows, program, version, build, clock, "
     "clock_resolution_us, started, last_time, ended_by, total_ms, resumes, note, answered, right_total, "
     "wrong_total, marks",
     "id", 22},
    {"journal_rows", "session, row_number, body", "session{c}, row_number", 3},
    {"journal_row_conflicts", "session, row_number, body_sha256, body", "session{c}, row_number, body_sha256{c}", 4},
    {"responses", "session_ref, item, \"right\", digit, cell, correct_cell, rt_ms, first_digit_ms, previews, refusals",
     "session_ref, item", 10},
    {"attribute_columns", "name, type, position", "name{c}", 3},
    {"participant_attributes", "participant, name, value", "participant{c}, name{c}", 3},
};

const Table &table_named(const std::string &name)
{
    for (const Table &t : tables)
        if (name == t.name)
            return t;
    throw Error("no table " + name + " in a results store");
}

std::string select_sql(Connection &c, const Table &t)
{
    return dialect_sql(c.dialect(), std::string("SELECT ") + t.columns + " FROM " + t.name + " ORDER BY " + t.key);
}

}  // namespace

std::vector<std::string> table_rows(Store &s, const std::string &table)
{
    const Table &t = table_named(table);
    std::vector<std::string> rows;
    auto st = s.connection().prepare(select_sql(s.connection(), t));
    while (st->step()) {
        std::string line;
        for (int i = 0; i < t.count; i++)
            line += (i ? "\x1F" : "") + (st->is_null(i) ? std::string("\x00NULL", 5) : st->text(i));
        rows.push_back(std::move(line));
    }
    return rows;
}

CopyResult copy_store(Store &from, Store &to)
{
    Connection &src = from.connection(), &dst = to.connection();
    for (const Table &t : tables)
        if (dst.int_query(std::string("SELECT count(*) FROM ") + t.name) != 0)
            throw Error(to.location() + " already holds results; copy into a new, empty store");
    CopyResult result;
    try {
        dst.exec(begin_write_sql(dst.dialect()));
        for (const Table &t : tables) {
            std::string marks;
            for (int i = 0; i < t.count; i++)
                marks += i ? ", ?" : "?";
            auto in = dst.prepare(std::string("INSERT INTO ") + t.name + " (" + t.columns + ") VALUES (" + marks +
                                  ")");
            auto out = src.prepare(select_sql(src, t));
            int64_t n = 0;
            while (out->step()) {
                for (int i = 0; i < t.count; i++)
                    out->is_null(i) ? in->bind_null(i + 1) : in->bind(i + 1, out->text(i));
                in->run();
                n++;
            }
            result.rows.emplace_back(t.name, n);
        }
        after_explicit_ids(dst, "sessions", "id");
        dst.exec("COMMIT");
    } catch (const DbError &e) {
        dst.rollback_quietly("ROLLBACK");
        throw StoreError("copying into " + to.location() + " failed, nothing was copied: " + e.what());
    }
    for (const Table &t : tables) {
        const std::vector<std::string> a = table_rows(from, t.name), b = table_rows(to, t.name);
        if (a != b)
            throw StoreError(std::string("the copy of table ") + t.name + " differs from the original (" +
                             std::to_string(a.size()) + " rows, copy " + std::to_string(b.size()) + ")");
    }
    return result;
}

}  // namespace store
