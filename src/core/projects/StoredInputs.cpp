#include "core/projects/StoredInputs.h"

#include "core/projects/DetailRows.h"
#include "core/projects/ProjectRecords.h"

namespace tavo {

StoredInputs StoredInputs::read(const QSqlDatabase& user, int projectId) {
    StoredInputs inputs;
    inputs.projectId = projectId;
    const std::optional<QSqlRecord> project = readProjectRow(user, projectId);
    inputs.found = project.has_value();
    if (!inputs.found)
        return inputs;
    inputs.project = *project;
    inputs.buildings = DetailRows::records(user, QStringLiteral("Bebauung"), projectId);
    inputs.settlements = DetailRows::records(user, QStringLiteral("Besiedelung"), projectId);
    inputs.specials = DetailRows::records(user, QStringLiteral("Sonderausgaben"), projectId);
    return inputs;
}

} // namespace tavo
