// tavo-cli export and kennzahlen into files (CSV, Excel), workbook sheet names, and the user database
// that tavo-cli init creates: with the calculated example project, or empty with --leer.

#include <clocale>
#include <cmath>

#include <QFile>
#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/results/XlsxWorkbook.h"
#include "support/CliRun.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double number(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {}) {
    return Sql::scalar(db, sql, params).toDouble();
}

} // namespace

class ExportFilesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void csvOfAViewIsForAGermanSpreadsheet() {
        TestDb db;
        const int id = db.insertProject({{"PG", 301}, {"auAnteilZuzug", 50.0}});
        db.book(id, 2, "Wasser", "Errichtung Wasser", "Land", 0.25, 0);
        db.book(id, 1, "Kanal", "Errichtung; Teil \"A\"", "Gemeinde", 1234567.5, 0);
        db.book(id, 1, "Kanal", "Anschlussgebühr", "Gemeinde", 0, 900);
        const QStringList base = {"export",    "--master",          db.masterPath(), "--user",  db.userPath(),
                                  "--project", QString::number(id), "--view",        "ausgaben"};
        const CliOutput csv = runCli(base + QStringList{"--format", "csv"});
        QCOMPARE(csv.exitCode, 0);
        const QByteArray expected = "\xEF\xBB\xBF"
                                    "Jahr;Typ;Bezeichnung;Kostenträger;Ausgabe\r\n"
                                    "1;Kanal;\"Errichtung; Teil \"\"A\"\"\";Gemeinde;1234567,5\r\n"
                                    "2;Wasser;Errichtung Wasser;Land;0,25\r\n";
        QCOMPARE(csv.out, expected);

