#include <QMessageBox>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>

#include "core/data/Sql.h"
#include "core/projects/InputCheck.h"
#include "gui/input/DetailGrid.h"

namespace {

using K = DetailColumn;

// Rows are booked in the project years 1 to 20.
const int kLastYear = 20;

//                      field          title                 width kind        dec  1000s  bold   sum
std::vector<DetailColumn> bebauungColumns() {
    return {{"bbTyp", "Bebauungstyp", 163, K::Text, -1, false, false, false},
            {"bbBauklasse", "Bauklasse", 100, K::Text, -1, false, false, false},
            {"bbAnteil", "Anteil (%)", 50, K::Integer, -1, false, false, true, 0, 100}};
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

const QLatin1String kSharePrefix("Anteil_");

} // namespace

const char* const BuildingMixGrid::SumMessage = "Summe der Anteile darf den Wert 100 nicht überschreiten!";

BuildingMixGrid::BuildingMixGrid(QSqlDatabase userDb, QWidget* parent)
    : DetailGrid(userDb, QStringLiteral("Bebauung"), bebauungColumns(), true, parent) {}

void BuildingMixGrid::loadPickLists(QSqlQuery& feldWerte) {
    for (int c = 0; c < model()->columnCount(); ++c) {
        QStringList picks, keys;
        feldWerte.finish();
        feldWerte.bindValue(0, model()->table());
        feldWerte.bindValue(1, QString::fromUtf8(model()->column(c).field));
        Sql::execPrepared(feldWerte);
        while (feldWerte.next()) {
            picks << feldWerte.value(0).toString();
            keys << feldWerte.value(1).toString();
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
    QSqlQuery query = Sql::exec(master, QStringLiteral("SELECT * FROM Auswertung_Typen"));
    QStringList bearers;
    const QSqlRecord columns = query.record();
    for (int i = 0; i < columns.count(); ++i)
        if (columns.fieldName(i).startsWith(kSharePrefix))
            bearers << columns.fieldName(i).mid(kSharePrefix.size());
    QStringList types;
    while (query.next())
        types << query.value(QStringLiteral("Typ")).toString();
    model()->setPickList(model()->columnIndex(QStringLiteral("Typ")), types, types);
    model()->setPickList(model()->columnIndex(QStringLiteral("Kostenträger")), bearers, bearers);
}
