#include "gui/common/ProvenanceLabel.h"

#include <QLabel>

#include "core/data/TavoError.h"

namespace tavo {

MasterProvenance windowProvenance(const QSqlDatabase& master) {
    try {
        return MasterProvenance::read(master);
    } catch (const TavoError&) {
        return {};
    }
}

QLabel* makeProvenanceLabel(const MasterProvenance& provenance, QWidget* parent) {
    const bool warn = provenance.beispiel || provenance.isUnknown();
    auto* label = new QLabel(warn ? QStringLiteral("⚠ ") + provenance.line() : provenance.line(), parent);
    label->setObjectName(QStringLiteral("lbHerkunft"));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setAccessibleName(QStringLiteral("Herkunft der Stammdaten"));
    if (warn) {
        // Dark text on pale yellow keeps its contrast in light and dark desktop themes alike.
        label->setStyleSheet(QStringLiteral("QLabel { background: #fff3c4; color: #5a4300;"
                                            " border: 1px solid #e0c060; padding: 3px; }"));
    }
    return label;
}

} // namespace tavo
