// The input check before every run, with hostile values: each bad value of the table is put into a
// calculated project and run through the check and through `tavo-cli calc`, which must refuse it
// (or warn and calculate) and leave the stored results as they were.

#include <QtTest>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/Calculation.h"
#include "core/services/CalculationRun.h"
#include "core/projects/InputCheck.h"
#include "core/projects/ProjectRecord.h"
#include "support/CliRun.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace EngineFixture;

namespace {

using CliResult = CliOutput;

// tavo-cli under a German locale: what it reads must not depend on the desktop's decimal comma.
CliResult runCli(const TestDb& db, const QString& command, const QStringList& args) {
    return tavo::runCli(QStringList{command, "--master", db.masterPath(), "--user", db.userPath()} + args,
                        {{QStringLiteral("LC_ALL=de_AT.UTF-8")}});
}

// Everything a run writes for the project, as one text: ledger, population and dwelling units, the
// stamped reference year.
QString resultState(TestDb& db, int id) {
    QStringList parts;
    for (const char* sql :
         {"SELECT count(*), Total(Ausgabe), Total(Einnahme) FROM Auswertung WHERE TAVO = ?",
          "SELECT count(*), Total(Bewohner), 0 FROM bBvB WHERE TAVO = ?",
          "SELECT count(*), Total(EFHg + EFHk + RHg + RHk + GWB), 0 FROM bWvB WHERE TAVO = ?",
          "SELECT Bezugsjahr, 0, 0 FROM TAVO WHERE ID = ?"}) {
        QSqlQuery q = Sql::exec(db.user(), QString::fromUtf8(sql), {id});
        q.next();
        parts << QStringLiteral("%1/%2/%3")
                     .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
    }
    return parts.join(QLatin1Char(' '));
}

// Writes value into column of the project row (table TAVO) or of the project's first detail row.
void putValue(TestDb& db, int id, const QString& table, const QString& column, const QVariant& value) {
    if (table == QLatin1String("TAVO")) {
        Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET %1 = ? WHERE ID = ?").arg(Sql::quoted(column)),
                  {value, id});
        return;
    }
    Sql::exec(db.user(),
              QStringLiteral("UPDATE %1 SET %2 = ? WHERE ID = (SELECT min(ID) FROM %1 WHERE TAVO = ?)")
                  .arg(table, Sql::quoted(column)),
              {value, id});
}

const QString kMegabyte(1 << 20, QLatin1Char('x'));

} // namespace

class TestInputCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void textIsNoNumber_data();
    void textIsNoNumber();
    void refusals_data();
    void refusals();
    void warnings_data();
    void warnings();
    void nonFiniteFiguresStop();
};

void TestInputCheck::textIsNoNumber_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QStringList texts{"inf",   "-inf",   "+inf",   "Infinity", "nan",  "NaN", "-nan",
                            "1e999", "-1e999", "1e+400", "0x1p3",    "0x10", "abc", "1,5,5"};
    const QList<QPair<const char*, QLocale>> locales{
        {"C", QLocale::c()}, {"de_AT", NumberFormat::localeFor(QLocale(QLocale::German, QLocale::Austria))}};
    for (const auto& [name, locale] : locales)
        for (const QString& text : texts)
            QTest::addRow("%s %s", name, qPrintable(text)) << locale << text;
}

void TestInputCheck::textIsNoNumber() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QLocale::setDefault(locale);
    bool ok = true;
    NumberFormat::parse(text, &ok);
    QVERIFY(!ok);
    ok = true;
    NumberFormat::parseTyped(text, &ok);
    QVERIFY(!ok);
    ok = true;
    NumberFormat::neutral(text, &ok);
    QVERIFY(!ok);
    ok = true;
    NumberFormat::storedNumber(QVariant(text), &ok);
    QVERIFY(!ok);

    // The project row refuses it like any other text that is no number.
    TestDb db;
    const int id = db.insertProject({{"PG", 301}, {"bgFlBaulandBrutto", 5000}});
    ProjectRecord record(db.user());
    record.load(id);
    QVERIFY_THROWS_EXCEPTION(TavoError, record.setValue(QStringLiteral("bgFlBaulandBrutto"), text));
    QCOMPARE(record.value(QStringLiteral("bgFlBaulandBrutto")).toDouble(), 5000.0);

    // Control: the same helpers read a real number in both notations.
    QCOMPARE(NumberFormat::parseTyped(QStringLiteral("2.5"), &ok), 2.5);
    QVERIFY(ok);
    QCOMPARE(NumberFormat::parseTyped(locale.toString(-1234.5, 'f', 1), &ok), -1234.5);
    QVERIFY(ok);
}

