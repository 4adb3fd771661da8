// One input's worth of changes inside the store (store.cpp, rows.cpp).
#pragma once

#include "store/db.h"
#include "store/dialect.h"
#include "store/store.h"

namespace store {

// One input's worth of changes: a write transaction, or a savepoint inside a batch.
class Unit {
public:
    explicit Unit(Store &store) : db_(*store.db_), nested_(store.batch_)
    {
        db_.exec(nested_ ? "SAVEPOINT file" : begin_write_sql(db_.dialect()));
    }
    ~Unit()
    {
        if (open_)
            db_.rollback_quietly(nested_ ? "ROLLBACK TO file; RELEASE file" : "ROLLBACK");
    }
    void commit()
    {
        db_.exec(nested_ ? "RELEASE file" : "COMMIT");
        open_ = false;
    }

private:
    Connection &db_;
    bool nested_;
    bool open_ = true;
};

}  // namespace store
