#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/projects/ProjectRecord.h"
#include "gui/input/DetailModel.h"
#include "support/TestDb.h"

using namespace tavo;

// The in-memory project row and detail rows behind the main window, without the window.
class InputModelTest : public QObject {
    Q_OBJECT

    QVariant stored(TestDb& db, int id, const char* column) {
        return Sql::scalar(
            db.user(),
            QStringLiteral("SELECT %1 FROM TAVO WHERE ID = ?").arg(Sql::quoted(QString::fromUtf8(column))),
            {id});
    }

    static std::vector<DetailColumn> bebauungColumns() {
        return {{"bbTyp", nullptr, 100, DetailColumn::Text, -1, false, false, false},
                {"bbBauklasse", nullptr, 100, DetailColumn::Text, -1, false, false, false},
                {"bbAnteil", nullptr, 50, DetailColumn::Integer, -1, false, false, true}};
    }

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void projectRowConvertsEditsAndPostsOnlyChangedColumns() {
        TestDb db;
        const int id = db.insertProject({{"Beschreibung", "alt"}, {"gsHebesatz", 500.0}, {"PG", 301}});
        ProjectRecord record(db.user());
        QSignalSpy changed(&record, &ProjectRecord::valueChanged);
        record.load(id);
        QCOMPARE(record.state(), ProjectRecord::State::Browse);
        QCOMPARE(record.value("Beschreibung").toString(), QStringLiteral("alt"));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        record.setValue("bgWandstärke", "0,45");           // the user's locale
        record.setValue("ifFaktorLeitungslängen", "0.05"); // a value-list Wert
        record.setValue("ifLfmWasserleitung", 617.9);      // whole-number column: truncated toward zero
        record.setValue("fiZinsenSoll", "");               // empty text: NULL
        QVERIFY(record.isEditing());
        QCOMPARE(record.value("bgWandstärke").toDouble(), 0.45);
        QCOMPARE(record.value("ifLfmWasserleitung").toLongLong(), 617LL);
        QCOMPARE(changed.count(), 3); // fiZinsenSoll was NULL already
        QVERIFY_THROWS_EXCEPTION(TavoError, record.setValue("gsHebesatz", "viel"));
        QVERIFY_THROWS_EXCEPTION(TavoError, record.setValue("keineSpalte", 1));
        QCOMPARE(record.value("gsHebesatz").toDouble(), 500.0);

        // Another window saved a column meanwhile; this row writes only what it changed.
        Sql::exec(db.user(), "UPDATE TAVO SET gsHebesatz = 450, Beschreibung = 'fremd' WHERE ID = ?", {id});
        record.post();
        QCOMPARE(record.state(), ProjectRecord::State::Browse);
        QCOMPARE(stored(db, id, "bgWandstärke").toDouble(), 0.45);
        QCOMPARE(stored(db, id, "ifFaktorLeitungslängen").toDouble(), 0.05);
        QCOMPARE(stored(db, id, "ifLfmWasserleitung").toInt(), 617);
        QCOMPARE(stored(db, id, "gsHebesatz").toDouble(), 450.0);
        QCOMPARE(stored(db, id, "Beschreibung").toString(), QStringLiteral("fremd"));

        // Cancel reads the stored row again.
        record.setValue("PG", "999");
        record.cancel();
        QVERIFY(!record.isEditing());
        QCOMPARE(record.value("PG").toInt(), 301);
        QCOMPARE(record.value("Beschreibung").toString(), QStringLiteral("fremd"));

        // A project that no longer exists cannot be edited.
        record.load(id + 100);
        QCOMPARE(record.state(), ProjectRecord::State::Inactive);
        QVERIFY(!record.edit());
        QVERIFY_THROWS_EXCEPTION(TavoError, record.setValue("PG", 301));
    }

