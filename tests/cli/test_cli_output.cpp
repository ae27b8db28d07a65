// What tavo-cli does with its output: --out naming a database in use is refused, failed writes (a
// full device, a full disk) end non-zero with a German message and keep the previous file, and the
// one exit-code rule of every command.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtTest>

#include "support/CliRun.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

QByteArray fileHash(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1)
                                          : QByteArray();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// No English library or Qt text in a message.
bool onlyGerman(const QString& err) {
    return !err.contains(QStringLiteral("[ERROR]")) && !err.contains(QStringLiteral("QPainter")) &&
           !err.contains(QStringLiteral("permission")) && !err.contains(QStringLiteral("No space"));
}

} // namespace

class TestCliOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void outNamingADatabaseIsRefused_data();
    void outNamingADatabaseIsRefused();
    void writeFailuresEndNonZero_data();
    void writeFailuresEndNonZero();
    void failedWriteKeepsThePreviousFile_data();
    void failedWriteKeepsThePreviousFile();
    void unknownProjectIsWrongUse_data();
    void unknownProjectIsWrongUse();
    void extraArgumentsAndTooManyRuns();

private:
    QStringList files() const { return {"--master", m_master, "--user", m_user}; }

    QTemporaryDir m_dir;
    QString m_master;
    QString m_user;
};

void TestCliOutput::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_master = m_dir.filePath("TAVO_Master.db");
    m_user = m_dir.filePath("TAVO_User.db");
    QVERIFY(QFile::copy(TestDb::generatedMaster(), m_master));
    // The calculated example project (ID 1).
    const CliOutput init = runCli({"init", "--master", m_master, "--user", m_user});
    QVERIFY2(init.exitCode == 0, qPrintable(init.err));
    QVERIFY(QDir(m_dir.path()).mkpath("unter"));
    QVERIFY(QFile::link(m_user, m_dir.filePath("verweis.db")));
    QVERIFY(QFile::link(m_master, m_dir.filePath("stamm.db")));
}

void TestCliOutput::outNamingADatabaseIsRefused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("target");
    const QStringList csv{"export", "--project", "1", "--view", "saldo", "--format", "csv"};
    QTest::newRow("csv, the user file") << csv << "TAVO_User.db";
    QTest::newRow("csv, through ..") << csv << "unter/../TAVO_User.db";
    QTest::newRow("csv, through a link") << csv << "verweis.db";
    QTest::newRow("csv, the master through a link") << csv << "stamm.db";
    QTest::newRow("csv, the journal") << csv << "TAVO_User.db-journal";
    QTest::newRow("tsv") << QStringList{"export", "--project", "1", "--view", "ausgaben"} << "verweis.db";
    QTest::newRow("xlsx") << QStringList{"export", "--project", "1", "--view", "saldo", "--format", "xlsx"}
                          << "unter/../TAVO_User.db";
    QTest::newRow("alles") << QStringList{"export", "--project", "1", "--alles", "--format", "xlsx"}
                           << "TAVO_Master.db";
    QTest::newRow("kennzahlen") << QStringList{"kennzahlen", "--project", "1", "--format", "xlsx"}
                                << "verweis.db";
    QTest::newRow("bericht") << QStringList{"bericht", "--project", "1"} << "verweis.db";
}

void TestCliOutput::outNamingADatabaseIsRefused() {
    QFETCH(QStringList, args);
    QFETCH(QString, target);
    const QByteArray user = fileHash(m_user);
    const QByteArray master = fileHash(m_master);
    const CliOutput result = runCli(args + files() + QStringList{"--out", m_dir.filePath(target)});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains(QStringLiteral("wird nicht überschrieben")), qPrintable(result.err));
    QCOMPARE(fileHash(m_user), user);
    QCOMPARE(fileHash(m_master), master);
    QVERIFY(!QFile::exists(m_dir.filePath("TAVO_User.db-journal")));
    // The database still answers.
    QCOMPARE(runCli(QStringList{"kennzahlen", "--project", "1"} + files()).exitCode, 0);
}

void TestCliOutput::writeFailuresEndNonZero_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("toStdout");
    const QStringList view{"export", "--project", "1", "--view", "ausgaben"};
    QTest::newRow("export on stdout") << view << true;
    QTest::newRow("kennzahlen on stdout") << QStringList{"kennzahlen", "--project", "1"} << true;
    QTest::newRow("szenarien on stdout")
        << QStringList{"szenarien", "--project", "1", "--laeufe", "4"} << true;
    QTest::newRow("--help") << QStringList{"--help"} << true;
    QTest::newRow("export --out") << view + QStringList{"--format", "csv", "--out", "/dev/full"} << false;
    QTest::newRow("xlsx --out") << view + QStringList{"--format", "xlsx", "--out", "/dev/full"} << false;
    QTest::newRow("bericht --out") << QStringList{"bericht", "--project", "1", "--out", "/dev/full"} << false;
}

