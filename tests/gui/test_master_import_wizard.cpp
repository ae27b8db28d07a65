// The wizard "Gemeindedaten importieren…" driven like a planner: files in the published OGD layout,
// the import in its worker thread, the new master where the wizard says; a bad file refused with file
// and line and nothing written. And the provenance label of the municipality chooser, example data
// marked, imported data plain.

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "core/master/MasterProvenance.h"
#include "gui/projects/MasterImportWizard.h"
#include "gui/projects/MunicipalityDialog.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

const QString kPrefix = QStringLiteral("OGD_bevstandjbab2002_BevStand_");

// A population file of one year in the published layout: every municipality, sex and age code
// (1 = age 0 … 101 = 100 and older) with `persons` persons; line 2 is 30101, men, age code 1.
void writePopulation(const QString& path, int year, int persons) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("C-A10-0;C-C11-0;C-GRGEMAKT-0;C-GALTEJ112-0;F-ISIS-1\n");
    for (int code : {30101, 30102, 70101})
        for (int sex = 1; sex <= 2; ++sex)
            for (int age = 1; age <= 101; ++age)
                file.write(QStringLiteral("A10-%1;C11-%2;GRGEMAKT-%3;GALTEJ112-%4;%5\n")
                               .arg(year)
                               .arg(sex)
                               .arg(code)
                               .arg(age)
                               .arg(persons)
                               .toUtf8());
}

struct Files {
    QTemporaryDir dir;
    QString codes = dir.filePath(kPrefix + QStringLiteral("2024_C-GRGEMAKT-0.csv"));
    QString year2019 = dir.filePath(kPrefix + QStringLiteral("2019.csv"));
    QString year2024 = dir.filePath(kPrefix + QStringLiteral("2024.csv"));
    QString out = dir.filePath(QStringLiteral("Neu.db"));

    Files() {
        QFile file(codes);
        if (file.open(QIODevice::WriteOnly))
            file.write("code;name;en_name\nGRGEMAKT-30101;Grünau am See;\nGRGEMAKT-30102;Oberweißbach;\n"
                       "GRGEMAKT-70101;Söll-Au;\n");
        writePopulation(year2019, 2019, 10);
        writePopulation(year2024, 2024, 12);
    }
};

// Fills the first page, passes the optional one and starts the import; returns when it has ended.
void runWizard(MasterImportWizard& wizard, const Files& files) {
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    QAbstractButton* next = wizard.button(QWizard::NextButton);
    QVERIFY(!next->isEnabled()); // nothing chosen yet
    wizard.addPopulationFiles({files.year2019, files.year2024});
    wizard.addPopulationFiles({files.year2019}); // listed once only
    // The list names the files so that their years show; the path stays the tooltip.
    QCOMPARE(wizard.populationList()->count(), 2);
    QCOMPARE(wizard.populationList()->item(0)->text(), kPrefix + QStringLiteral("2019.csv"));
    QCOMPARE(wizard.populationList()->item(1)->toolTip(), QDir::toNativeSeparators(files.year2024));
    QVERIFY(!next->isEnabled()); // the code list is missing
    QTest::keyClicks(wizard.codesEdit(), files.codes);
    QVERIFY(next->isEnabled());
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(wizard.currentId(), int(MasterImportWizard::OptionalPage));
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(wizard.currentId(), int(MasterImportWizard::RunPage));
    QTRY_VERIFY_WITH_TIMEOUT(wizard.hasFinished(), 60000);
}

QList<int> municipalities(const QString& master) {
    QList<int> ids;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(master);
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("SELECT ID FROM PG ORDER BY ID"));
            while (query.next())
                ids << query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return ids;
}

} // namespace

class TestMasterImportWizard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void importsAndSaysWhere();
    void refusalNamesFileAndLine();
    void chooserShowsProvenance();
};

void TestMasterImportWizard::importsAndSaysWhere() {
    Files files;
    MasterImportWizard wizard(TestDb::generatedMaster(), files.out);
    QSignalSpy imported(&wizard, &MasterImportWizard::imported);
    runWizard(wizard, files);
    QVERIFY2(wizard.report().ok, qPrintable(wizard.report().errors.join('\n')));
    QCOMPARE(imported.count(), 1);
    QVERIFY(wizard.button(QWizard::FinishButton)->isEnabled());
    QVERIFY(wizard.statusLabel()->text().contains(QDir::toNativeSeparators(files.out)));
    QCOMPARE(municipalities(files.out), (QList<int>{30101, 30102, 70101}));
    // No fiscal file: the notes say which municipalities still need their figures.
    QVERIFY(!wizard.messageBox()->toPlainText().isEmpty());
}

void TestMasterImportWizard::refusalNamesFileAndLine() {
    Files files;
    // Line 5 of the 2024 file: 30101, men, age code 4 with a negative count.
    QFile file(files.year2024);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    lines[4] = "A10-2024;C11-1;GRGEMAKT-30101;GALTEJ112-4;-3";
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n'));
    file.close();

    MasterImportWizard wizard(TestDb::generatedMaster(), files.out);
    runWizard(wizard, files);
    QVERIFY(!wizard.report().ok);
    const QString messages = wizard.messageBox()->toPlainText();
    QVERIFY2(messages.contains(kPrefix + QStringLiteral("2024.csv, Zeile 5:")), qPrintable(messages));
    QVERIFY(!wizard.button(QWizard::FinishButton)->isEnabled());
    QVERIFY(wizard.button(QWizard::BackButton)->isEnabled()); // back to correct the files
    QVERIFY(!QFile::exists(files.out));
}

void TestMasterImportWizard::chooserShowsProvenance() {
    TestDb db;
    {
        MunicipalityDialog dialog(db.master());
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("lbHerkunft"));
        QVERIFY(label);
        QVERIFY(label->text().contains(QStringLiteral("Beispieldaten (fiktives Land Talland)")));
        QVERIFY(!label->styleSheet().isEmpty()); // marked as a warning
    }
    MasterProvenance imported;
    imported.datensatz = QStringLiteral("Gemeindedaten Tirol");
    QSqlDatabase master = db.writableMaster();
    MasterProvenance::write(master, imported);
    db.reopen();
    MunicipalityDialog dialog(db.master());
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("lbHerkunft"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Stammdaten: Gemeindedaten Tirol"));
    QVERIFY(label->styleSheet().isEmpty());
}

QTEST_MAIN(TestMasterImportWizard)
#include "test_master_import_wizard.moc"
