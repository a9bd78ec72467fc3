// One transaction on the project database: everything stored between the
// guard's creation and commit() is kept, or none of it when the guard ends
// without a commit (an exception on the way).
#pragma once

#include "dao.h"

namespace workspace {

class Transaction {
public:
    explicit Transaction(dao::Database& db) : m_db(db) { m_db.BeginTrans(); }
    ~Transaction() {
        if (m_open) {
            try {
                m_db.Rollback();
            } catch (...) {
                // The original error is the one the caller reports.
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        m_db.CommitTrans();
        m_open = false;
    }

private:
    dao::Database& m_db;
    bool m_open = true;
};

} // namespace workspace
