// Rows that sort alike on a PostgreSQL server and in the file: empty years, and equal keys of rows the
// server keeps in another place on its disk than their order of writing (an edited detail row, a ledger
// row in the space of deleted ones). Every listing a planner reads or exports shows them in the file's
// order.

#include <QLineEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/services/ExampleProject.h"
#include "core/projects/Plausibility.h"
#include "core/projects/ProjectRecords.h"
#include "core/results/DatasetText.h"
#include "core/results/ExportTable.h"
#include "core/results/ProjectWorkbook.h"
#include "core/results/ResultQueries.h"
#include "gui/input/DetailGrid.h"
#include "gui/input/DetailModel.h"
#include "gui/projects/VariantComparisonWindow.h"
#include "report/ReportData.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace ResultQueries;

namespace {

// What one database shows of the project.
struct Listings {
    QString expenditures;
    QStringList workbook;
    QStringList warnings;
    QList<QStringList> reportSettlement;
    QList<QStringList> reportSpecial;
    QStringList comparison;
};

void addSpecial(const QSqlDatabase& user, int id, const QVariant& jahr, const QString& name, double amount) {
    Sql::exec(user,
              QStringLiteral("INSERT INTO \"Sonderausgaben\" (\"TAVO\", \"Jahr\", \"Typ\", \"Bezeichnung\", "
                             "\"Kostenträger\", \"Ausgabe\") "
                             "VALUES (?, ?, 'Sonstiges', ?, 'Gemeinde', ?)"),
              {id, jahr, name, amount});
}

// The example and a variant of it: two equal special expenditures in year 4, calculated; afterwards a
// settlement row and a special expenditure without year, a second settlement row of year 2 and two
// negative expenditures of year 6, the earlier of each pair edited after the later one was written.
int prepare(const Databases& dbs) {
    const QSqlDatabase user = dbs.user();
    ExampleProject::create(dbs);
    const int id = duplicateProject(dbs, 1);
    addSpecial(user, id, 4, QStringLiteral("Zaun"), 200.0);
    addSpecial(user, id, 4, QStringLiteral("Zaun"), 100.0);
    runCalculation(dbs, id);
    // The server may put a row written by a later run into the space of deleted ones, ahead of rows
    // written before it; updating the first of the two equal rows moves it the same way.
    Sql::exec(user,
              QStringLiteral("UPDATE \"Auswertung\" SET \"Ausgabe\" = \"Ausgabe\" WHERE \"TAVO\" = ? AND "
                             "\"Bezeichnung\" = 'Zaun' "
                             "AND \"Ausgabe\" = 200"),
              {id});

    const QVariant firstOfYear2 = Sql::scalar(
        user, QStringLiteral("SELECT min(\"ID\") FROM \"Besiedelung\" WHERE \"TAVO\" = ? AND \"Jahr\" = 2"),
        {id});
    Sql::exec(
        user,
        QStringLiteral("INSERT INTO \"Besiedelung\" (\"TAVO\", \"Jahr\", \"EFHg\") VALUES (?, NULL, 5)"),
        {id});
    Sql::exec(user,
              QStringLiteral("INSERT INTO \"Besiedelung\" (\"TAVO\", \"Jahr\", \"EFHg\") VALUES (?, 2, 1)"),
              {id});
    Sql::exec(user, QStringLiteral("UPDATE \"Besiedelung\" SET \"GWB\" = 3 WHERE \"ID\" = ?"),
              {firstOfYear2});

    addSpecial(user, id, QVariant(), QStringLiteral("Ohne Jahr"), 10.0);
    addSpecial(user, id, 6, QStringLiteral("Tor"), -1.0);
    addSpecial(user, id, 6, QStringLiteral("Gitter"), -2.0);
    Sql::exec(
        user,
        QStringLiteral(
            "UPDATE \"Sonderausgaben\" SET \"Ausgabe\" = -3 WHERE \"TAVO\" = ? AND \"Bezeichnung\" = 'Tor'"),
        {id});
    return id;
}

Listings listingsOf(Databases& dbs, int id) {
    Listings l;
    const FilterItems items = loadFilterItems(dbs.master());
    const FinanceChoice all{int(items.costBearers.size()) - 1, int(items.types.size()) - 1, 0};
    QSqlQuery expenditures = execute(dbs.user(), buildResultQuery(ResultKind::Expenditure, items, all, id));
    l.expenditures = DatasetText::fromQuery(expenditures);
    for (const ExportTable& table : ProjectWorkbook::tables(dbs, id, all, 0))
        l.workbook << table.name + QLatin1Char('\n') + QString::fromUtf8(table.csv());
    l.warnings = Plausibility::warnings(dbs, id);
    const ReportData report = ReportData::load(dbs, id);
    l.reportSettlement = report.settlement.rows;
    l.reportSpecial = report.specialExpenditures.rows;
    VariantComparisonWindow window(dbs, {1, id});
    QTableWidget* table = window.table();
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c)
            l.comparison << (table->item(r, c) ? table->item(r, c)->text() : QString());
    return l;
}

} // namespace

