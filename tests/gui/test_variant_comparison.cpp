// "Varianten vergleichen": differing inputs, the best value of each line, the state of each project's
// results and the calculation of the outdated ones from the window.

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPushButton>
#include <QTableWidget>
#include <QValueAxis>
#include <QtTest>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/projects/CalculationState.h"
#include "core/projects/ProjectRecords.h"
#include "gui/projects/VariantComparisonWindow.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using State = CalculationState::State;

namespace {

int rowOf(QTableWidget* table, const QString& caption) {
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0) && table->item(r, 0)->text() == caption)
            return r;
    return -1;
}

// How far apart two colours are in lightness (0 to 255).
int lightnessGap(const QColor& a, const QColor& b) {
    return std::abs(a.lightness() - b.lightness());
}

QPalette themePalette(bool dark) {
    QPalette palette;
    const QColor window = dark ? QColor(0x2b, 0x2b, 0x2b) : QColor(0xef, 0xef, 0xef);
    const QColor text = dark ? QColor(0xf0, 0xf0, 0xf0) : QColor(0x10, 0x10, 0x10);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, dark ? QColor(0x1e, 0x1e, 0x1e) : Qt::white);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, dark ? QColor(0x3c, 0x3c, 0x3c) : QColor(0xe0, 0xe0, 0xe0));
    palette.setColor(QPalette::ButtonText, text);
    return palette;
}

bool isBest(QTableWidget* table, int row, int column) {
    return table->item(row, column)->background().color() == VariantComparisonWindow::bestColour();
}

} // namespace

class VariantComparisonTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void fingerprintFollowsTheInputs();
    void bestValuesDifferingInputsAndStates();
    void calculatesTheOutdatedProjects();
    void readableUnderLightAndDarkThemes_data();
    void readableUnderLightAndDarkThemes();
    void chartAmountsGroupThousands_data();
    void chartAmountsGroupThousands();
    void rowsCarryTheirOwnCaptions();
    void duplicateComparesEqual();
};

void VariantComparisonTest::fingerprintFollowsTheInputs() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    QCOMPARE(CalculationState::of(db.user(), id), State::NotCalculated);
    runCalculation(db.dbs(), id);
    QCOMPARE(CalculationState::of(db.user(), id), State::Current);
    // A settlement row, then the project row: each makes the results out of date; the next run
    // brings them up to date again.
    Sql::exec(db.user(), QStringLiteral("UPDATE Besiedelung SET EFHg = EFHg + 1 WHERE TAVO = ? AND Jahr = 2"),
              {id});
    QCOMPARE(CalculationState::of(db.user(), id), State::Changed);
    runCalculation(db.dbs(), id);
    QCOMPARE(CalculationState::of(db.user(), id), State::Current);
    Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET fiZinsenSoll = 7.25 WHERE ID = ?"), {id});
    QCOMPARE(CalculationState::of(db.user(), id), State::Changed);
    // Results without a stored fingerprint (a file of an older version) count as changed.
    runCalculation(db.dbs(), id);
    Sql::exec(db.user(), QStringLiteral("DELETE FROM Berechnungsstand"));
    QCOMPARE(CalculationState::of(db.user(), id), State::Changed);
}

