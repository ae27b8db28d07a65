#include "app/cli/Commands.h"

// Replaced by the calculation command together with the engine.
int cmdCalc(const QStringList&) {
    printError(QStringLiteral("Der Befehl calc ist in dieser Version noch nicht enthalten."));
    return ExitUsage;
}