void TestInputCheck::refusals_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("field");  // as the message names it
    QTest::addColumn<QString>("reason"); // a part of the message
    QTest::addColumn<QString>("shown");  // the value as the message quotes it; empty: not checked

    const QString noNumber = QStringLiteral("ist keine Zahl");
    const QString tooLarge = QStringLiteral("außerhalb des zulässigen Bereichs");
    const auto row = [](const char* name, const char* table, const char* column, const QVariant& value,
                        const QString& field, const QString& reason, const QString& shown = QString()) {
        const QString quoted = shown.isNull() ? value.toString() : shown;
        QTest::newRow(name) << QString::fromUtf8(table) << QString::fromUtf8(column) << value << field
                            << reason << quoted;
    };
    row("gross area text", "TAVO", "bgFlBaulandBrutto", "abc", "bgFlBaulandBrutto", noNumber);
    row("green share inf", "TAVO", "bgAntGrünflächen", "inf", "bgAntGrünflächen", noNumber);
    row("line factor NaN", "TAVO", "ifFaktorLeitungslängen", "NaN", "ifFaktorLeitungslängen", noNumber);
    // SQLite keeps the text "1e999" of a DOUBLE column as an infinite number.
    row("rate 1e999 text", "TAVO", "gsHebesatz", "1e999", "gsHebesatz", noNumber, "inf");
    row("land value stored inf", "TAVO", "gsBodenwert", std::numeric_limits<double>::infinity(),
        "gsBodenwert", noNumber);
    row("land value 1e13", "TAVO", "gsBodenwert", 1e13, "gsBodenwert", tooLarge);
    row("own share 1e308", "TAVO", "fiEigAntErKanal", 1e308, "fiEigAntErKanal", tooLarge);
    row("net land 1e-320", "TAVO", "bgFlBaulandNetto", 1e-320, "bgFlBaulandNetto", tooLarge, "");
    row("description 1001", "TAVO", "Beschreibung", QString(1001, QLatin1Char('d')), "Beschreibung",
        "1001 Zeichen lang, erlaubt sind höchstens 1000");
    row("name 201", "TAVO", "Projekt", QString(201, QLatin1Char('p')), "Projekt", "höchstens 200");
    row("share text", "Bebauung", "bbAnteil", "viel", "Bebauung.bbAnteil", noNumber);
    row("building type 1 MB", "Bebauung", "bbTyp", kMegabyte, "Bebauung.bbTyp", "höchstens 200");
    row("settlement year empty", "Besiedelung", "Jahr", QVariant(), "Besiedelung.Jahr", "ist leer", "");
    row("settlement year 2.7", "Besiedelung", "Jahr", 2.7, "Besiedelung.Jahr", "keine ganze Zahl");
    row("settlement year text", "Besiedelung", "Jahr", "erstes", "Besiedelung.Jahr", noNumber);
    row("settlement share -inf", "Besiedelung", "EFHg", "-inf", "Besiedelung.EFHg", noNumber);
    row("special amount 1e308", "Sonderausgaben", "Ausgabe", 1e308, "Sonderausgaben.Ausgabe", tooLarge);
    row("special amount text", "Sonderausgaben", "Ausgabe", "teuer", "Sonderausgaben.Ausgabe", noNumber);
    row("special year inf", "Sonderausgaben", "Jahr", "Infinity", "Sonderausgaben.Jahr", noNumber);
    row("special name 1 MB", "Sonderausgaben", "Bezeichnung", kMegabyte, "Sonderausgaben.Bezeichnung",
        "höchstens 200");
}

void TestInputCheck::refusals() {
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QString, field);
    QFETCH(QString, reason);
    QFETCH(QString, shown);
    TestDb db;
    const int id = insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    QVERIFY(InputCheck::check(db.dbs(), id).refusals.isEmpty());
    const QString before = resultState(db, id);
    putValue(db, id, table, column, value);

    const QString project = QStringLiteral("Projekt %1").arg(id);
    const QStringList refusals = InputCheck::check(db.dbs(), id).refusals;
    QCOMPARE(refusals.size(), 1);
    const QString message = refusals.first();
    QVERIFY2(message.contains(field) && message.contains(project) && message.contains(reason),
             qPrintable(message));
    // The value is quoted, a long one cut to 80 characters.
    if (shown.size() > 80)
        QVERIFY2(message.contains(shown.left(79) + QChar(0x2026) + QStringLiteral("“")) &&
                     message.size() < 300,
                 qPrintable(message.left(400)));
    else if (!shown.isEmpty())
        QVERIFY2(message.contains(QStringLiteral("„%1“").arg(shown)), qPrintable(message));

    // A run refuses it too and writes nothing.
    QVERIFY_THROWS_EXCEPTION(TavoError, runCalculation(db.dbs(), id));
    const CliResult cli = runCli(db, QStringLiteral("calc"), {"--project", QString::number(id)});
    QCOMPARE(cli.exitCode, 1);
    QVERIFY2(cli.err.contains(field) && cli.err.contains(project) && cli.err.contains(reason),
             qPrintable(cli.err.left(400)));
    QVERIFY(cli.err.size() < 1000);
    db.reopen();
    QCOMPARE(resultState(db, id), before);

    // The figures of the project are not handed on either.
    const CliResult figures = runCli(db, QStringLiteral("kennzahlen"), {"--project", QString::number(id)});
    QCOMPARE(figures.exitCode, 1);
    QVERIFY(figures.out.isEmpty());
}