        // --out writes the same bytes into the file, for CSV and for the tab-separated default.
        const QString csvFile = db.dir() + "/ausgaben.csv";
        QCOMPARE(runCli(base + QStringList{"--format", "csv", "--out", csvFile}).exitCode, 0);
        QCOMPARE(fileBytes(csvFile), expected);
        const CliOutput tsv = runCli(base);
        QCOMPARE(tsv.exitCode, 0);
        QVERIFY(tsv.out.startsWith("Jahr\tTyp\tBezeichnung"));
        QCOMPARE(runCli(base + QStringList{"--format", "tsv"}).out, tsv.out);
        const QString tsvFile = db.dir() + "/ausgaben.txt";
        QCOMPARE(runCli(base + QStringList{"--out", tsvFile}).exitCode, 0);
        QCOMPARE(fileBytes(tsvFile), tsv.out);
    }

    void formatsAndTargetsMustFit() {
        TestDb db;
        const int id = db.insertProject({{"PG", 301}, {"auAnteilZuzug", 50.0}});
        const QStringList base = {"export",      "--master",  db.masterPath(),    "--user",
                                  db.userPath(), "--project", QString::number(id)};
        const QString file = db.dir() + "/x.xlsx";
        const QList<QStringList> wrong = {
            {"--view", "saldo", "--format", "xlsx"}, // a workbook needs a file
            {"--view", "saldo", "--format", "ods"},  // unknown format
            {"--alles", "--out", file},              // the whole project only as a workbook
            {"--alles", "--view", "saldo", "--format", "xlsx", "--out", file},
        };
        for (const QStringList& args : wrong) {
            const CliOutput result = runCli(base + args);
            QVERIFY2(result.exitCode == 2, qPrintable(args.join(' ')));
            QVERIFY(!result.err.trimmed().isEmpty());
            QVERIFY(result.out.isEmpty());
            QVERIFY(!QFile::exists(file));
        }
        const CliOutput figures = runCli({"kennzahlen", "--master", db.masterPath(), "--user", db.userPath(),
                                          "--project", "1", "--format", "xlsx"});
        QCOMPARE(figures.exitCode, 2);
        // A folder that does not exist: a German message, exit code 2.
        const CliOutput missing = runCli(
            base + QStringList{"--view", "saldo", "--format", "xlsx", "--out", db.dir() + "/fehlt/x.xlsx"});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY2(missing.err.contains("gibt es nicht"), qPrintable(missing.err));
    }

    // libxlsxwriter prints numbers with the C library, which follows LC_NUMERIC: the workbook must be
    // the same under a German locale (decimal comma) as under C.
    void workbooksAreTheSameUnderEveryLocale() {
        // The German locale must be installed (Debian: locales-all), or this test proves nothing.
        const QByteArray previous = std::setlocale(LC_NUMERIC, nullptr);
        QVERIFY2(std::setlocale(LC_NUMERIC, "de_AT.UTF-8"),
                 "Die Locale de_AT.UTF-8 fehlt (Paket locales-all).");
        std::setlocale(LC_NUMERIC, previous.constData());
        QTemporaryDir dir;
        const QString user = dir.filePath("user.db");
        QCOMPARE(runCli({"init", "--master", TestDb::generatedMaster(), "--user", user}).exitCode, 0);
        const QStringList base = {"--master", TestDb::generatedMaster(), "--user", user, "--project", "1"};
        const QList<QStringList> workbooks = {
            QStringList{"export", "--view", "saldo", "--format", "xlsx"} + base,
            QStringList{"export", "--alles", "--format", "xlsx"} + base,
            QStringList{"kennzahlen", "--format", "xlsx", "--zinssatz", "3,5"} + base,
        };
        for (const QStringList& args : workbooks) {
            QByteArray first;
            for (const char* locale : {"de_AT.UTF-8", "C.UTF-8"}) {
                const QString file = dir.filePath(QStringLiteral("%1.xlsx").arg(QLatin1String(locale)));
                CliRunOptions options;
                options.env = {QStringLiteral("LC_ALL=%1").arg(QLatin1String(locale)),
                               QStringLiteral("SOURCE_DATE_EPOCH=1767225600")};
                const CliOutput made = runCli(args + QStringList{"--out", file}, options);
                QVERIFY2(made.exitCode == 0, qPrintable(made.err));
                const QByteArray bytes = fileBytes(file);
                QVERIFY(bytes.startsWith("PK"));
                if (first.isEmpty())
                    first = bytes;
                else
                    QVERIFY2(bytes == first, qPrintable(args.join(' ')));
            }
        }
    }

    void sheetNamesAreValidAndUnique() {
        QCOMPARE(XlsxWorkbook::sheetName("Saldo", {}), QString("Saldo"));
        QCOMPARE(XlsxWorkbook::sheetName("a[b]:c*d?e/f\\g", {}), QString("a_b__c_d_e_f_g"));
        QCOMPARE(XlsxWorkbook::sheetName("", {}), QString("Tabelle"));
        QCOMPARE(XlsxWorkbook::sheetName("'Zitat'", {}), QString("Zitat"));
        const QString longName = QString(40, QChar('x'));
        QCOMPARE(XlsxWorkbook::sheetName(longName, {}), QString(31, QChar('x')));
        // Taken names, ignoring case, get a number; the result still fits 31 characters.
        QCOMPARE(XlsxWorkbook::sheetName("saldo", {"Saldo"}), QString("saldo (2)"));
        QCOMPARE(XlsxWorkbook::sheetName("Saldo", {"Saldo", "Saldo (2)"}), QString("Saldo (3)"));
        const QString numbered = XlsxWorkbook::sheetName(longName, {QString(31, QChar('x'))});
        QCOMPARE(numbered, QString(27, QChar('x')) + " (2)");
    }

    void initCreatesTheCalculatedExampleProject() {
        QTemporaryDir dir;
        const QString path = dir.filePath("neu.db");
        const CliOutput init = runCli({"init", "--master", TestDb::generatedMaster(), "--user", path});
        QVERIFY2(init.exitCode == 0, qPrintable(init.err));
        {
            const Databases dbs(TestDb::generatedMaster(), path);
            const QSqlDatabase user = dbs.user();
            QCOMPARE(Sql::scalar(user, "SELECT count(*) FROM TAVO").toInt(), 1);
            const int id = Sql::scalar(user, "SELECT ID FROM TAVO").toInt();
            QCOMPARE(Sql::scalar(user, "SELECT Beschreibung FROM TAVO").toString(),
                     QString("Beispiel: Siedlungserweiterung Am Mühlbach"));
            // A municipality of the reference data, with its name.
            const int pg = Sql::scalar(user, "SELECT PG FROM TAVO").toInt();
            QCOMPARE(Sql::scalar(dbs.master(), "SELECT PG_Name FROM PG WHERE ID = ?", {pg}).toString(),
                     Sql::scalar(user, "SELECT PG_Name FROM TAVO").toString());
            // Calculated: ledger rows in several years, dwelling units and inhabitants.
            QVERIFY(number(user, "SELECT count(DISTINCT Jahr) FROM Auswertung WHERE TAVO = ?", {id}) >= 20);
            QVERIFY(number(user, "SELECT Total(EFHg+EFHk+RHg+RHk+GWB) FROM bWvB WHERE TAVO = ? AND Jahr = 20",
                           {id}) > 10);
            QVERIFY(number(user, "SELECT Total(Bewohner) FROM bBvB WHERE TAVO = ? AND Jahr = 20", {id}) > 10);

            // The areas add up: gross = green + roads + building land, the shares give the areas.
            QSqlQuery p = Sql::exec(user,
                                    "SELECT bgFlBaulandBrutto, bgAntGrünflächen, bgFlGrünflächen, "
                                    "bgAntVerkehrsflächen, bgFlVerkehrsflächen, bgFlBaulandNetto, "
                                    "ifFaktorLeitungslängen, ifLfmWasserleitung FROM TAVO WHERE ID = ?",
                                    {id});
            QVERIFY(p.next());
            const double gross = p.value(0).toDouble();
            QCOMPARE(p.value(2).toDouble(), gross * p.value(1).toDouble() / 100);
            QCOMPARE(p.value(4).toDouble(), gross * p.value(3).toDouble() / 100);
            QCOMPARE(p.value(5).toDouble(), gross - p.value(2).toDouble() - p.value(4).toDouble());
            // The lines follow the roads: the length factor times the gross area.
            QCOMPARE(p.value(7).toDouble(), std::trunc(gross * p.value(6).toDouble()));
            // The building mix covers the building land, every type is settled completely within 20 years.
            QCOMPARE(number(user, "SELECT Total(bbAnteil) FROM Bebauung WHERE TAVO = ?", {id}), 100.0);
            QCOMPARE(number(user, "SELECT count(*) FROM Besiedelung WHERE TAVO = ?", {id}), 20.0);
            for (const char* type : {"EFHg", "EFHk", "RHg", "RHk", "GWB"})
                QCOMPARE(
                    number(user, QString("SELECT Total(%1) FROM Besiedelung WHERE TAVO = ?").arg(type), {id}),
                    100.0);
        }
        const CliOutput figures = runCli({"kennzahlen", "--master", TestDb::generatedMaster(), "--user", path,
                                          "--project", "1", "--format", "csv"});
        QVERIFY2(figures.exitCode == 0, qPrintable(figures.err));

        // Without a master database no example: exit code 2, no file left behind.
        const QString orphan = dir.filePath("ohne.db");
        const CliOutput noMaster = runCli({"init", "--master", dir.filePath("fehlt.db"), "--user", orphan});
        QCOMPARE(noMaster.exitCode, 2);
        QVERIFY(!QFile::exists(orphan));

        const QString empty = dir.filePath("leer.db");
        QCOMPARE(runCli({"init", "--master", TestDb::generatedMaster(), "--user", empty, "--leer"}).exitCode,
                 0);
        const Databases dbs(TestDb::generatedMaster(), empty);
        QCOMPARE(Sql::scalar(dbs.user(), "SELECT count(*) FROM TAVO").toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(ExportFilesTest)
#include "test_export_files.moc"
