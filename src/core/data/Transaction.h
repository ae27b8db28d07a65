#pragma once

#include <QSqlDatabase>

namespace tavo {

// One database transaction for a multi-row write. Begun in the constructor; commit() ends it.
// Leaving the scope without commit() (by an exception or early return) rolls it back.
class Transaction {
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    void rollback();

private:
    // Forgets this transaction in the count of the connection's open ones.
    void end();

    QSqlDatabase m_db;
    bool m_open = false;
};

// One consistent view of the database for an answer that reads in several statements (a command's
// output, a window's refresh), so that it never mixes the rows of two calculations. On a server a
// REPEATABLE READ, READ ONLY transaction; on a file a deferred BEGIN, whose read snapshot is taken by
// the first statement and held to the end: it takes no write lock (and works on a read-only file),
// and a writer of another connection waits with its commit until the answer is read. Inside another
// transaction of the same connection it does nothing: the outer one already holds one state.
// Ended by the destructor or by finish().
class ReadTransaction {
public:
    explicit ReadTransaction(QSqlDatabase db);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

    // Ends the transaction now: the next statement sees what was committed meanwhile.
    void finish();

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

} // namespace tavo
