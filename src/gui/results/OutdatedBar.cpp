#include "gui/results/OutdatedBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tavo {

OutdatedBar::OutdatedBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("barVeraltet"));
    setFrameShape(QFrame::StyledPanel);
    // A warning colour that reads on light and dark desktops alike: dark text on yellow.
    setStyleSheet(QStringLiteral("#barVeraltet { background: #fff3b0; border: 1px solid #d4a900; }"
                                 "#barVeraltet QLabel { color: #3a2f00; }"));
    auto* text = new QLabel(QStringLiteral("Eingaben seit der letzten Berechnung geändert"), this);
    text->setObjectName(QStringLiteral("lbVeraltet"));
    text->setToolTip(
        QStringLiteral("Die angezeigten Ergebnisse gehören zu den früheren Eingaben. „Berechnen“ "
                       "rechnet mit den geänderten."));
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    m_calculate = new QPushButton(QStringLiteral("Berechnen"), this);
    m_calculate->setObjectName(QStringLiteral("btVeraltetBerechnen"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(text, 1);
    layout->addWidget(m_calculate);
    connect(m_calculate, &QPushButton::clicked, this, &OutdatedBar::calculateRequested);
    hide();
}

} // namespace tavo
