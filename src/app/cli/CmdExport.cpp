#include "app/cli/Commands.h"

// Replaced by the export command together with the result queries.
int cmdExport(const QStringList&) {
    printError(QStringLiteral("Der Befehl export ist in dieser Version noch nicht enthalten."));
    return ExitUsage;
}
