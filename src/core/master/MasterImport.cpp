#include "core/master/MasterImport.h"

#include "core/data/DataLocations.h"

namespace tavo {

MasterImportReport importMaster(const MasterImportOptions&,
                                const std::function<void(qint64, qint64, const QString&)>&,
                                const std::function<bool()>&) {
    MasterImportReport report;
    report.errors << QStringLiteral("Der Import ist in diesem Stand noch nicht verfügbar.");
    return report;
}

QString importedMasterPath() {
    return DataLocations::ofRunningProgram().importedMasterPath();
}

} // namespace tavo