void TestCliOutput::writeFailuresEndNonZero() {
    QFETCH(QStringList, args);
    QFETCH(bool, toStdout);
    if (!QFile::exists("/dev/full"))
        QSKIP("Dieses System hat kein /dev/full.");
    const bool usesFiles = args.first() != QLatin1String("--help");
    CliRunOptions options;
    if (toStdout)
        options.stdoutFile = "/dev/full";
    const CliOutput result = runCli(args + (usesFiles ? files() : QStringList()), options);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("kein Platz mehr auf dem Datenträger")),
             qPrintable(result.err));
    QVERIFY2(toStdout || result.err.contains(QStringLiteral("/dev/full")), qPrintable(result.err));
    QVERIFY2(onlyGerman(result.err), qPrintable(result.err));
}

void TestCliOutput::failedWriteKeepsThePreviousFile_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("name");
    QTest::newRow("csv") << QStringList{"export", "--project", "1", "--view", "ausgaben", "--format", "csv"}
                         << "ausgaben.csv";
    QTest::newRow("xlsx") << QStringList{"export", "--project", "1", "--view", "saldo", "--format", "xlsx"}
                          << "saldo.xlsx";
    QTest::newRow("bericht") << QStringList{"bericht", "--project", "1"} << "bericht.pdf";
}

void TestCliOutput::failedWriteKeepsThePreviousFile() {
#ifndef Q_OS_LINUX
    QSKIP("Der volle Datenträger wird über RLIMIT_FSIZE nachgestellt (Linux).");
#else
    QFETCH(QStringList, args);
    QFETCH(QString, name);
    QTemporaryDir target;
    const QString path = target.filePath(name);
    {
        QFile previous(path);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("voriger Inhalt");
    }
    // The export holds many kilobytes; 4 KiB is the whole disk.
    CliRunOptions full;
    full.fileSizeMax = 4096;
    const CliOutput result = runCli(args + files() + QStringList{"--out", path}, full);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("„%1“").arg(path)), qPrintable(result.err));
    QVERIFY2(onlyGerman(result.err), qPrintable(result.err));
    QCOMPARE(fileBytes(path), QByteArray("voriger Inhalt"));
    // No half file beside it.
    QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    // With room the file is replaced.
    QCOMPARE(runCli(args + files() + QStringList{"--out", path}).exitCode, 0);
    QVERIFY(fileBytes(path).size() > 4096);
#endif
}

void TestCliOutput::unknownProjectIsWrongUse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("calc") << QStringList{"calc"};
    QTest::newRow("export") << QStringList{"export", "--view", "saldo"};
    QTest::newRow("kennzahlen") << QStringList{"kennzahlen"};
    QTest::newRow("szenarien") << QStringList{"szenarien", "--laeufe", "2"};
    QTest::newRow("breakeven") << QStringList{"breakeven", "--feld", "gsHebesatz"};
    QTest::newRow("bericht") << QStringList{"bericht", "--out", "x.pdf"};
}

void TestCliOutput::unknownProjectIsWrongUse() {
    QFETCH(QStringList, args);
    const CliOutput result = runCli(args + files() + QStringList{"--project", "999"});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("999"), qPrintable(result.err));
    QVERIFY(result.out.isEmpty());
}

void TestCliOutput::extraArgumentsAndTooManyRuns() {
    for (const QStringList& args : QList<QStringList>{{"--version", "extra"}, {"--help", "calc"}}) {
        const CliOutput result = runCli(args);
        QVERIFY2(result.exitCode == 2, qPrintable(args.join(' ')));
        QVERIFY(result.out.isEmpty());
    }
    const CliOutput tooMany =
        runCli(QStringList{"szenarien", "--project", "1", "--laeufe", "100001"} + files());
    QCOMPARE(tooMany.exitCode, 2);
    QVERIFY2(tooMany.err.contains(QStringLiteral("1 bis 100000")), qPrintable(tooMany.err));
    // The help states the exit-code rule.
    const CliOutput help = runCli({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("130 mit Strg+C abgebrochen"));
}

QTEST_GUILESS_MAIN(TestCliOutput)
#include "test_cli_output.moc"
