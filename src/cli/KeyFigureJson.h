#pragma once

#include <QJsonObject>

#include "core/results/KeyFigures.h"

namespace tavo {

// The key figures of one project as a JSON object, as `tavo-cli kennzahlen` and `tavo-cli szenarien`
// write them.
QJsonObject keyFigureJson(const KeyFigures& figures);

} // namespace tavo
