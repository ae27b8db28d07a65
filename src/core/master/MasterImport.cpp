#include "core/master/MasterImport.h"

#include <cstdio>
#include <cstdlib>
#include <set>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/master/FiscalTemplate.h"
#include "core/master/MasterImportParts.h"

namespace tavo {

using namespace MasterImportParts;

namespace {

// The earlier year for the cohort-change ratios: five years before the latest when there is one,
// else the one nearest to five years before (at most ten); 0 when no year fits.
int earlierYear(const std::map<int, std::map<int, PopulationCell>>& years, int base) {
    int best = 0;
    for (const auto& [year, cells] : years) {
        const int gap = base - year;
        if (gap < 1 || gap > 10)
            continue;
        if (best == 0 || std::abs(gap - 5) < std::abs(base - best - 5) ||
            (std::abs(gap - 5) == std::abs(base - best - 5) && gap > base - best))
            best = year;
    }
    return best;
}

Forecast::SexCounts sum(const std::map<int, PopulationCell>& cells) {
    Forecast::SexCounts total;
    for (const auto& [code, cell] : cells)
        for (int age = 0; age <= Forecast::TopAge; ++age) {
            total.male[age] += cell.counts.male[age];
            total.female[age] += cell.counts.female[age];
        }
    return total;
}

double total(const Forecast::AgeCounts& counts) {
    double sum = 0.0;
    for (double value : counts)
        sum += value;
    return sum;
}

// The area code a municipality belongs to in totals (Land: one digit, district: three), 0 for none.
int areaOf(int code, const RegionalTotals& totals) {
    if (totals.count(code / 10000))
        return code / 10000;
    return totals.count(code / 100) ? code / 100 : 0;
}

// Scales the municipalities of every area so that their sum matches the area's total in each year.
void controlToTotals(std::vector<MunicipalityRow>& rows, const RegionalTotals& totals, int baseYear,
                     ErrorList& errors, QStringList& notes) {
    std::map<int, std::vector<MunicipalityRow*>> members;
    for (MunicipalityRow& row : rows) {
        if (totals.count(row.code / 10000) && totals.count(row.code / 100))
            errors.add(QStringLiteral("Prognose-Summen: die Gemeinde %1 liegt in zwei Gebieten (%2 und %3).")
                           .arg(row.code)
                           .arg(row.code / 10000)
                           .arg(row.code / 100));
        if (const int area = areaOf(row.code, totals))
            members[area].push_back(&row);
    }
    std::set<int> ignoredYears;
    for (const auto& [area, byYear] : totals) {
        if (!members.count(area)) {
            errors.add(
                QStringLiteral("Prognose-Summen: im Gebiet %1 liegt keine importierte Gemeinde.").arg(area));
            continue;
        }
        for (const auto& [year, target] : byYear) {
            const int offset = year - baseYear;
            if (offset < 0 || offset >= Forecast::Years) {
                ignoredYears.insert(year);
                continue;
            }
            double current = 0.0;
            for (const MunicipalityRow* row : members[area])
                current += total(row->forecast[static_cast<std::size_t>(offset)]);
            if (current <= 0.0) {
                errors.add(
                    QStringLiteral("Prognose-Summen: Gebiet %1 hat im Jahr %2 keine Einwohner zum Anpassen.")
                        .arg(area)
                        .arg(year));
                continue;
            }
            for (MunicipalityRow* row : members[area])
                for (double& value : row->forecast[static_cast<std::size_t>(offset)])
                    value *= target / current;
        }
    }
    if (ignoredYears.empty())
        return;
    QStringList years;
    for (int year : ignoredYears)
        years << QString::number(year);
    notes << QStringLiteral("Prognose-Summen: unberücksichtigt, weil außerhalb der Prognose (%1 bis %2): %3.")
                 .arg(baseYear)
                 .arg(baseYear + Forecast::Years - 1)
                 .arg(years.join(QStringLiteral(", ")));
}

// Chooses the years, forecasts every municipality and fills rows (without fiscal figures).
std::vector<MunicipalityRow> forecastAll(const PopulationData& data, const QHash<int, QString>& names,
                                         ErrorList& errors, QStringList& notes, int* baseYear,
                                         int* earlierOut) {
    std::vector<MunicipalityRow> rows;
    if (data.years.size() < 2) {
        errors.add(QStringLiteral("Für die Prognose sind zwei Bevölkerungsjahre nötig, am besten fünf Jahre "
                                  "auseinander (eine Datei --bevoelkerung je Jahr); es fehlt ein Jahr."));
        return rows;
    }
    const int base = data.years.rbegin()->first;
    const int earlier = earlierYear(data.years, base);
    if (earlier == 0) {
        errors.add(
            QStringLiteral("Die Bevölkerungsjahre liegen mehr als zehn Jahre vor %1; für die Prognose ist "
                           "ein Jahr ein bis zehn Jahre davor nötig, am besten %2.")
                .arg(base)
                .arg(base - 5));
        return rows;
    }
    const int interval = base - earlier;
    if (interval != 5)
        notes << QStringLiteral(
                     "Die Prognose vergleicht %1 mit %2 (%3 Jahre statt fünf) und schreibt die Bevölkerung "
                     "in Schritten von %3 Jahren fort.")
                     .arg(earlier)
                     .arg(base)
                     .arg(interval);
    *baseYear = base;
    *earlierOut = earlier;
    const auto& before = data.years.at(earlier);
    const auto& after = data.years.at(base);
    const Forecast::Ratios region = Forecast::ratios(sum(before), sum(after), interval);
    rows.reserve(after.size());
    for (const auto& [code, cell] : after) {
        Forecast::Ratios ratios = Forecast::ratios(before.at(code).counts, cell.counts, interval);
        Forecast::fillFrom(ratios, region);
        MunicipalityRow row;
        row.code = code;
        row.name = names.value(code);
        row.forecast = Forecast::project(cell.counts, ratios);
        row.inhabitants = total(row.forecast.front());
        rows.push_back(std::move(row));
    }
    return rows;
}

void addFiscal(std::vector<MunicipalityRow>& rows, const QString& path, ErrorList& errors,
               QStringList& notes) {
    QStringList without;
    if (path.isEmpty()) {
        // Read by the command line (--finanzen) and the import wizard (field "Finanzwerte") alike.
        notes << QStringLiteral(
            "Ohne Finanzwerte hat keine Gemeinde Finanzzahlen; gerechnet werden kann erst mit "
            "einer ausgefüllten Finanzvorlage (tavo-cli stammdaten vorlage).");
        return;
    }
    QHash<int, QString> known;
    for (const MunicipalityRow& row : rows)
        known.insert(row.code, row.name);
    const FiscalTemplate::Reading reading = FiscalTemplate::read(path, known);
    for (const QString& error : reading.errors)
        errors.add(error);
    for (MunicipalityRow& row : rows) {
        row.hasFiscal = reading.figures.contains(row.code);
        if (row.hasFiscal)
            row.fiscal = reading.figures.value(row.code);
        else
            without << QStringLiteral("%1 %2").arg(row.code).arg(row.name);
    }
    if (!without.isEmpty())
        notes << QStringLiteral("Ohne Finanzzahlen (für eine Berechnung nicht wählbar): %1.")
                     .arg(without.size() > 20 ? without.mid(0, 20).join(QStringLiteral(", ")) +
                                                    QStringLiteral(" und %1 weitere").arg(without.size() - 20)
                                              : without.join(QStringLiteral(", ")));
}

QString landName(int land) {
    static const char* const names[] = {"Österreich",     "Burgenland", "Kärnten",    "Niederösterreich",
                                        "Oberösterreich", "Salzburg",   "Steiermark", "Tirol",
                                        "Vorarlberg",     "Wien"};
    return QString::fromUtf8(names[land]);
}

// Where the imported master's figures come from, for its table "Herkunft".
MasterProvenance provenanceOf(const MasterImportOptions& options, int earlier, int baseYear) {
    MasterProvenance provenance;
    provenance.datensatz =
        QStringLiteral("Import: Bevölkerung %1 und %2 nach Gemeinde, Alter und Geschlecht, "
                       "Prognose Hamilton-Perry")
            .arg(earlier)
            .arg(baseYear);
    provenance.land = landName(options.land);
    provenance.quelle = QStringLiteral("Statistik Austria, Open Data (OGD_bevstandjbab2002_BevStand)");
    if (!options.fiscalFile.isEmpty())
        provenance.quelle +=
            QStringLiteral("; Finanzzahlen: %1").arg(QFileInfo(options.fiscalFile).fileName());
    provenance.stand = QStringLiteral("1.1.%1").arg(baseYear);
    provenance.lizenz = QStringLiteral("CC BY 4.0");
    provenance.beispiel = false;
    return provenance;
}

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

void checkOptions(const MasterImportOptions& options, const QString& templateMaster, ErrorList& errors) {
    if (options.populationFiles.isEmpty())
        errors.add(QStringLiteral("Keine Bevölkerungsdatei angegeben (--bevoelkerung)."));
    if (options.codesFile.isEmpty())
        errors.add(QStringLiteral("Keine Gemeindeliste angegeben (--gemeinden)."));
    if (options.outPath.isEmpty())
        errors.add(QStringLiteral("Keine Zieldatei angegeben (--out)."));
    if (options.land < 0 || options.land > 9)
        errors.add(QStringLiteral("Bundesland %1 gibt es nicht (1 bis 9).").arg(options.land));
    if (!QFileInfo::exists(templateMaster))
        errors.add(
            QStringLiteral("Die Stammdatenbank „%1“, aus der Voreinstellungen und Wertelisten übernommen "
                           "werden, gibt es nicht.")
                .arg(QDir::toNativeSeparators(templateMaster)));
    const QString shipped = DataLocations::ofRunningProgram().shippedMasterPath();
    // An earlier import may be replaced (the template is read before the new file takes its place);
    // the shipped example master never.
    const bool templateIsShipped = QFileInfo(templateMaster).fileName() == Databases::MasterFileName;
    if (sameFile(options.outPath, shipped) ||
        (templateIsShipped && sameFile(options.outPath, templateMaster)))
        errors.add(QStringLiteral("Die Zieldatei „%1“ ist die mitgelieferte Stammdatenbank; sie wird nicht "
                                  "überschrieben.")
                       .arg(QDir::toNativeSeparators(options.outPath)));
    if (QFileInfo(options.outPath).isDir())
        errors.add(QStringLiteral("Die Zieldatei „%1“ ist ein Ordner.")
                       .arg(QDir::toNativeSeparators(options.outPath)));
}

// Everything before the writing; false when refused or cancelled (errors says which).
bool prepare(const MasterImportOptions& options, const QString& templateMaster,
             std::vector<MunicipalityRow>& rows, int* baseYear, int* earlier, ErrorList& errors,
             QStringList& notes, const Progress& progress, const Cancelled& cancelled) {
    checkOptions(options, templateMaster, errors);
    if (!errors.empty())
        return false;
    const QHash<int, QString> names = readCodeList(options.codesFile, errors);
    if (!errors.empty())
        return false;
    PopulationData data;
    for (const QString& file : options.populationFiles) {
        if (!readPopulationFile(file, names, options.land, data, errors, progress, cancelled)) {
            errors.add(QStringLiteral("Import abgebrochen."));
            return false;
        }
    }
    if (errors.empty() && data.years.empty())
        errors.add(options.land ? QStringLiteral("Die Dateien enthalten keine Gemeinde des Bundeslandes %1.")
                                      .arg(options.land)
                                : QStringLiteral("Die Bevölkerungsdateien enthalten keine Zeilen."));
    checkComplete(data, errors);
    if (!errors.empty())
        return false;
    if (progress)
        progress(0, 1, QStringLiteral("Berechne die Prognose"));
    rows = forecastAll(data, names, errors, notes, baseYear, earlier);
    if (!errors.empty())
        return false;
    if (!options.forecastTotalsFile.isEmpty()) {
        const RegionalTotals totals = readRegionalTotals(options.forecastTotalsFile, errors);
        if (errors.empty())
            controlToTotals(rows, totals, *baseYear, errors, notes);
    }
    addFiscal(rows, options.fiscalFile, errors, notes);
    return errors.empty();
}

} // namespace

MasterImportReport importMaster(const MasterImportOptions& options,
                                const std::function<void(qint64, qint64, const QString&)>& progress,
                                const std::function<bool()>& cancelled) {
    MasterImportReport report;
    ErrorList errors;
    const QString templateMaster = options.templateMaster.isEmpty()
                                       ? DataLocations::ofRunningProgram().shippedMasterPath()
                                       : options.templateMaster;
    std::vector<MunicipalityRow> rows;
    int baseYear = 0;
    int earlier = 0;
    if (!prepare(options, templateMaster, rows, &baseYear, &earlier, errors, report.notes, progress,
                 cancelled)) {
        report.errors = errors.messages();
        return report;
    }
    const QString temporary = options.outPath + QStringLiteral(".import-tmp");
    QFile::remove(temporary);
    try {
        writeMaster(temporary, templateMaster, rows, provenanceOf(options, earlier, baseYear), progress,
                    cancelled);
        // rename() replaces an existing file in one step, so the old master stays whole until then.
        if (std::rename(QFile::encodeName(temporary).constData(),
                        QFile::encodeName(options.outPath).constData()) != 0)
            throw TavoError(QStringLiteral("Die Zieldatei „%1“ kann nicht geschrieben werden.")
                                .arg(QDir::toNativeSeparators(options.outPath)));
    } catch (const TavoError& e) {
        QFile::remove(temporary);
        report.errors << e.message();
        return report;
    }
    report.ok = true;
    report.municipalities = static_cast<int>(rows.size());
    report.baseYear = baseYear;
    return report;
}

QString importedMasterPath() {
    return DataLocations::ofRunningProgram().importedMasterPath();
}

} // namespace tavo
