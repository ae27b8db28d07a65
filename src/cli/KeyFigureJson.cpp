#include "cli/KeyFigureJson.h"

#include <QJsonArray>

namespace tavo {

namespace {

const QString kAll = QStringLiteral("alle");

QJsonValue optionalJson(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonArray yearArray(const KeyFigures::YearValues& values) {
    QJsonArray array;
    for (int j = 1; j <= KeyFigures::Years; ++j)
        array << values[j];
    return array;
}

// One stated institution: its places, the year they run out and the further groups (classes) per year.
QJsonObject capacityJson(const SchoolCapacity::Outcome& outcome) {
    QJsonArray children;
    QJsonArray groups;
    QJsonArray projectGroups;
    QJsonArray built;
    for (int j = 1; j <= KeyFigures::Years; ++j) {
        children << outcome.years[j].children;
        groups << outcome.years[j].groupsNeeded;
        projectGroups << outcome.projectGroups(j);
        built << outcome.years[j].groupsBuilt;
    }
    return QJsonObject{
        {QStringLiteral("plaetze"), outcome.capacity},
        {QStringLiteral("ueberschritten_ab_jahr"),
         outcome.exceededYear > 0 ? QJsonValue(outcome.exceededYear) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("kinder_je_jahr"), children},
        {QStringLiteral("gruppen_je_jahr"), groups},
        {QStringLiteral("gruppen_projekt_je_jahr"), projectGroups},
        {QStringLiteral("gruppen_errichtet_je_jahr"), built},
    };
}

} // namespace

QJsonObject keyFigureJson(const KeyFigures& f) {
    QJsonArray types;
    for (const TypeTotals& t : f.jeTyp)
        types << QJsonObject{{QStringLiteral("typ"), t.typ},
                             {QStringLiteral("ausgaben"), t.ausgaben},
                             {QStringLiteral("einnahmen"), t.einnahmen},
                             {QStringLiteral("saldo"), t.saldo}};
    QJsonObject json{
        {QStringLiteral("id"), f.projectId},
        {QStringLiteral("projekt"), f.projekt},
        {QStringLiteral("beschreibung"), f.beschreibung},
        {QStringLiteral("pg"), f.pg},
        {QStringLiteral("kostentraeger"), f.costBearer.isEmpty() ? kAll : f.costBearer},
        {QStringLiteral("zinssatz"), f.discountRate},
        {QStringLiteral("ausgaben"), f.ausgaben},
        {QStringLiteral("einnahmen"), f.einnahmen},
        {QStringLiteral("saldo"), f.saldo},
        {QStringLiteral("je_typ"), types},
        {QStringLiteral("saldo_je_jahr"), yearArray(f.saldoJeJahr)},
        {QStringLiteral("kumuliert"), yearArray(f.kumuliert)},
        {QStringLiteral("tiefpunkt"), QJsonObject{{QStringLiteral("jahr"), f.tiefpunkt.jahr},
                                                  {QStringLiteral("betrag"), f.tiefpunkt.betrag}}},
        {QStringLiteral("amortisationsjahr"),
         f.amortisationsjahr ? QJsonValue(*f.amortisationsjahr) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("barwert"), f.barwert},
        {QStringLiteral("wohneinheiten"), f.wohneinheiten},
        {QStringLiteral("bewohner"), f.bewohner},
        {QStringLiteral("saldo_je_wohneinheit"), optionalJson(f.saldoJeWohneinheit)},
        {QStringLiteral("saldo_je_bewohner"), optionalJson(f.saldoJeBewohner)},
    };
    // Only for projects that state the capacity of kindergarten or school.
    if (f.kapazitaet.any()) {
        QJsonObject capacity;
        if (f.kapazitaet.kindergarten.active)
            capacity.insert(QStringLiteral("kindergarten"), capacityJson(f.kapazitaet.kindergarten));
        if (f.kapazitaet.volksschule.active)
            capacity.insert(QStringLiteral("volksschule"), capacityJson(f.kapazitaet.volksschule));
        json.insert(QStringLiteral("kapazitaet"), capacity);
    }
    return json;
}

} // namespace tavo
