// The import of published population files into a new master: the forecast of a few cohorts against
// figures worked out by hand, every refusal once, the fiscal template there and back, and a project
// calculated on the imported master.

#include <cmath>
#include <functional>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/TavoError.h"
#include "core/engine/Steps.h"
#include "core/master/FiscalTemplate.h"
#include "core/master/MasterImport.h"
#include "core/master/MasterProvenance.h"
#include "core/results/ExportTable.h"
#include "core/results/XlsxWorkbook.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

const QString kPrefix = QStringLiteral("OGD_bevstandjbab2002_BevStand_");

// Persons of one cell of the fixture. 30101: 10 in every cell in 2019, 12 in 2024. 30102: the age
// code in 2019, twice the age code in 2024 (age = code - 1). 70101: 5 everywhere, but no man aged 20 in
// 2019, so the ratio of its men aged 25 comes from the sum of all three.
int persons(int code, int year, int sex, int ageCode) {
    if (code == 30101)
        return year == 2019 ? 10 : 12;
    if (code == 30102)
        return year == 2019 ? ageCode : 2 * ageCode;
    return year == 2019 && sex == 1 && ageCode == 21 ? 0 : 5;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray populationFile(int year) {
    QByteArray text = "C-A10-0;C-C11-0;C-GRGEMAKT-0;C-GALTEJ112-0;F-ISIS-1\n";
    for (int code : {30101, 30102, 70101})
        for (int sex = 1; sex <= 2; ++sex)
            for (int ageCode = 1; ageCode <= 101; ++ageCode)
                text += QStringLiteral("A10-%1;C11-%2;GRGEMAKT-%3;GALTEJ112-%4;%5\n")
                            .arg(year)
                            .arg(sex)
                            .arg(code)
                            .arg(ageCode)
                            .arg(persons(code, year, sex, ageCode))
                            .toUtf8();
    return text;
}

// Line n (1 = header) of a fixture file: code 30101 male age codes 1..101 are lines 2..102.
int lineOf(int codeIndex, int sex, int ageCode) {
    return 2 + codeIndex * 202 + (sex - 1) * 101 + ageCode - 1;
}

struct Fixture {
    QTemporaryDir dir;
    MasterImportOptions options;

    Fixture() {
        options.codesFile = path(kPrefix + "2024_C-GRGEMAKT-0.csv");
        writeFile(options.codesFile, "code;name;en_name\nGRGEMAKT-30101;Grünau am See;\n"
                                     "GRGEMAKT-30102;Oberweißbach;\nGRGEMAKT-70101;Söll-Au;\n");
        for (int year : {2019, 2024}) {
            options.populationFiles << path(kPrefix + QString::number(year) + ".csv");
            writeFile(options.populationFiles.last(), populationFile(year));
        }
        options.templateMaster = TestDb::generatedMaster();
        options.outPath = path("Import.db");
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    // Replaces line `line` (1-based) of a file; an empty text removes it.
    void editLine(const QString& file, int line, const QByteArray& text) const {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = f.readAll().split('\n');
        f.close();
        if (text.isEmpty())
            lines.removeAt(line - 1);
        else
            lines[line - 1] = text;
        writeFile(file, lines.join('\n'));
    }
    void append(const QString& file, const QByteArray& text) const {
        QFile f(file);
        QVERIFY(f.open(QIODevice::Append));
        f.write(text + "\n");
    }
};

// The value of one cell of the imported master.
QVariant cell(const QString& master, const QString& sql) {
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(master);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(sql) && query.next())
                value = query.value(0);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return value;
}

double bvb(const QString& master, int pg, int age, int year) {
    return cell(master, QStringLiteral("SELECT Jahr%1 FROM BvB WHERE PG = %2 AND \"Alter\" = %3")
                            .arg(year)
                            .arg(pg)
                            .arg(age))
        .toDouble();
}

// The filled template: 30101 with base values and changes, 30102 with the revenue shares given as 20
// yearly values, 70101 left empty.
QList<QVariantList> filledTemplate() {
    QList<QVariantList> rows =
        FiscalTemplate::rows({{30101, "Grünau am See"}, {30102, "Oberweißbach"}, {70101, "Söll-Au"}});
    const QStringList header = FiscalTemplate::header();
    const auto set = [&](int row, const QString& column, const QVariant& value) {
        rows[row][header.indexOf(column)] = value;
    };
    const double bases[] = {1000, 120, 50, 180, 100, 20, 15, 4000, 2500};
    for (int row : {0, 1})
        for (int i = 0; i < FiscalTemplate::ItemCount; ++i) {
            const FiscalTemplate::Item& item = FiscalTemplate::items()[i];
            const QString table = QString::fromUtf8(item.table);
            if (row == 1 && i == 0) {
                for (int year = 1; year <= 20; ++year)
                    set(row, QStringLiteral("%1 Jahr%2 (€/EW)").arg(table).arg(year), 900 + year);
                continue;
            }
            set(row, QStringLiteral("%1 Basis (%2)").arg(table, QString::fromUtf8(item.unitCaption)),
                bases[i]);
            if (i == 0)
                set(row, QStringLiteral("%1 Änderung (% p. a.)").arg(table), 2);
        }
    return rows;
}

using Spoiler = std::function<void(Fixture&)>;

} // namespace