    void gridsRefuseWhatIsNoNumberOrTooLong_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Austria)})
            for (const char* text : {"inf", "-inf", "nan", "Infinity", "1e999", "0x1p3"})
                QTest::addRow("%s %s", qPrintable(locale.name()), text) << locale << QString::fromUtf8(text);
    }

    void gridsRefuseWhatIsNoNumberOrTooLong() {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        TestDb db;
        const int id = db.insertProject({{"PG", 301}});
        DetailModel model(db.user(), "Bebauung", bebauungColumns());
        model.load(id);
        const int row = model.appendRow();
        QVERIFY(model.setData(model.index(row, 2), "40"));
        QVERIFY(!model.setData(model.index(row, 2), text));
        QVERIFY(!model.setData(model.index(row, 2), QVariant(std::numeric_limits<double>::infinity())));
        QCOMPARE(model.index(row, 2).data(Qt::EditRole).toInt(), 40);
        // A text column takes 200 characters, not one more.
        QVERIFY(model.setData(model.index(row, 1), QString(200, QLatin1Char('I'))));
        QVERIFY(!model.setData(model.index(row, 1), QString(201, QLatin1Char('I'))));
        QCOMPARE(model.index(row, 1).data(Qt::EditRole).toString().size(), 200);
    }

    void detailRowsAreWrittenTogetherOrNotAtAll() {
        TestDb db;
        const int id = db.insertProject({{"Beschreibung", "A"}});
        const int other = db.insertProject({{"Beschreibung", "B"}});
        db.insertRow("Bebauung", {{"TAVO", id}, {"bbTyp", "EFHg"}, {"bbBauklasse", "I"}, {"bbAnteil", 30}});
        db.insertRow("Bebauung", {{"TAVO", id}, {"bbTyp", "RHg"}, {"bbBauklasse", "II"}, {"bbAnteil", 20}});
        db.insertRow("Bebauung", {{"TAVO", other}, {"bbTyp", "GWB"}, {"bbAnteil", 90}});

        DetailModel model(db.user(), "Bebauung", bebauungColumns());
        model.setPickList(2, {"10 %", "30 %"}, {"10", "30"});
        model.load(id);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnSum(2), 50.0);
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("30 %"));
        // No pick entry: the value, with the unit the entries show.
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("20 %"));
        QVERIFY(!model.isDirty());

        model.removeRows(0, 1);
        const int row = model.appendRow();
        QVERIFY(model.setData(model.index(row, 0), "GWB"));
        QVERIFY(model.setData(model.index(row, 2), "45"));
        QVERIFY(!model.setData(model.index(row, 2), "x"));
        QVERIFY(model.isDirty());
        model.submitAll();
        QVERIFY(!model.isDirty());
        QCOMPARE(Sql::scalar(db.user(),
                             "SELECT group_concat(bbTyp) FROM (SELECT bbTyp FROM Bebauung WHERE TAVO = ? "
                             "ORDER BY ID)",
                             {id})
                     .toString(),
                 QStringLiteral("RHg,GWB"));
        QCOMPARE(Sql::scalar(db.user(), "SELECT count(*) FROM Bebauung WHERE TAVO = ?", {other}).toInt(), 1);

        // The project disappears before the rows are written: nothing of the batch remains.
        model.removeRows(0, 1);
        model.appendRow();
        QVERIFY(model.setData(model.index(model.rowCount() - 1, 2), 5));
        Sql::exec(db.user(), "PRAGMA foreign_keys = OFF");
        Sql::exec(db.user(), "DELETE FROM TAVO WHERE ID = ?", {id});
        Sql::exec(db.user(), "PRAGMA foreign_keys = ON");
        const int before = Sql::scalar(db.user(), "SELECT count(*) FROM Bebauung").toInt();
        QVERIFY_THROWS_EXCEPTION(TavoError, model.submitAll());
        QCOMPARE(Sql::scalar(db.user(), "SELECT count(*) FROM Bebauung").toInt(), before);
        QVERIFY(model.isDirty()); // the pending rows are kept for another try
    }
};

QTEST_MAIN(InputModelTest)
#include "test_detail_model.moc"