void VariantComparisonTest::bestValuesDifferingInputsAndStates() {
    TestDb db;
    const int a = db.insertProject({{"PG", 301},
                                    {"Projekt", "Hang"},
                                    {"Beschreibung", "A"},
                                    {"fiZinsenSoll", 3.5},
                                    {"gsHebesatz", 500}});
    const int b = db.insertProject(
        {{"PG", 301}, {"Projekt", "Hang"}, {"Beschreibung", "B"}, {"fiZinsenSoll", 4}, {"gsHebesatz", 500}});
    const int c = db.insertProject(
        {{"PG", 301}, {"Projekt", "Hang"}, {"Beschreibung", "C"}, {"fiZinsenSoll", 4}, {"gsHebesatz", 500}});
    // A: spends 1000, earns 1100 (balance 100); B: spends 2000, earns 2250 (balance 250); C never calculated.
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 1000, 0);
    db.book(a, 2, "Kanal", "Gebühr", "Gemeinde", 0, 1100);
    db.book(b, 1, "Kanal", "Bau", "Gemeinde", 2000, 0);
    db.book(b, 3, "Kanal", "Gebühr", "Gemeinde", 0, 2250);
    CalculationState::store(db.user(), a); // B has results but no fingerprint

    VariantComparisonWindow window(db.dbs(), {a, b, c});
    QTableWidget* table = window.table();
    QCOMPARE(table->columnCount(), 4);
    QCOMPARE(window.states(), (QList<State>{State::Current, State::Changed, State::NotCalculated}));
    const int stand = rowOf(table, QStringLiteral("Stand"));
    QVERIFY(stand >= 0);
    QCOMPARE(table->item(stand, 1)->text(), QStringLiteral("aktuell"));
    QCOMPARE(table->item(stand, 2)->text(), QStringLiteral("geändert seit der Berechnung"));
    QCOMPARE(table->item(stand, 3)->text(), QStringLiteral("nicht berechnet"));
    QVERIFY(table->item(stand, 1)->background().color() != VariantComparisonWindow::outdatedColour());
    QCOMPARE(table->item(stand, 2)->background().color(), VariantComparisonWindow::outdatedColour());
    QCOMPARE(table->item(stand, 3)->background().color(), VariantComparisonWindow::outdatedColour());
    QVERIFY(window.calculateButton()->isEnabled());

    // Only the input that differs is listed, with its caption from the input page.
    const int soll = rowOf(table, QStringLiteral("Finanzierung: Effektivzinssatz Soll (%)"));
    QVERIFY(soll >= 0);
    QCOMPARE(table->item(soll, 1)->text(), QStringLiteral("3,5"));
    QCOMPARE(table->item(soll, 2)->text(), QStringLiteral("4"));
    QCOMPARE(rowOf(table, QStringLiteral("Grundsteuer: Hebesatz")), -1);

    // Best values: the lower expenditure (A), the higher balance (B), the earlier payback (A in year
    // 2, B in year 3), the higher low point (A -1000 against B -2000); C has none.
    const int ausgaben = rowOf(table, QStringLiteral("Ausgaben"));
    const int saldo = rowOf(table, QStringLiteral("Saldo"));
    const int payback = rowOf(table, QStringLiteral("Amortisationsjahr"));
    const int low = rowOf(table, QStringLiteral("Tiefpunkt kumulierter Saldo"));
    QVERIFY(isBest(table, ausgaben, 1) && !isBest(table, ausgaben, 2) && !isBest(table, ausgaben, 3));
    QVERIFY(!isBest(table, saldo, 1) && isBest(table, saldo, 2) && !isBest(table, saldo, 3));
    QCOMPARE(table->item(saldo, 2)->text(), QStringLiteral("250,00"));
    QCOMPARE(table->item(saldo, 3)->text(), QStringLiteral("–"));
    QVERIFY(isBest(table, payback, 1) && !isBest(table, payback, 2));
    QCOMPARE(table->item(payback, 2)->text(), QStringLiteral("3"));
    QVERIFY(isBest(table, low, 1) && !isBest(table, low, 2));
    // Equal values in every project mark none.
    const int year = rowOf(table, QStringLiteral("Jahr des Tiefpunkts"));
    QVERIFY(!isBest(table, year, 1) && !isBest(table, year, 2));

    // The chart holds one line per calculated variant.
    QCOMPARE(window.chartView()->chart()->series().size(), 2);
    if (!qEnvironmentVariableIsEmpty("TAVO_SCREENSHOTS")) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.grab().save(QStringLiteral("/tmp/tavo_vergleich.png"));
    }
    QVERIFY(window.clipboardText().contains(QStringLiteral("Saldo\t100,00\t250,00\t–\r\n")));
}

void VariantComparisonTest::calculatesTheOutdatedProjects() {
    TestDb db;
    const int a = db.insertProject({{"PG", 301}, {"Beschreibung", "von Hand"}});
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 1000, 0);
    CalculationState::store(db.user(), a);
    const int c = EngineFixture::insertRealisticProject(db);

    VariantComparisonWindow window(db.dbs(), {a, c});
    QCOMPARE(window.states(), (QList<State>{State::Current, State::NotCalculated}));
    QTest::mouseClick(window.calculateButton(), Qt::LeftButton);
    QCOMPARE(window.states(), (QList<State>{State::Current, State::Current}));
    QVERIFY(!window.calculateButton()->isEnabled());
    // The current project was left alone: its hand-made ledger is still its only row.
    QCOMPARE(
        Sql::scalar(db.user(), QStringLiteral("SELECT count(*) FROM Auswertung WHERE TAVO = ?"), {a}).toInt(),
        1);
    QVERIFY(EngineFixture::ledgerRows(db, c) > 0);
    QCOMPARE(window.chartView()->chart()->series().size(), 2);
}

void VariantComparisonTest::readableUnderLightAndDarkThemes_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("hell") << false;
    QTest::newRow("dunkel") << true;
}