Q_DECLARE_METATYPE(Spoiler)

class TestMasterImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void forecastOfCohortsByHand() {
        Fixture f;
        const MasterImportReport report = importMaster(f.options);
        QVERIFY2(report.ok, qPrintable(report.errors.join('\n')));
        QCOMPARE(report.municipalities, 3);
        QCOMPARE(report.baseYear, 2024);
        const QString m = f.options.outPath;
        QCOMPARE(cell(m, "SELECT PG_Name || '|' || Bezirk || '|' || Einwohner FROM PG WHERE ID = 30102")
                     .toString(),
                 QStringLiteral("Oberweißbach|301|20604")); // 2 sexes × 2 × (1 + … + 101)
        // 30102: every cohort doubles in five years, so the men of age a are 2^(k+1)·(a+1) after k
        // steps; both sexes together twice that. Age 30: 124 in 2024, 248 in 2029.
        QCOMPARE(bvb(m, 30102, 30, 1), 124.0);
        QCOMPARE(bvb(m, 30102, 30, 6), 248.0);
        // The years between two steps lie on the straight line: 2025 = 124 + (248 - 124) / 5.
        QCOMPARE(bvb(m, 30102, 30, 2), 148.8);
        // The last year (2043) lies between 2039 (4·4·31·2 = 992) and 2044 (1984), four fifths of the way.
        QCOMPARE(bvb(m, 30102, 30, 20), 1785.6);
        // Age 0 from the child-woman ratio: boys 2 per 2310 women of 15-49 in 2024, 4620 women in
        // 2029, so 4 boys and 4 girls.
        QCOMPARE(bvb(m, 30102, 0, 6), 8.0);
        // The open class 95+: in 2024 ages 95-100 (codes 96-101) = 2·591 per sex, against 1056 aged
        // 90+ in 2019; carried onto the 2·1056 aged 90+ of 2024: 2364 per sex.
        QCOMPARE(bvb(m, 30102, 95, 1), 2364.0);
        QCOMPARE(bvb(m, 30102, 95, 6), 4728.0);
        // 30101: ratio 1.2, open class 72/110 of the 132 aged 90+ per sex.
        QCOMPARE(bvb(m, 30101, 30, 6), 28.8);
        QCOMPARE(bvb(m, 30101, 95, 6), 172.8);
        QCOMPARE(bvb(m, 30101, 4, 6), 28.8);
        // 70101 had no man of 20 in 2019: the men of 25 follow the ratio of the three together,
        // (12 + 52 + 5) / (10 + 21 + 0) = 69/31, times its 5 men of 20 in 2024; the women keep 5.
        QCOMPARE(bvb(m, 70101, 25, 6), std::round((5.0 * 69 / 31 + 5) * 1000) / 1000);
        // The tables that are not the municipalities' come from the template master.
        QCOMPARE(cell(m, "SELECT count(*) FROM FeldWerte").toInt(),
                 cell(TestDb::generatedMaster(), "SELECT count(*) FROM FeldWerte").toInt());
        QCOMPARE(cell(m, "SELECT count(*) FROM FA_Ertragsanteile").toInt(), 0);
        QVERIFY(report.notes.join(' ').contains("Ohne Finanzwerte hat keine Gemeinde Finanzzahlen"));

