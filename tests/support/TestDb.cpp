#include "support/TestDb.h"

#include <QFile>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include "core/data/Sql.h"

namespace tavo {

QString TestDb::generatedMaster() {
    return QStringLiteral(TAVO_TEST_MASTER);
}

TestDb::TestDb(const QString& masterPath) {
    // Every test starts without remembered windows and filters, as it starts with a fresh database.
    QSettings(QStringLiteral("TAVO"), QStringLiteral("TAVO")).clear(); // what the windows remember
    m_masterPath = m_dir.filePath(Databases::MasterFileName);
    m_userPath = m_dir.filePath(Databases::UserFileName);
    const QString source = masterPath.isEmpty() ? generatedMaster() : masterPath;
    if (!QFile::copy(source, m_masterPath))
        qFatal("cannot copy master database %s", qPrintable(source));
    QFile::setPermissions(m_masterPath, QFile::ReadOwner | QFile::WriteOwner);
    Databases::createUserDatabase(m_userPath);
    m_databases = std::make_unique<Databases>(m_masterPath, m_userPath);
}

TestDb::~TestDb() {
    m_databases.reset();
    if (!m_writableName.isEmpty()) {
        QSqlDatabase::database(m_writableName, false).close();
        QSqlDatabase::removeDatabase(m_writableName);
    }
}

int TestDb::insertProject(const QVariantMap& values) {
    insertRow(QStringLiteral("TAVO"), values);
    return Sql::scalar(user(), QStringLiteral("SELECT max(\"ID\") FROM \"TAVO\"")).toInt();
}

void TestDb::insertRow(const QString& table, const QVariantMap& values) {
    QStringList columns, marks;
    QVariantList params;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        columns << Sql::quoted(it.key());
        marks << QStringLiteral("?");
        params << it.value();
    }
    const QString sql =
        columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Sql::quoted(table))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(Sql::quoted(table), columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    Sql::exec(user(), sql, params);
}

void TestDb::book(int project, int jahr, const QString& typ, const QString& bezeichnung,
                  const QString& kostentraeger, double ausgabe, double einnahme) {
    insertRow(QStringLiteral("Auswertung"), {{QStringLiteral("TAVO"), project},
                                             {QStringLiteral("Jahr"), jahr},
                                             {QStringLiteral("Typ"), typ},
                                             {QStringLiteral("Bezeichnung"), bezeichnung},
                                             {QStringLiteral("Kostenträger"), kostentraeger},
                                             {QStringLiteral("Ausgabe"), ausgabe},
                                             {QStringLiteral("Einnahme"), einnahme}});
}

void TestDb::reopen() {
    m_databases.reset();
    m_databases = std::make_unique<Databases>(m_masterPath, m_userPath);
}

QSqlDatabase TestDb::writableMaster() {
    if (m_writableName.isEmpty()) {
        m_writableName = QStringLiteral("writable_master_%1").arg(reinterpret_cast<quintptr>(this));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_writableName);
        db.setDatabaseName(m_masterPath);
        if (!db.open())
            qFatal("cannot open master copy: %s", qPrintable(db.lastError().text()));
    }
    return QSqlDatabase::database(m_writableName);
}

} // namespace tavo