// Every cell with a colour of its own (section rows, best values, outdated states) keeps its text
// clearly lighter or darker than its background under either theme.
void VariantComparisonTest::readableUnderLightAndDarkThemes() {
    QFETCH(bool, dark);
    const QPalette before = QApplication::palette();
    QApplication::setPalette(themePalette(dark));
    TestDb db;
    const int a = db.insertProject({{"PG", 301}, {"Beschreibung", "A"}, {"fiZinsenSoll", 3.5}});
    const int b = db.insertProject({{"PG", 301}, {"Beschreibung", "B"}, {"fiZinsenSoll", 4}});
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 1000, 0);
    db.book(b, 1, "Kanal", "Bau", "Gemeinde", 2000, 0);
    CalculationState::store(db.user(), a);
    VariantComparisonWindow window(db.dbs(), {a, b});
    QTableWidget* table = window.table();
    const QColor plainText = table->palette().color(QPalette::Text);
    int coloured = 0;
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c) {
            const QTableWidgetItem* item = table->item(r, c);
            if (!item || item->background().style() == Qt::NoBrush)
                continue;
            ++coloured;
            const QColor text =
                item->foreground().style() == Qt::NoBrush ? plainText : item->foreground().color();
            QVERIFY2(lightnessGap(text, item->background().color()) >= 100,
                     qPrintable(QStringLiteral("%1/%2 %3").arg(r).arg(c).arg(item->text())));
        }
    QApplication::setPalette(before);
    // Section rows, the best values and B's outdated state are among them.
    QVERIFY(coloured >= 6);
}

void VariantComparisonTest::chartAmountsGroupThousands_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("label");
    QTest::newRow("de_AT") << QLocale(QLocale::German, QLocale::Austria) << QStringLiteral("-2.000.000");
    QTest::newRow("C") << QLocale::c() << QStringLiteral("-2,000,000");
}

// The axis of the amounts reads "-2.000.000", not "-2000000", also where the user's locale groups none.
void VariantComparisonTest::chartAmountsGroupThousands() {
    QFETCH(QLocale, locale);
    QFETCH(QString, label);
    QLocale::setDefault(NumberFormat::localeFor(locale));
    TestDb db;
    const int a = db.insertProject({{"PG", 301}, {"Beschreibung", "A"}});
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 2000000, 0);
    CalculationState::store(db.user(), a);
    VariantComparisonWindow window(db.dbs(), {a});
    const QChart* chart = window.chartView()->chart();
    QVERIFY(chart->localizeNumbers());
    QCOMPARE(chart->locale().toString(-2000000.0, 'f', 0), label);
    // Localized labels are drawn only for a format with a precision; "%d" leaves an axis without labels.
    const QRegularExpression localizable(QStringLiteral("^[^%]*%\\.\\d+[defgiEG]"));
    const QList<QAbstractAxis*> axes = chart->axes();
    QCOMPARE(axes.size(), 2);
    for (QAbstractAxis* axis : axes) {
        auto* values = qobject_cast<QValueAxis*>(axis);
        QVERIFY(values);
        QVERIFY2(localizable.match(values->labelFormat()).hasMatch(), qPrintable(values->labelFormat()));
    }
}