        // The provenance names the published source instead of the example data of the template.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "provenance");
            db.setDatabaseName(m);
            QVERIFY(db.open());
            const MasterProvenance provenance = MasterProvenance::read(db);
            QVERIFY(!provenance.beispiel);
            QCOMPARE(provenance.lizenz, QStringLiteral("CC BY 4.0"));
            QCOMPARE(provenance.stand, QStringLiteral("1.1.2024"));
            QCOMPARE(provenance.land, QStringLiteral("Österreich"));
        }
        QSqlDatabase::removeDatabase("provenance");

        // Only Land 3: two municipalities.
        f.options.land = 3;
        f.options.outPath = f.path("Land3.db");
        QCOMPARE(importMaster(f.options).municipalities, 2);
    }

    void refusals_data() {
        QTest::addColumn<Spoiler>("spoil");
        QTest::addColumn<QString>("message");
        const QString y2024 = kPrefix + "2024.csv";
        const QString y2019 = kPrefix + "2019.csv";
        QTest::newRow("unknown code") << Spoiler([](Fixture& f) {
            f.append(f.options.populationFiles[1], "A10-2024;C11-1;GRGEMAKT-99999;GALTEJ112-1;3");
        }) << y2024 + ", Zeile 608: unbekannte Gemeindekennziffer 99999";
        QTest::newRow("negative") << Spoiler([](Fixture& f) {
            f.editLine(f.options.populationFiles[1], lineOf(1, 2, 50),
                       "A10-2024;C11-2;GRGEMAKT-30102;GALTEJ112-50;-3");
        }) << y2024 + QStringLiteral(", Zeile %1: Anzahl -3 ist negativ.").arg(lineOf(1, 2, 50));
        QTest::newRow("not whole") << Spoiler([](Fixture& f) {
            f.editLine(f.options.populationFiles[0], 2, "A10-2019;C11-1;GRGEMAKT-30101;GALTEJ112-1;2.5");
        }) << y2019 + ", Zeile 2: Anzahl „2.5“ ist keine ganze Zahl.";
        QTest::newRow("duplicate") << Spoiler([](Fixture& f) {
            f.append(f.options.populationFiles[1], "A10-2024;C11-1;GRGEMAKT-30101;GALTEJ112-1;12");
        }) << y2024 + ", Zeile 608: doppelte Zeile für Gemeinde 30101";
        QTest::newRow("missing age") << Spoiler([](Fixture& f) {
            f.editLine(f.options.populationFiles[1], lineOf(2, 2, 7), QByteArray());
        }) << y2024 + ": Gemeinde 70101, Jahr 2024: Alterscode GALTEJ112-7 (weiblich) fehlt.";
        QTest::newRow("municipality missing in a year") << Spoiler([](Fixture& f) {
            for (int i = 0; i < 202; ++i)
                f.editLine(f.options.populationFiles[0], lineOf(1, 1, 1), QByteArray());
        }) << y2019 + ": Gemeinde 30102 fehlt im Jahr 2019.";
        QTest::newRow("one year only")
            << Spoiler([](Fixture& f) { f.options.populationFiles.removeFirst(); }) << "es fehlt ein Jahr";
        QTest::newRow("encoding") << Spoiler([](Fixture& f) {
            f.editLine(f.options.codesFile, 3,
                       "GRGEMAKT-30102;Oberwei\xDF"
                       "bach;");
        }) << kPrefix + "2024_C-GRGEMAKT-0.csv, Zeile 3: falsche Zeichenkodierung (erwartet UTF-8).";
        QTest::newRow("fiscal unit") << Spoiler([](Fixture& f) {
            QList<QVariantList> rows = filledTemplate();
            rows[0][FiscalTemplate::header().indexOf("FA_Ertragsanteile_Red Basis (%)")] = "18 €";
            writeFile(f.path("Finanzen.csv"), ExportTable{"F", FiscalTemplate::header(), rows, {}}.csv());
            f.options.fiscalFile = f.path("Finanzen.csv");
        })
                                     << "Finanzen.csv, Zeile 2: Spalte „FA_Ertragsanteile_Red Basis (%)“: "
                                        "„18 €“ hat die Einheit €, erwartet %.";
        QTest::newRow("fiscal range") << Spoiler([](Fixture& f) {
            QList<QVariantList> rows = filledTemplate();
            rows[1][FiscalTemplate::header().indexOf("FA_Sekundäre_Transfers_Red Basis (%)")] = 150;
            writeFile(f.path("Finanzen.csv"), ExportTable{"F", FiscalTemplate::header(), rows, {}}.csv());
            f.options.fiscalFile = f.path("Finanzen.csv");
        })
                                      << "Finanzen.csv, Zeile 3: Spalte „FA_Sekundäre_Transfers_Red Basis "
                                         "(%)“: 150 liegt außerhalb von 0 bis 100.";
        QTest::newRow("fiscal range of an amount") << Spoiler([](Fixture& f) {
            QList<QVariantList> rows = filledTemplate();
            rows[0][FiscalTemplate::header().indexOf("FA_Ertragsanteile_Red_Max Basis (€)")] = "200000000";
            writeFile(f.path("Finanzen.csv"), ExportTable{"F", FiscalTemplate::header(), rows, {}}.csv());
            f.options.fiscalFile = f.path("Finanzen.csv");
        })
                                                   << "Finanzen.csv, Zeile 2: Spalte "
                                                      "„FA_Ertragsanteile_Red_Max Basis (€)“: 200000000 "
                                                      "liegt "
                                                      "außerhalb von 0 bis 100000000.";
    }

    void refusals() {
        QFETCH(Spoiler, spoil);
        QFETCH(QString, message);
        Fixture f;
        writeFile(f.options.outPath, "alt");
        spoil(f);
        const MasterImportReport report = importMaster(f.options);
        QVERIFY(!report.ok);
        QVERIFY2(report.errors.join('\n').contains(message), qPrintable(report.errors.join('\n')));
        // Nothing written: the previous file is untouched and no temporary file is left.
        QFile out(f.options.outPath);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("alt"));
        QCOMPARE(QDir(f.dir.path()).entryList({"*tmp*"}), QStringList());
    }

    void heldToRegionalTotals() {
        Fixture f;
        // 2024: district 301 (12 · 202 + 20604 = 23028 persons) and Land 7 (5 · 202 = 1010) doubled;
        // 2025 not given; 2050 lies beyond the forecast.
        f.options.forecastTotalsFile = f.path("Summen.csv");
        writeFile(f.options.forecastTotalsFile,
                  "Gebiet;Jahr;Einwohner\n301;2024;46056\n7;2024;2020\n7;2050;1\n");
        const MasterImportReport report = importMaster(f.options);
        QVERIFY2(report.ok, qPrintable(report.errors.join('\n')));
        const QString m = f.options.outPath;
        QCOMPARE(bvb(m, 30102, 30, 1), 248.0);
        QCOMPARE(bvb(m, 30101, 95, 1), 2 * 2 * 72.0);
        QCOMPARE(bvb(m, 70101, 30, 1), 20.0);
        QCOMPARE(bvb(m, 70101, 30, 2), 10.0);
        QVERIFY(report.notes.join(' ').contains(
            "Prognose-Summen: unberücksichtigt, weil außerhalb der Prognose (2024 bis 2043): 2050."));
        // An area without an imported municipality is refused.
        writeFile(f.options.forecastTotalsFile, "Gebiet;Jahr;Einwohner\n802;2030;500\n");
        QVERIFY(importMaster(f.options).errors.join(' ').contains(
            "im Gebiet 802 liegt keine importierte Gemeinde"));
    }

    void shippedMasterIsNeverTheTarget() {
        Fixture f;
        const QString shipped = f.path("TAVO_Master.db");
        QVERIFY(QFile::copy(TestDb::generatedMaster(), shipped));
        f.options.templateMaster = shipped;
        f.options.outPath = shipped;
        const MasterImportReport report = importMaster(f.options);
        QVERIFY(!report.ok);
        QVERIFY2(report.errors.join('\n').contains("ist die mitgelieferte Stammdatenbank"),
                 qPrintable(report.errors.join('\n')));
        QCOMPARE(cell(shipped, "SELECT count(*) FROM PG").toInt(), 16);
        // An earlier import is replaced by a new one made from it.
        f.options.outPath = f.path("Import.db");
        QVERIFY(importMaster(f.options).ok);
        f.options.templateMaster = f.options.outPath;
        f.options.land = 7;
        const MasterImportReport again = importMaster(f.options);
        QVERIFY2(again.ok, qPrintable(again.errors.join('\n')));
        QCOMPARE(cell(f.options.outPath, "SELECT count(*) FROM PG").toInt(), 1);
        QCOMPARE(cell(f.options.outPath, "SELECT count(*) FROM FeldWerte").toInt(),
                 cell(shipped, "SELECT count(*) FROM FeldWerte").toInt());
    }

    void fiscalTemplateThereAndBack() {
        Fixture f;
        // The template as tavo-cli writes it, filled in a spreadsheet and saved as CSV.
        f.options.fiscalFile = f.path("Finanzen.csv");
        writeFile(f.options.fiscalFile,
                  ExportTable{"F", FiscalTemplate::header(), filledTemplate(), {}}.csv());
        const MasterImportReport report = importMaster(f.options);
        QVERIFY2(report.ok, qPrintable(report.errors.join('\n')));
        const QString m = f.options.outPath;
        // 1000 € growing by 2 % a year: 1000 · 1.02² in year 3.
        QCOMPARE(cell(m, "SELECT round(Jahr3, 6) FROM FA_Ertragsanteile WHERE PG = 30101").toDouble(),
                 1040.4);
        QCOMPARE(cell(m, "SELECT Jahr20 FROM FA_Sekundäre_Transfers_Red_Max WHERE PG = 30101").toDouble(),
                 2500.0);
        QCOMPARE(cell(m, "SELECT Jahr7 FROM FA_Ertragsanteile WHERE PG = 30102").toDouble(), 907.0);
        QCOMPARE(cell(m, "SELECT count(*) FROM Umlage_TLKAS WHERE PG = 70101").toInt(), 0);
        QVERIFY(report.notes.join(' ').contains(
            "Ohne Finanzzahlen (für eine Berechnung nicht wählbar): 70101 Söll-Au."));

        // The same figures from an Excel workbook, one of them with three decimals (a number cell, not
        // a German thousands point).
        const QString xlsx = f.path("Finanzen.xlsx");
        QList<QVariantList> rows = filledTemplate();
        rows[1][FiscalTemplate::header().indexOf("FA_Ertragsanteile Jahr7 (€/EW)")] = 907.125;
        XlsxWorkbook::writeTable(xlsx, ExportTable{"Finanzen", FiscalTemplate::header(), rows, {}});
        const FiscalTemplate::Reading reading =
            FiscalTemplate::read(xlsx, {{30101, "a"}, {30102, "b"}, {70101, "c"}});
        QVERIFY2(reading.errors.isEmpty(), qPrintable(reading.errors.join('\n')));
        QCOMPARE(reading.withoutFigures, QList<int>{70101});
        QCOMPARE(reading.figures.value(30102)[0][6], 907.125);
        QCOMPARE(reading.figures.value(30101)[7][0], 4000.0);
    }

    void numbersAndUnits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("ok");
        QTest::newRow("comma") << "1045,5"
                               << "€" << 1045.5 << true;
        QTest::newRow("German thousands") << "1.045,50 €"
                                          << "€" << 1045.5 << true;
        QTest::newRow("percent") << "18 %"
                                 << "%" << 18.0 << true;
        QTest::newRow("wrong unit") << "18 %"
                                    << "€" << 0.0 << false;
        QTest::newRow("thousands point alone") << "1.500"
                                               << "€" << 0.0 << false;
        QTest::newRow("decimal point") << "1045.5"
                                       << "€" << 1045.5 << true;
        QTest::newRow("text") << "viel"
                              << "€" << 0.0 << false;
    }

    void numbersAndUnits() {
        QFETCH(QString, text);
        QFETCH(QString, unit);
        QFETCH(double, value);
        QFETCH(bool, ok);
        QString error;
        const double parsed = FiscalTemplate::parseNumber(text, unit, &error);
        QCOMPARE(error.isEmpty(), ok);
        if (ok)
            QCOMPARE(parsed, value);
    }

    void projectOnImportedMaster() {
        Fixture f;
        f.options.fiscalFile = f.path("Finanzen.csv");
        writeFile(f.options.fiscalFile,
                  ExportTable{"F", FiscalTemplate::header(), filledTemplate(), {}}.csv());
        QVERIFY(importMaster(f.options).ok);
        TestDb db(f.options.outPath);
        const int id = db.insertProject({{"PG", 30101}, {"auAnteilZuzug", 40}});
        {
            EngineFixture::EngineRun run(db, id);
            run.context.result().inhabitants[30][3] = 100;
            Steps::fiscalEqualisation(run.context);
            // 40 % of 100 inhabitants of year 3 count in year 5: 40 × 1000 × 1.02⁴ €.
            QVERIFY(EngineFixture::near(
                EngineFixture::ledgerSum(run.context.result(), "Einnahme", "Ertragsanteile", 5),
                40 * 1082.43216));
            QVERIFY(EngineFixture::near(
                EngineFixture::ledgerSum(run.context.result(), "Ausgabe", "Umlage TLKAS", 5), 40 * 100.0));
        }
        // A municipality without fiscal figures and one the master does not know: a message, no zeros.
        for (const auto& [pg, expected] :
             {std::pair<int, QString>{70101, "Für die Gemeinde 70101 fehlen"},
              std::pair<int, QString>{301, "Die Gemeinde 301 (Talheim) des Projekts gibt es"}}) {
            const int other = db.insertProject({{"PG", pg}, {"PG_Name", "Talheim"}, {"auAnteilZuzug", 40}});
            EngineFixture::EngineRun run(db, other);
            run.context.result().inhabitants[30][3] = 100;
            try {
                Steps::fiscalEqualisation(run.context);
                QFAIL("calculated without fiscal figures");
            } catch (const TavoError& e) {
                QVERIFY2(e.message().startsWith(expected), qPrintable(e.message()));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestMasterImport)
#include "test_master_import.moc"
