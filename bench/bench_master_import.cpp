// The import of all of Austria: about 2,100 municipalities × 101 ages × 2 sexes × 2 years (some
// 850,000 rows) in the published OGD layout, generated here, read, checked, forecast and written as a
// new master, with a filled fiscal template. Measures the wall time of importMaster() and the peak
// resident memory of the process (the files are written line by line before, so the generation
// itself holds little).

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "core/master/FiscalTemplate.h"
#include "core/master/MasterImport.h"
#include "core/results/ExportTable.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

constexpr int kMunicipalities = 2100;

int codeOf(int i) {
    return (1 + i % 9) * 10000 + 101 + i / 9;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool writePopulation(const QString& path, int year) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("C-A10-0;C-C11-0;C-GRGEMAKT-0;C-GALTEJ112-0;F-ISIS-1\n");
    for (int i = 0; i < kMunicipalities; ++i)
        for (int sex = 1; sex <= 2; ++sex)
            for (int age = 1; age <= 101; ++age) {
                // A plausible pyramid, different per municipality and year.
                const int count =
                    (i % 50 + 5) * (age < 60 ? 12 : std::max(1, 130 - age * 2) / 6) / 10 + (year % 7) + sex;
                file.write(QStringLiteral("A10-%1;C11-%2;GRGEMAKT-%3;GALTEJ112-%4;%5\n")
                               .arg(year)
                               .arg(sex)
                               .arg(codeOf(i))
                               .arg(age)
                               .arg(count)
                               .toUtf8());
            }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    MasterImportOptions options;
    options.codesFile = dir.filePath("OGD_bevstandjbab2002_BevStand_2024_C-GRGEMAKT-0.csv");
    {
        QFile codes(options.codesFile);
        if (!codes.open(QIODevice::WriteOnly))
            return 1;
        codes.write("code;name;en_name\n");
        for (int i = 0; i < kMunicipalities; ++i)
            codes.write(
                QStringLiteral("GRGEMAKT-%1;Gemeinde Nr. %1 (Österreich);\n").arg(codeOf(i)).toUtf8());
    }
    for (int year : {2019, 2024}) {
        options.populationFiles << dir.filePath(
            QStringLiteral("OGD_bevstandjbab2002_BevStand_%1.csv").arg(year));
        if (!writePopulation(options.populationFiles.last(), year))
            return 1;
    }
    QList<QPair<int, QString>> municipalities;
    for (int i = 0; i < kMunicipalities; ++i)
        municipalities << qMakePair(codeOf(i), QStringLiteral("Gemeinde %1").arg(i));
    QList<QVariantList> rows = FiscalTemplate::rows(municipalities);
    const QStringList header = FiscalTemplate::header();
    for (QVariantList& row : rows)
        for (int i = 0; i < FiscalTemplate::ItemCount; ++i) {
            const FiscalTemplate::Item& item = FiscalTemplate::items()[i];
            row[header.indexOf(
                QStringLiteral("%1 Basis (%2)")
                    .arg(QString::fromUtf8(item.table), QString::fromUtf8(item.unitCaption)))] = 10 + i;
            row[header.indexOf(QStringLiteral("%1 Änderung (% p. a.)").arg(QString::fromUtf8(item.table)))] =
                1.5;
        }
    options.fiscalFile = dir.filePath("Finanzen.csv");
    {
        QFile fiscal(options.fiscalFile);
        if (!fiscal.open(QIODevice::WriteOnly))
            return 1;
        fiscal.write(ExportTable{"Finanzen", header, rows, {}}.csv());
    }
    rows.clear();
    options.templateMaster = TestDb::generatedMaster();
    options.outPath = dir.filePath("Import.db");
    const long before = peakKilobytes();
    QElapsedTimer timer;
    timer.start();
    const MasterImportReport report = importMaster(options);
    const qint64 elapsed = timer.elapsed();
    if (!report.ok) {
        std::fprintf(stderr, "%s\n", report.errors.join('\n').toUtf8().constData());
        return 1;
    }
    std::printf(
        "master import, %d municipalities x 101 ages x 2 sexes x 2 years (%d rows) + fiscal template\n",
        report.municipalities, kMunicipalities * 101 * 2 * 2);
    std::printf("  import + forecast + write: %lld ms\n", static_cast<long long>(elapsed));
    std::printf("  peak resident memory: %ld MB (before the import: %ld MB)\n", peakKilobytes() / 1024,
                before / 1024);
    std::printf("  master written: %lld MB\n",
                static_cast<long long>(QFile(options.outPath).size() / (1024 * 1024)));
    return 0;
}
