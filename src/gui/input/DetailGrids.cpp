#include <QMessageBox>
#include <QTimer>

#include "core/data/MasterData.h"
#include "core/projects/InputCheck.h"
#include "core/results/ChartData.h"
#include "gui/input/DetailGrid.h"

namespace tavo {

namespace {

using K = DetailColumn;

// Rows are booked in the project years 1 to 20.
const int kLastYear = 20;

//                      field          title                 width kind        dec  1000s  bold   sum
std::vector<DetailColumn> bebauungColumns() {
    return {{"bbTyp", "Bebauungstyp", 163, K::Text, -1, false, false, false},
            {"bbBauklasse", "Bauklasse", 100, K::Text, -1, false, false, false},
            {"bbAnteil", "Anteil (%)", 50, K::Number, -1, false, false, true, 0, 100}};
}

std::vector<DetailColumn> besiedelungColumns() {
    return {{"Jahr", nullptr, 32, K::Integer, -1, false, true, false, 1, kLastYear},
            {"EFHg", "Einfam. Haus groß", 95, K::Number, -1, false, false, true, 0, 100},
            {"EFHk", "Einfam. Haus klein", 95, K::Number, -1, false, false, true, 0, 100},
            {"RHg", "Reihenhaus groß", 95, K::Number, -1, false, false, true, 0, 100},
            {"RHk", "Reihenhaus klein", 95, K::Number, -1, false, false, true, 0, 100},
            {"GWB", "großvol. Wohnbau", 95, K::Number, -1, false, false, true, 0, 100}};
}

std::vector<DetailColumn> sonderausgabenColumns() {
    return {{"Jahr", nullptr, 25, K::Integer, -1, false, false, false, 1, kLastYear},
            // As wide as the longest type, "soz. Infrastruktur Errichtung".
            {"Typ", nullptr, 175, K::Text, -1, false, false, false},
            {"Bezeichnung", nullptr, 265, K::Text, -1, false, false, false},
            {"Kostenträger", nullptr, 90, K::Text, -1, false, false, false},
            {"Ausgabe", nullptr, 80, K::Number, 2, true, false, false, -InputCheck::MaxMagnitude,
             InputCheck::MaxMagnitude}};
}

} // namespace

const char* const BuildingMixGrid::SumMessage = "Summe der Anteile darf den Wert 100 nicht überschreiten!";

BuildingMixGrid::BuildingMixGrid(QSqlDatabase userDb, QWidget* parent)
    : DetailGrid(userDb, QStringLiteral("Bebauung"), bebauungColumns(), true, parent) {}

void BuildingMixGrid::loadPickLists(MasterData::ValueLists& valueLists) {
    for (int c = 0; c < model()->columnCount(); ++c) {
        QStringList picks, keys;
        for (const MasterData::ValueListEntry& entry :
             valueLists.entries(model()->table(), QString::fromUtf8(model()->column(c).field))) {
            picks << entry.description;
            keys << entry.value;
        }
        model()->setPickList(c, picks, keys);
    }
}

void BuildingMixGrid::afterRecalc() {
    reportSumAbove100();
}

void BuildingMixGrid::reportSumAbove100() {
    const double sum = model()->columnSum(model()->columnIndex(QStringLiteral("bbAnteil")));
    if (sum <= 100.0)
        return;
    Q_EMIT sumExceeded(sum);
    // Reported once the edit that changed the sum has finished; a report still waiting is not doubled.
    if (m_reportPending)
        return;
    m_reportPending = true;
    QTimer::singleShot(0, this, [this] {
        reportError(QString::fromUtf8(SumMessage));
        m_reportPending = false;
    });
}

SettlementGrid::SettlementGrid(QSqlDatabase userDb, QWidget* parent)
    : DetailGrid(userDb, QStringLiteral("Besiedelung"), besiedelungColumns(), false, parent) {}

SpecialExpenditureGrid::SpecialExpenditureGrid(QSqlDatabase userDb, QWidget* parent)
    : DetailGrid(userDb, QStringLiteral("Sonderausgaben"), sonderausgabenColumns(), true, parent) {}

void SpecialExpenditureGrid::loadPickLists(const QSqlDatabase& master) {
    const QStringList bearers = ChartData::costBearers(master);
    const QStringList types = ChartData::evaluationTypes(master);
    model()->setPickList(model()->columnIndex(QStringLiteral("Typ")), types, types);
    model()->setPickList(model()->columnIndex(QStringLiteral("Kostenträger")), bearers, bearers);
}

} // namespace tavo
