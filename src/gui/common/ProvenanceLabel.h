#pragma once

#include "core/master/MasterProvenance.h"

class QLabel;
class QWidget;

namespace tavo {

// The provenance of the master a window works with; a master whose table cannot be read counts as
// one of unknown origin (its line says so), so that a window never fails over its label.
MasterProvenance windowProvenance(const QSqlDatabase& master);

// The label with the line saying where the master data come from (object name "lbHerkunft"). Invented
// example data stand on a pale yellow ground with a warning sign, so that nobody takes them for a
// real municipality's figures; imported data are shown as plain text.
QLabel* makeProvenanceLabel(const MasterProvenance& provenance, QWidget* parent = nullptr);

} // namespace tavo