void VariantComparisonTest::rowsCarryTheirOwnCaptions() {
    TestDb db;
    const int a = db.insertProject({{"PG", 301},
                                    {"bgAntGrünflächen", 8},
                                    {"bgFlGrünflächen", 3600},
                                    {"auAntGemFörderungWasser", 10},
                                    {"ifKoEhStraße", 2.5},
                                    {"ifLfmKanalStrEntwässerung", 100},
                                    {"ifLfmAnschlKanalStrEntwässerung", 40}});
    const int b = db.insertProject({{"PG", 301},
                                    {"bgAntGrünflächen", 8},
                                    {"bgFlGrünflächen", 4000},
                                    {"auAntGemFörderungWasser", 20},
                                    {"ifKoEhStraße", 3},
                                    {"ifLfmKanalStrEntwässerung", 100},
                                    {"ifLfmAnschlKanalStrEntwässerung", 50}});
    EngineFixture::insertBuilding(db, a, "EFHg", "II", 60);
    EngineFixture::insertBuilding(db, a, "RHk", "III", 40);
    EngineFixture::insertBuilding(db, b, "EFHg", "II", 35);
    EngineFixture::insertBuilding(db, b, "RHk", "III", 40);
    EngineFixture::insertBuilding(db, b, "GWB", "IV", 25);
    EngineFixture::insertSettlement(db, a, 1, {{"EFHg", 50}, {"RHk", 30}});
    EngineFixture::insertSettlement(db, b, 1, {{"EFHg", 40}, {"RHk", 30}});
    db.insertRow("Sonderausgaben", {{"TAVO", a},
                                    {"Jahr", 3},
                                    {"Typ", "Kanal"},
                                    {"Bezeichnung", "Brücke"},
                                    {"Kostenträger", "Gemeinde"},
                                    {"Ausgabe", 1000.5}});

    VariantComparisonWindow window(db.dbs(), {a, b});
    QTableWidget* table = window.table();
    const auto cells = [table](const QString& caption) {
        const int row = rowOf(table, caption);
        return row < 0 ? QStringList{QStringLiteral("fehlt: ") + caption}
                       : QStringList{table->item(row, 1)->text(), table->item(row, 2)->text()};
    };
    // The area beside a share is listed as an area; the share, equal in both, not at all.
    QCOMPARE(cells("Baugebiet/Bebauung: Fläche öffentliche Grünflächen (m2)"),
             (QStringList{"3.600", "4.000"}));
    QCOMPARE(rowOf(table, "Baugebiet/Bebauung: Anteil öffentliche Grünflächen (%)"), -1);
    QCOMPARE(cells("Besiedelung: Gemeindeförderung Wasserleitung (%)"), (QStringList{"10", "20"}));
    // A cost per running metre under the heading of maintenance costs.
    QCOMPARE(cells("techn. Infrastruktur: Straßenoberbau, Erhaltungskosten/Jahr (€ je m2)"),
             (QStringList{"2,5", "3,0"}));
    // The outer development's line is told apart from the inner one's, which is equal.
    QCOMPARE(cells("techn. Infrastruktur, Außenerschließung: Kanal Str-Entwässerung (Lfm)"),
             (QStringList{"40", "50"}));
    QCOMPARE(rowOf(table, "techn. Infrastruktur, Innenerschließung: Kanal Str-Entwässerung (Lfm)"), -1);
    // Detail rows by type and class, year and type, designation.
    QCOMPARE(cells("Bebauung EFHg, Bauklasse II: Anteil (%)"), (QStringList{"60", "35"}));
    QCOMPARE(cells("Bebauung GWB, Bauklasse IV: Anteil (%)"), (QStringList{"–", "25"}));
    QCOMPARE(rowOf(table, "Bebauung RHk, Bauklasse III: Anteil (%)"), -1);
    QCOMPARE(cells("Besiedelung Jahr 1: EFHg (%)"), (QStringList{"50", "40"}));
    QCOMPARE(rowOf(table, "Besiedelung Jahr 1: RHk (%)"), -1);
    QCOMPARE(cells("Sonderausgabe Jahr 3: Brücke (Kanal, Gemeinde) (€)"), (QStringList{"1.000,50", "–"}));
    QCOMPARE(cells("Sonderausgaben: Summe (€)"), (QStringList{"1.000,50", "0,00"}));
}

void VariantComparisonTest::duplicateComparesEqual() {
    TestDb db;
    const int original = EngineFixture::insertRealisticProject(db);
    Sql::exec(db.user(),
              "INSERT INTO Szenarien (TAVO, Szenario, Parameter, Wert) VALUES (?, 'pessimistisch', "
              "'Zinssatz', 5)",
              {original});
    QVERIFY(Sql::scalar(db.user(), "SELECT count(*) FROM Sonderausgaben WHERE TAVO = ?", {original}).toInt() >
            0);
    const int copy = duplicateProject(db.dbs(), original);
    runCalculation(db.dbs(), original);
    runCalculation(db.dbs(), copy);

    VariantComparisonWindow window(db.dbs(), {original, copy});
    QTableWidget* table = window.table();
    const int inputs = rowOf(table, "Eingaben, in denen sich die Varianten unterscheiden");
    const int figures = rowOf(table, "Kennzahlen (Gemeinde, Zinssatz 3 %)");
    // No input differs, and every figure is the same in both.
    QCOMPARE(figures, inputs + 1);
    QVERIFY(table->rowCount() > figures + 5);
    for (int r = figures + 1; r < table->rowCount(); ++r)
        QCOMPARE(table->item(r, 2)->text(), table->item(r, 1)->text());
    QVERIFY(table->item(rowOf(table, "Ausgaben"), 1)->text() != QStringLiteral("–"));
}

QTEST_MAIN(VariantComparisonTest)
#include "test_variant_comparison.moc"
