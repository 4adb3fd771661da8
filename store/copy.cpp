#include "store/copy.h"

#include "store/db.h"
#include "store/dialect.h"
#include "store/error.h"

#include <algorithm>

namespace store {

namespace {

// Left out: figures derived from the sessions (the calibrations), which the
// next reader of the copy makes again, and the marks of collected sessions
// not yet read, which the copy's own trigger sets for every row it takes
// (so the next add reads them all once).
bool copied(const std::string &table)
{
    return table != "calibrations" && table != "rows_unread";
}

// The tables copied, parents first, as the store's own catalog has them:
// a table or column the schema adds is carried with no change here.
std::vector<std::string> copied_tables(Connection &c)
{
    std::vector<std::string> all = table_names(c);
    all.erase(std::remove_if(all.begin(), all.end(), [](const std::string &t) { return !copied(t); }), all.end());
    return all;
}

std::string joined(const std::vector<std::string> &names, const std::string &each = "")
{
    std::string s;
    for (const std::string &n : names)
        s += (s.empty() ? "" : ", ") + (each.empty() ? "\"" + n + "\"" : each);
    return s;
}

// The columns in name order: a store made new and one brought up to date
// may hold a table's columns in another order.
std::vector<std::string> sorted_columns(Connection &c, const std::string &table)
{
    std::vector<std::string> columns = column_names(c, table);
    std::sort(columns.begin(), columns.end());
    return columns;
}

}  // namespace

std::vector<std::string> table_rows(Store &s, const std::string &table)
{
    const std::vector<std::string> columns = sorted_columns(s.connection(), table);
    if (columns.empty())
        throw Error("no table " + table + " in " + s.location());
    std::vector<std::string> rows;
    auto st = s.connection().prepare("SELECT " + joined(columns) + " FROM " + table);
    while (st->step()) {
        std::string line;
        for (size_t i = 0; i < columns.size(); i++)
            line += (i ? "\x1F" : "") + (st->is_null(int(i)) ? std::string("\x00NULL", 5) : st->text(int(i)));
        rows.push_back(std::move(line));
    }
    std::sort(rows.begin(), rows.end());  // the same order from both databases
    return rows;
}

CopyResult copy_store(Store &from, Store &to)
{
    Connection &src = from.connection(), &dst = to.connection();
    const std::vector<std::string> tables = copied_tables(src);
    for (const std::string &t : copied_tables(dst))
        if (dst.int_query("SELECT count(*) FROM " + t) != 0)
            throw Error(to.location() + " already holds results; copy into a new, empty store");
    CopyResult result;
    try {
        dst.exec(begin_write_sql(dst.dialect()));
        for (const std::string &t : tables) {
            const std::vector<std::string> columns = column_names(src, t);
            auto in = dst.prepare("INSERT INTO " + t + " (" + joined(columns) + ") VALUES (" + joined(columns, "?") +
                                  ")");
            auto out = src.prepare("SELECT " + joined(columns) + " FROM " + t);
            int64_t n = 0;
            while (out->step()) {
                for (int i = 0; i < int(columns.size()); i++)
                    out->is_null(i) ? in->bind_null(i + 1) : in->bind(i + 1, out->text(i));
                in->run();
                n++;
            }
            if (std::find(columns.begin(), columns.end(), "id") != columns.end())
                after_explicit_ids(dst, t, "id");  // the schema's {id}: new rows numbered after the copied ones
            result.rows.emplace_back(t, n);
        }
        dst.exec("COMMIT");
    } catch (const DbError &e) {
        dst.rollback_quietly("ROLLBACK");
        throw StoreError("copying into " + to.location() + " failed, nothing was copied: " + e.what());
    }
    for (const std::string &t : tables) {
        const std::vector<std::string> a = table_rows(from, t), b = table_rows(to, t);
        if (a != b)
            throw StoreError("the copy of table " + t + " differs from the original (" + std::to_string(a.size()) +
                             " rows, copy " + std::to_string(b.size()) + ")");
    }
    return result;
}

}  // namespace store