class TestPgListings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsListInTheFilesOrder();
    void emptyCellStaysEmpty();
};

void TestPgListings::rowsListInTheFilesOrder() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    PgTestDatabase server;
    QTemporaryDir dir;
    const QString master = TestDb::generatedMaster();
    QList<Listings> shown;
    for (const QString& location : {dir.filePath(QStringLiteral("TAVO_User.db")), server.url()}) {
        Databases::createUserDatabase(location);
        Databases dbs(master, location);
        shown << listingsOf(dbs, prepare(dbs));
    }
    const Listings& file = shown.at(0);
    const Listings& onServer = shown.at(1);

    // The two equal ledger rows in the order they were written.
    const int first = onServer.expenditures.indexOf(QStringLiteral("4\tSonstiges\tZaun\tGemeinde\t200\r\n"));
    QVERIFY(first >= 0);
    QVERIFY(first < onServer.expenditures.indexOf(QStringLiteral("4\tSonstiges\tZaun\tGemeinde\t100\r\n")));
    QCOMPARE(onServer.expenditures, file.expenditures);

    // The expenditure without year first, then year 6 in the order of entry.
    const QStringList special = onServer.warnings.filter(QStringLiteral("Sonderausgabe"));
    QCOMPARE(special.size(), 3);
    QVERIFY(special.at(0).contains(QStringLiteral("„Ohne Jahr“")));
    QVERIFY(special.at(1).contains(QStringLiteral("„Tor“")));
    QVERIFY(special.at(2).contains(QStringLiteral("„Gitter“")));
    QCOMPARE(onServer.warnings, file.warnings);

    // The settlement row without year heads the report's table; the edited row of year 2 stays ahead
    // of the one added later.
    QCOMPARE(onServer.reportSettlement.first().first(), QString());
    QCOMPARE(onServer.reportSettlement, file.reportSettlement);
    QCOMPARE(onServer.reportSpecial, file.reportSpecial);

    QCOMPARE(onServer.workbook.size(), file.workbook.size());
    for (int i = 0; i < file.workbook.size(); ++i)
        QCOMPARE(onServer.workbook.at(i), file.workbook.at(i));
    QCOMPARE(onServer.comparison, file.comparison);
}

// An empty number read from the server opens as an empty cell editor, and leaving it writes nothing.
void TestPgListings::emptyCellStaysEmpty() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    PgTestDatabase server;
    Databases::createUserDatabase(server.url());
    const Databases dbs(TestDb::generatedMaster(), server.url());
    const int id = ExampleProject::create(dbs);
    Sql::exec(dbs.user(),
              QStringLiteral("INSERT INTO \"Besiedelung\" (\"TAVO\", \"Jahr\", \"EFHg\") VALUES (?, 21, 4)"),
              {id});
    SettlementGrid grid(dbs.user());
    grid.open(id);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const int last = grid.model()->rowCount() - 1;
    QCOMPARE(grid.model()->index(last, 0).data(Qt::EditRole).toInt(), 21);
    QTableView* view = grid.view();
    // Moving onto the cell opens its editor.
    view->setCurrentIndex(grid.model()->index(last, 2));
    QLineEdit* cellEdit = nullptr;
    for (QLineEdit* edit : view->viewport()->findChildren<QLineEdit*>())
        if (edit->isVisible())
            cellEdit = edit;
    QVERIFY(cellEdit);
    QCOMPARE(cellEdit->text(), QString());
    QTest::keyClick(cellEdit, Qt::Key_Return);
    grid.post();
    QCOMPARE(Sql::scalar(dbs.user(),
                         QStringLiteral("SELECT count(*) FROM \"Besiedelung\" WHERE \"TAVO\" = ? AND "
                                        "\"Jahr\" = 21 AND \"EFHk\" IS NULL"),
                         {id})
                 .toInt(),
             1);
}

QTEST_MAIN(TestPgListings)
#include "test_pg_listings.moc"
