// tavo-cli stammdaten: the template of the fiscal figures, an import refused with file and line, and
// an imported master in the user data folder taking the place of the shipped one.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "support/CliRun.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Two municipalities of Land 5, 7 persons in every cell.
QByteArray population(int year) {
    QByteArray text = "C-A10-0;C-GRGEMAKT-0;C-GALTEJ112-0;C-C11-0;F-ISIS-1\r\n";
    for (int code : {50101, 50102})
        for (int age = 1; age <= 101; ++age)
            for (int sex = 1; sex <= 2; ++sex)
                text += QStringLiteral("A10-%1;GRGEMAKT-%2;GALTEJ112-%3;C11-%4;7\r\n")
                            .arg(year)
                            .arg(code)
                            .arg(age)
                            .arg(sex)
                            .toUtf8();
    return text;
}

} // namespace

class TestStammdatenCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void templateHasOneRowPerMunicipality() {
        QTemporaryDir dir;
        const QString out = dir.filePath("Finanzen.csv");
        const CliOutput run =
            runCli({"stammdaten", "vorlage", "--master", TestDb::generatedMaster(), "--out", out});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        // Header and the 16 municipalities 301-316 of the shipped master, ordered by their number.
        QCOMPARE(lines.size(), 17);
        QVERIFY(lines[0].startsWith("\xEF\xBB\xBFGemeindekennziffer;Gemeinde;FA_Ertragsanteile Basis"));
        QVERIFY(lines[1].startsWith("301;"));
        QVERIFY(lines[16].startsWith("316;"));
        // 2 + 9 tables × (base, change, 20 years) cells, all figures empty.
        QVERIFY(lines[1].trimmed().endsWith(QByteArray(9 * 22, ';')));
    }

    void importedMasterIsUsedAndNamesAMissingMunicipality() {
        QTemporaryDir dir;
        const QString data = dir.filePath("daten");
        const QStringList env{"XDG_DATA_HOME=" + data, "HOME=" + dir.path()};
        const QString codes = dir.filePath("codes.csv");
        writeFile(codes, "code;name\r\nGRGEMAKT-50101;Salzach-Au\r\nGRGEMAKT-50102;Oberalm-Süd\r\n");
        writeFile(dir.filePath("p2019.csv"), population(2019));
        writeFile(dir.filePath("p2024.csv"), population(2024));
        const QString imported = data + "/TAVO/TAVO_Master_Import.db";
        QVERIFY(QDir().mkpath(data + "/TAVO"));
        const QStringList importArgs{"stammdaten",  "import", "--bevoelkerung", dir.filePath("p2019.csv"),
                                     "--gemeinden", codes,    "--master",       TestDb::generatedMaster(),
                                     "--out",       imported};

        // One year only: refused, nothing written.
        CliOutput run = runCli(importArgs, {env});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("es fehlt ein Jahr"), qPrintable(run.err));
        QVERIFY(!QFile::exists(imported));

        run = runCli(importArgs + QStringList{"--bevoelkerung", dir.filePath("p2024.csv")}, {env});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains("2 Gemeinden importiert, Prognose 2024 bis 2043"), run.out.constData());

        // The example project (municipality 306 of the shipped master) calculated without --master: the
        // imported master is used, and it has no municipality 306.
        const QString user = dir.filePath("u.db");
        run = runCli({"init", "--master", TestDb::generatedMaster(), "--user", user}, {env});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        run = runCli({"calc", "--user", user, "--project", "1"}, {env});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("Die Gemeinde 306 (Mühlbach) des Projekts") &&
                     run.err.contains("gibt es in den verwendeten Stammdaten „TAVO_Master_Import.db“ nicht"),
                 qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestStammdatenCli)
#include "test_stammdaten_cli.moc"
