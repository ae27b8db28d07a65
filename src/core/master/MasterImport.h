#pragma once

#include <functional>

#include <QString>
#include <QStringList>

namespace tavo {

// What the import of published municipality data reads and where it writes the new master database.
struct MasterImportOptions {
    QStringList
        populationFiles; // OGD population files (OGD_bevstandjbab2002_BevStand_<Jahr>.csv), one per year
    QString codesFile;   // municipality code list (…_C-GRGEMAKT-0.csv: code;name)
    int land = 0;        // 0 = all; else only municipalities of this Bundesland (first digit of the code)
    QString forecastTotalsFile; // optional regional totals by year (Gebiet;Jahr;Einwohner)
    QString fiscalFile;         // optional filled fiscal template (.xlsx or .csv)
    QString templateMaster;     // master whose presets, value lists and evaluation types are carried over
    QString outPath;            // the new master database; written to a temporary file, renamed when complete
};

// The outcome of an import. errors: "Datei, Zeile N: Ursache" in German; nothing is written when
// there is one. notes: what the planner should know although the import succeeded (municipalities
// without fiscal figures, the interval of the forecast, ...).
struct MasterImportReport {
    bool ok = false;
    QStringList errors;
    QStringList notes;
    int municipalities = 0;
    int baseYear = 0; // the latest imported population year (the forecast's first year)
};

// Reads, validates and forecasts, then writes options.outPath. Files are checked completely before
// anything is written; an existing file at outPath is replaced only when the new one is complete.
// progress: (done, total, German step text). cancelled: return true to stop; the report then holds
// the error "Import abgebrochen" and nothing is written.
MasterImportReport importMaster(const MasterImportOptions& options,
                                const std::function<void(qint64, qint64, const QString&)>& progress = {},
                                const std::function<bool()>& cancelled = {});

// (DataLocations::ImportedMasterFileName names the file.)

// The default place of the planner's imported master in the per-user data folder (the folder of
// DataLocations::ofRunningProgram()).
QString importedMasterPath();

} // namespace tavo
