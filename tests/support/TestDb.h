#pragma once

#include <memory>

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

#include "core/data/Databases.h"

namespace tavo {

// A fresh pair of databases per test: a copy of the generated master database and a new, empty user
// database, both in a temporary folder that disappears with the object.
class TestDb {
public:
    // masterPath: the master to copy; empty takes the generated TAVO_Master.db of the build.
    explicit TestDb(const QString& masterPath = QString());
    ~TestDb();

    Databases& dbs() { return *m_databases; }
    QSqlDatabase master() const { return m_databases->master(); }
    QSqlDatabase user() const { return m_databases->user(); }
    QString dir() const { return m_dir.path(); }
    QString masterPath() const { return m_masterPath; }
    QString userPath() const { return m_userPath; }

    // Inserts a project row with the given column values and returns its ID.
    int insertProject(const QVariantMap& values);

    // Inserts a row into any user table (values by column name).
    void insertRow(const QString& table, const QVariantMap& values);

    // Books one ledger row of a project directly (both amount columns given).
    void book(int project, int jahr, const QString& typ, const QString& bezeichnung,
              const QString& kostentraeger, double ausgabe, double einnahme);

    // Closes and reopens the connections (e.g. after the master copy was changed with writable access).
    void reopen();

    // A writable connection to the master copy, for tests that shape the reference data; call
    // reopen() afterwards so the program's read-only connection sees the change.
    QSqlDatabase writableMaster();

    static QString generatedMaster();

private:
    QTemporaryDir m_dir;
    QString m_masterPath;
    QString m_userPath;
    std::unique_ptr<Databases> m_databases;
    QString m_writableName;
};

} // namespace tavo
