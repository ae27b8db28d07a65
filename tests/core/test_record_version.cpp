#include <functional>

#include <QSqlDatabase>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/projects/CalculationState.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/ProjectRecords.h"
#include "core/projects/RecordConflict.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

const QString kSecond = QStringLiteral("planerB");

QVariant stored(const QSqlDatabase& db, int id, const QString& column) {
    return Sql::scalar(db, QStringLiteral("SELECT %1 FROM TAVO WHERE ID = ?").arg(Sql::quoted(column)), {id});
}

// The refusal of a write, or a conflict saying "kein Fehler" when the write went through.
RecordConflict refusal(const std::function<void()>& write) {
    try {
        write();
    } catch (const RecordConflict& conflict) {
        return conflict;
    }
    return RecordConflict(RecordConflict::Kind::Changed, QStringLiteral("kein Fehler"));
}

} // namespace

// Two planners: the test's databases are planner A, a second connection to the same file planner B.
class RecordVersionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    QSqlDatabase m_second;
    int m_id = 0;

private Q_SLOTS:
    void init() {
        m_db = std::make_unique<TestDb>();
        m_id = m_db->insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("Original")},
                                    {QStringLiteral("gsHebesatz"), 400.0},
                                    {QStringLiteral("fiZinsenSoll"), 3.0}});
        m_second = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kSecond);
        m_second.setDatabaseName(m_db->userPath());
        m_second.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        QVERIFY(m_second.open());
    }
    void cleanup() {
        m_second.close();
        m_second = QSqlDatabase();
        QSqlDatabase::removeDatabase(kSecond);
        m_db.reset();
    }

    void secondSaveIsRefusedThenOverwrittenOrReloaded() {
        ProjectRecord a(m_db->user());
        ProjectRecord b(m_second);
        a.load(m_id);
        b.load(m_id);
        QCOMPARE(a.version(), qint64(0));
        QVERIFY(!a.value(QStringLiteral("Version")).isValid());

        b.setValue(QStringLiteral("gsHebesatz"), 450);
        b.post();
        QCOMPARE(b.version(), qint64(1));
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 1);

        // A's save is refused; nothing of it is written and A keeps its edit.
        a.setValue(QStringLiteral("Beschreibung"), QStringLiteral("von A"));
        a.setValue(QStringLiteral("fiZinsenSoll"), 4.5);
        const RecordConflict conflict = refusal([&] { a.post(); });
        QCOMPARE(conflict.kind(), RecordConflict::Kind::Changed);
        QVERIFY2(conflict.message().startsWith(QStringLiteral("Der Datensatz wurde inzwischen geändert.")),
                 qPrintable(conflict.message()));
        // The message names what B stored, not what A changed.
        QVERIFY(conflict.message().contains(QStringLiteral("gsHebesatz")));
        QVERIFY(!conflict.message().contains(QStringLiteral("fiZinsenSoll")));
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Beschreibung")).toString(),
                 QStringLiteral("Original"));
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("fiZinsenSoll")).toDouble(), 3.0);
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 1);
        QVERIFY(a.isModified());
        QCOMPARE(a.version(), qint64(0));

        // Overwriting writes A's values over B's save and keeps what B changed in other columns.
        a.post(ProjectRecord::WriteMode::Overwrite);
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Beschreibung")).toString(),
                 QStringLiteral("von A"));
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("fiZinsenSoll")).toDouble(), 4.5);
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("gsHebesatz")).toDouble(), 450.0);
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 2);
        QCOMPARE(a.version(), qint64(2));
        QCOMPARE(a.value(QStringLiteral("gsHebesatz")).toDouble(), 450.0);
        QVERIFY(!a.isModified());

        // Now B is behind: refused, and reloading shows A's values.
        b.setValue(QStringLiteral("Beschreibung"), QStringLiteral("von B"));
        QCOMPARE(refusal([&] { b.post(); }).kind(), RecordConflict::Kind::Changed);
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Beschreibung")).toString(),
                 QStringLiteral("von A"));
        b.reload();
        QVERIFY(!b.isModified());
        QCOMPARE(b.value(QStringLiteral("Beschreibung")).toString(), QStringLiteral("von A"));
        QCOMPARE(b.version(), qint64(2));

        // In step again, each save raises the version by one.
        b.setValue(QStringLiteral("Beschreibung"), QStringLiteral("von B"));
        b.post();
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 3);
        b.setValue(QStringLiteral("gsHebesatz"), 460);
        b.post();
        QCOMPARE(b.version(), qint64(4));
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 4);
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("gsHebesatz")).toDouble(), 460.0);
    }

    void deletedProjectIsNeitherSavedNorOverwritten() {
        ProjectRecord a(m_db->user());
        a.load(m_id);
        a.setValue(QStringLiteral("Beschreibung"), QStringLiteral("zu spät"));
        Sql::exec(m_second, QStringLiteral("DELETE FROM TAVO WHERE ID = ?"), {m_id});
        for (const auto mode : {ProjectRecord::WriteMode::Checked, ProjectRecord::WriteMode::Overwrite}) {
            const RecordConflict conflict = refusal([&] { a.post(mode); });
            QCOMPARE(conflict.kind(), RecordConflict::Kind::Deleted);
            QVERIFY2(conflict.message().contains(QStringLiteral("gelöscht")), qPrintable(conflict.message()));
        }
        QVERIFY(refusal([&] { a.claimVersion(); }).isDeleted());
        QCOMPARE(Sql::scalar(m_db->user(), QStringLiteral("SELECT count(*) FROM TAVO")).toInt(), 0);
    }

    void aSaveWithoutNewValuesKeepsTheResultsCurrent() {
        const QSqlDatabase user = m_db->user();
        m_db->book(m_id, 1, QStringLiteral("Straße"), QStringLiteral("Bau"), QString(), 100.0, 0.0);
        CalculationState::store(user, m_id);
        const QByteArray before = CalculationState::fingerprint(user, m_id);
        QCOMPARE(CalculationState::of(user, m_id), CalculationState::State::Current);

        // A value typed and typed back is written as it was; overwriting without a changed column
        // writes the version alone.
        ProjectRecord a(user);
        a.load(m_id);
        a.setValue(QStringLiteral("gsHebesatz"), 401);
        a.setValue(QStringLiteral("gsHebesatz"), 400);
        QVERIFY(a.isModified());
        a.post();
        a.post(ProjectRecord::WriteMode::Overwrite);
        a.keepVersion(a.claimVersion());
        QCOMPARE(stored(user, m_id, QStringLiteral("Version")).toInt(), 3);
        QCOMPARE(CalculationState::fingerprint(user, m_id), before);
        QCOMPARE(CalculationState::of(user, m_id), CalculationState::State::Current);

        // A value saved is a change of the inputs.
        a.setValue(QStringLiteral("gsHebesatz"), 401);
        a.post();
        QVERIFY(CalculationState::fingerprint(user, m_id) != before);
        QCOMPARE(CalculationState::of(user, m_id), CalculationState::State::Changed);
    }

    void aDuplicateStartsAtVersionZero() {
        ProjectRecord a(m_db->user());
        a.load(m_id);
        for (int i = 0; i < 3; ++i)
            a.keepVersion(a.claimVersion());
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 3);
        const int copy = duplicateProject(m_db->dbs(), m_id);
        QCOMPARE(stored(m_db->user(), copy, QStringLiteral("Version")).toInt(), 0);
        QCOMPARE(stored(m_db->user(), copy, QStringLiteral("gsHebesatz")).toDouble(), 400.0);
    }
};

QTEST_GUILESS_MAIN(RecordVersionTest)
#include "test_record_version.moc"
