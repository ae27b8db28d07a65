// Result views out of the window: the grids' context menu (copy with an HTML table, export through
// the file dialog) and the export buttons of both result pages.

#include <clocale>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include "core/data/TavoError.h"
#include "core/results/ExportTable.h"
#include "gui/results/ResultExport.h"
#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultPopulationPanel.h"
#include "support/Modal.h"
#include "support/TestDb.h"

using namespace tavo;

using ResultKind = ResultQueries::ResultKind;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers the next file dialog: the filter and the file name, or cancel when fileName is empty.
void answerFileDialog(const QString& filter, const QString& fileName, QStringList* offered = nullptr,
                      QString* suggested = nullptr) {
    onNextModal([=](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        if (offered)
            *offered = dialog->nameFilters();
        if (suggested)
            *suggested = dialog->selectedFiles().value(0);
        if (fileName.isEmpty()) {
            dialog->reject();
            return;
        }
        // As a user does it: the filter, the folder, then the name typed into the name field.
        dialog->selectNameFilter(filter);
        const QFileInfo info(fileName);
        dialog->setDirectory(info.absolutePath());
        auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!nameField) {
            dialog->reject();
            return;
        }
        nameField->setText(info.fileName());
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept takes the typed name
    });
}

QAction* menuAction(QToolButton* button, const QString& text) {
    if (!button->menu())
        return nullptr;
    for (QAction* action : button->menu()->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

int projectWithLedger(TestDb& db) {
    const int id = db.insertProject({{"PG", 301}, {"auAnteilZuzug", 50.0}});
    db.book(id, 1, "Kanal", "Errichtung <Nord>; Teil 1", "Gemeinde", 1234.5, 0);
    db.book(id, 2, "Wasser", "Errichtung Wasser", "Gemeinde", 0.25, 40);
    return id;
}

} // namespace

class ResultExportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void gridContextMenuCopiesAndExports() {
        TestDb db;
        const int id = projectWithLedger(db);
        ResultFinancePanel panel(db.dbs());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        ResultGrid* grid = panel.grid(ResultKind::Expenditure);
        QCOMPARE(grid->view()->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(grid->view()->actions().contains(grid->copyAction()));
        QVERIFY(grid->view()->actions().contains(grid->exportAction()));

        // Nothing to save before a project is shown: no dialog, no file.
        QVERIFY(!grid->exportDataset());
        panel.setProject(id);

        grid->copyAction()->trigger();
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        QCOMPARE(copied->text(), QString("Jahr\tTyp\tBezeichnung\tKostenträger\tAusgabe\r\n"
                                         "1\tKanal\tErrichtung <Nord>; Teil 1\tGemeinde\t1234,5\r\n"
                                         "2\tWasser\tErrichtung Wasser\tGemeinde\t0,25\r\n"));
        QVERIFY(copied->hasHtml());
        const QString html = copied->html();
        QVERIFY2(html.contains("<tr><th>Jahr</th><th>Typ</th><th>Bezeichnung</th><th>Kostenträger</th>"
                               "<th>Ausgabe</th></tr>"),
                 qPrintable(html));
        QVERIFY2(
            html.contains("<tr><td align=\"right\">1</td><td>Kanal</td><td>Errichtung &lt;Nord&gt;; Teil "
                          "1</td><td>Gemeinde</td><td align=\"right\">1234,5</td></tr>"),
            qPrintable(html));
        QCOMPARE(html.count("<tr>"), 3);

        // CSV chosen, the name typed without its ending: the file gets ".csv". The name offered starts
        // with the project's, without what a file name may not hold; a notice tells where the file went.
        const QString base = db.dir() + "/ausgaben";
        QStringList offered;
        QString suggested;
        grid->setExportFilePrefix(QStringLiteral("Nord/Süd: Teil 1"));
        answerFileDialog(ResultExport::csvFilter(), base, &offered, &suggested);
        QVERIFY(grid->exportDataset());
        QCOMPARE(offered, (QStringList{ResultExport::excelFilter(), ResultExport::csvFilter()}));
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("Nord Süd Teil 1 Ausgaben.xlsx"));
        auto* notice = panel.findChild<QMessageBox*>(QStringLiteral("msgGespeichert"));
        QVERIFY(notice && notice->isVisible());
        QVERIFY2(notice->text().contains(QDir::toNativeSeparators(base + ".csv")), qPrintable(notice->text()));
        notice->close();
        QCOMPARE(fileBytes(base + ".csv"),
                 QByteArray("\xEF\xBB\xBF"
                            "Jahr;Typ;Bezeichnung;Kostenträger;Ausgabe\r\n"
                            "1;Kanal;\"Errichtung <Nord>; Teil 1\";Gemeinde;1234,5\r\n"
                            "2;Wasser;Errichtung Wasser;Gemeinde;0,25\r\n"));

        // Excel: a workbook (a zip archive) under the typed name.
        answerFileDialog(ResultExport::excelFilter(), base);
        grid->exportAction()->trigger();
        QVERIFY(fileBytes(base + ".xlsx").startsWith("PK\x03\x04"));

        // Cancelled: nothing written.
        answerFileDialog(ResultExport::csvFilter(), QString());
        QVERIFY(!grid->exportDataset());
        QCOMPARE(QDir(db.dir()).entryList({"ausgaben*"}, QDir::Files).size(), 2);
    }

    // The window writes workbooks in its own process, where Qt has set LC_NUMERIC from the desktop:
    // under a German one the file must be the same as under C, and a failed write keeps the old file.
    void workbookUnderAGermanDesktop() {
        QTemporaryDir dir;
        const ExportTable table{QStringLiteral("Saldo"),
                                {QStringLiteral("Jahr"), QStringLiteral("Saldo")},
                                {{1, 1234.5}, {2, -0.25}},
                                {1}};
        qputenv("SOURCE_DATE_EPOCH", "1767225600");
        const QByteArray previous = std::setlocale(LC_NUMERIC, nullptr);
        QVERIFY2(std::setlocale(LC_NUMERIC, "de_AT.UTF-8"),
                 "Die Locale de_AT.UTF-8 fehlt (Paket locales-all).");
        ResultExport::writeTable(dir.filePath("de.xlsx"), table);
        std::setlocale(LC_NUMERIC, "C");
        ResultExport::writeTable(dir.filePath("c.xlsx"), table);
        std::setlocale(LC_NUMERIC, previous.constData());
        qunsetenv("SOURCE_DATE_EPOCH");
        QVERIFY(fileBytes(dir.filePath("c.xlsx")).startsWith("PK\x03\x04"));
        QCOMPARE(fileBytes(dir.filePath("de.xlsx")), fileBytes(dir.filePath("c.xlsx")));

        // A database the program has open is never overwritten by a save dialog's choice.
        TestDb db;
        const QByteArray user = fileBytes(db.userPath());
        const QByteArray master = fileBytes(db.masterPath());
        QVERIFY_THROWS_EXCEPTION(TavoError, ResultExport::writeTable(db.userPath(), table));
        QVERIFY_THROWS_EXCEPTION(TavoError, ResultExport::writeTable(db.masterPath(), table));
        QCOMPARE(fileBytes(db.userPath()), user);
        QCOMPARE(fileBytes(db.masterPath()), master);

        if (!QFile::exists("/dev/full"))
            return;
        try {
            ResultExport::writeTable(QStringLiteral("/dev/full"), table);
            QFAIL("Das Schreiben auf /dev/full hat keinen Fehler gemeldet.");
        } catch (const TavoError& e) {
            QVERIFY2(e.message().contains(
                         QStringLiteral("„/dev/full“ konnte nicht geschrieben werden: kein Platz")),
                     qPrintable(e.message()));
        }
    }

    void pageButtonsExportTheChosenView() {
        TestDb db;
        const int id = projectWithLedger(db);
        db.insertRow("bWvB", {{"TAVO", id},
                              {"Jahr", 1},
                              {"EFHg", 2.5},
                              {"EFHk", 0.0},
                              {"RHg", 0.0},
                              {"RHk", 0.0},
                              {"GWB", 10.0}});
        ResultFinancePanel finance(db.dbs());
        finance.setProject(id);
        QVERIFY(menuAction(finance.exportButton(), "Ausgaben"));
        QVERIFY(menuAction(finance.exportButton(), "Einnahmen"));
        QAction* saldo = menuAction(finance.exportButton(), "Saldo");
        QVERIFY(saldo);
        answerFileDialog(ResultExport::csvFilter(), db.dir() + "/saldo.csv");
        saldo->trigger();
        // Grouped by year, type and cost bearer; the first cost bearer (Gemeinde) is chosen.
        QCOMPARE(fileBytes(db.dir() + "/saldo.csv"),
                 QByteArray("\xEF\xBB\xBF"
                            "Jahr;Typ;Kostenträger;Ausgaben;Einnahmen;Saldo\r\n"
                            "1;Kanal;Gemeinde;1234,5;0;-1234,5\r\n"
                            "2;Wasser;Gemeinde;0,25;40;39,75\r\n"));

        ResultPopulationPanel population(db.dbs());
        population.setProject(id);
        QVERIFY(menuAction(population.exportButton(), "Bewohner"));
        QAction* units = menuAction(population.exportButton(), "Wohneinheiten");
        QVERIFY(units);
        answerFileDialog(ResultExport::csvFilter(), db.dir() + "/we.csv");
        units->trigger();
        QCOMPARE(fileBytes(db.dir() + "/we.csv"), QByteArray("\xEF\xBB\xBF"
                                                             "Jahr;Wohneinheiten\r\n"
                                                             "1;12,5\r\n"));
    }
};

QTEST_MAIN(ResultExportTest)
#include "test_result_export.moc"
