#pragma once

// The parts of the master import behind importMaster(): reading the published files, the fiscal
// figures, and writing the new master database. Internal to src/core/master.

#include <bitset>
#include <functional>
#include <map>

#include <QHash>
#include <QString>
#include <QStringList>

#include "core/master/FiscalTemplate.h"
#include "core/master/Forecast.h"
#include "core/master/MasterProvenance.h"

namespace tavo::MasterImportParts {

// Collects the refusals of one import, at most MaxErrors of them (then one line saying more follow).
class ErrorList {
public:
    static constexpr int MaxErrors = 25;
    void add(const QString& file, qint64 line, const QString& cause);
    void add(const QString& message);
    bool full() const { return m_count >= MaxErrors; }
    bool empty() const { return m_count == 0; }
    QStringList messages() const;

private:
    QStringList m_messages;
    int m_count = 0;
};

// The population of one municipality in one year by sex and age (ages above the top age folded into
// it), with the age codes seen per sex for the check of completeness.
struct PopulationCell {
    Forecast::SexCounts counts;
    std::bitset<256> seen; // sex * 128 + age code
};

struct PopulationData {
    // year -> municipality code -> counts
    std::map<int, std::map<int, PopulationCell>> years;
    QHash<int, QString> fileOfYear;
    int topAgeCode = 0; // the largest age code seen (the open class)
};

using Progress = std::function<void(qint64, qint64, const QString&)>;
using Cancelled = std::function<bool()>;

// Municipality code -> name from the code list (columns "code" and "name"). Errors go to errors.
QHash<int, QString> readCodeList(const QString& path, ErrorList& errors);

// Adds one OGD population file to data, keeping only codes of land (0: all). Unknown codes (not in
// names), malformed cells, negative or non-integer counts, duplicates and invalid UTF-8 are refused.
// Returns false when cancelled.
bool readPopulationFile(const QString& path, const QHash<int, QString>& names, int land, PopulationData& data,
                        ErrorList& errors, const Progress& progress, const Cancelled& cancelled);

// Checks that every municipality has every age and sex in every year.
void checkComplete(const PopulationData& data, ErrorList& errors);

// Regional totals by year: area code (1 digit: Land, 3 digits: district) -> calendar year -> total.
using RegionalTotals = std::map<int, std::map<int, double>>;
RegionalTotals readRegionalTotals(const QString& path, ErrorList& errors);

// What goes into the new master.
struct MunicipalityRow {
    int code = 0;
    QString name;
    double inhabitants = 0;                    // in the base year
    std::vector<Forecast::AgeCounts> forecast; // years 1..20
    bool hasFiscal = false;
    FiscalTemplate::Figures fiscal;
};

// Writes the new master at path (a temporary file the caller renames): the municipality tables
// filled from rows, every other table copied from templateMaster, the provenance replaced by the
// given one. Throws TavoError.
void writeMaster(const QString& path, const QString& templateMaster, const std::vector<MunicipalityRow>& rows,
                 const MasterProvenance& provenance, const Progress& progress, const Cancelled& cancelled);

} // namespace tavo::MasterImportParts
