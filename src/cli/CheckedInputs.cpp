#include "cli/CheckedInputs.h"

#include "cli/Commands.h"
#include "core/data/TavoError.h"
#include "core/projects/InputCheck.h"

namespace tavo {

void requireCheckedInputs(const Databases& dbs, int projectId, const QString& prefix) {
    const InputCheck::Findings findings = InputCheck::check(dbs, projectId);
    for (const QString& warning : findings.warnings)
        printError(prefix + QStringLiteral("Warnung: ") + warning);
    InputCheck::requireNoRefusal(findings.refusals);
}

bool printCheckedInputs(const Databases& dbs, int projectId, const QString& prefix) {
    try {
        requireCheckedInputs(dbs, projectId, prefix);
    } catch (const TavoError& e) {
        printError(prefix + e.message());
        return false;
    }
    return true;
}

} // namespace tavo