void TestInputCheck::warnings_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("warning");

    QTest::newRow("settlement year 0") << "Besiedelung"
                                       << "Jahr" << QVariant(0) << "das Jahr 0 liegt außerhalb von 1 bis 20";
    QTest::newRow("settlement year 21")
        << "Besiedelung"
        << "Jahr" << QVariant(21) << "das Jahr 21 liegt außerhalb von 1 bis 20";
    QTest::newRow("class XYZ") << "Bebauung"
                               << "bbBauklasse" << QVariant("XYZ")
                               << "die Bauklasse „XYZ“ ist keine römische Zahl von I bis X";
    QTest::newRow("class lower case")
        << "Bebauung"
        << "bbBauklasse" << QVariant("ii") << "die Bauklasse „ii“ ist keine römische Zahl";
    QTest::newRow("special type") << "Sonderausgaben"
                                  << "Typ" << QVariant("Feuerwehr")
                                  << "der Typ „Feuerwehr“ steht nicht in den Stammdaten";
    QTest::newRow("special bearer") << "Sonderausgaben"
                                    << "Kostenträger" << QVariant("Bund")
                                    << "der Kostenträger „Bund“ steht nicht in den Stammdaten";
    QTest::newRow("reference year text") << "TAVO"
                                         << "Bezugsjahr" << QVariant("abc") << "Bezugsjahr (Projekt";
}

void TestInputCheck::warnings() {
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QString, warning);
    TestDb db;
    const int id = insertRealisticProject(db);
    QCOMPARE(InputCheck::check(db.dbs(), id).warnings, QStringList());
    putValue(db, id, table, column, value);
    const InputCheck::Findings findings = InputCheck::check(db.dbs(), id);
    QCOMPARE(findings.refusals, QStringList());
    QVERIFY2(findings.warnings.filter(warning).size() == 1, qPrintable(findings.warnings.join('\n')));

    // Calculated all the same, with the warning on stderr.
    const CliResult cli = runCli(db, QStringLiteral("calc"), {"--project", QString::number(id)});
    QCOMPARE(cli.exitCode, 0);
    QVERIFY2(cli.err.contains(QStringLiteral("Warnung: ")) && cli.err.contains(warning), qPrintable(cli.err));
    QVERIFY(ledgerRows(db, id) > 0);
}

void TestInputCheck::nonFiniteFiguresStop() {
    // Stored results beyond the range of a double: two bookings of 1e308 add up to more than a double
    // holds, and a vanishing number of dwelling units makes the balance per unit infinite. No figure
    // is printed as inf, and JSON carries no null in its place.
    TestDb db;
    const int sum = db.insertProject({{"PG", 301}});
    db.book(sum, 3, "Sonstiges", "Riesig", "Gemeinde", 1e308, 0);
    db.book(sum, 4, "Sonstiges", "Riesig", "Gemeinde", 1e308, 0);
    const int perUnit = db.insertProject({{"PG", 301}});
    db.book(perUnit, 3, "Sonstiges", "Gebühr", "Gemeinde", 0, 1e10);
    db.insertRow("bWvB", {{"TAVO", perUnit}, {"Jahr", 20}, {"EFHg", 1e-320}});
    const QList<QPair<int, QString>> cases{{sum, QStringLiteral("Ausgaben")},
                                           {perUnit, QStringLiteral("Wohneinheiten")}};
    for (const auto& [id, source] : cases) {
        for (const QString& format :
             {QStringLiteral("text"), QStringLiteral("csv"), QStringLiteral("json")}) {
            const CliResult cli = runCli(db, QStringLiteral("kennzahlen"),
                                         {"--project", QString::number(id), "--format", format});
            QVERIFY2(cli.exitCode != 0 && cli.err.contains(QStringLiteral("keine endliche Zahl")) &&
                         cli.err.contains(source) && !cli.err.contains(QStringLiteral("inf")),
                     qPrintable(cli.err));
            QVERIFY(cli.out.isEmpty());
        }
    }

    // In memory the same: a run whose two special expenditures of 1e308 (past the input check) would
    // add up beyond a double stops, naming the largest booking.
    const int project = insertRealisticProject(db);
    EngineInput input = EngineInput::load(db.dbs(), project);
    QCOMPARE(input.specialExpenditures.size(), std::size_t(2));
    for (SpecialExpenditureRow& row : input.specialExpenditures)
        row.ausgabe = 1e308;
    try {
        calculate(input);
        QFAIL("calculated beyond the range of a double");
    } catch (const TavoError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("Zahlenbereich")) &&
                     e.message().contains(QStringLiteral("„Kindergartenzubau“")),
                 qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestInputCheck)
#include "test_input_check.moc"
