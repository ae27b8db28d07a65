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

} // namespace

QJsonObject keyFigureJson(const KeyFigures& f) {
    QJsonArray types;
    for (const TypeTotals& t : f.jeTyp)
        types << QJsonObject{{QStringLiteral("typ"), t.typ},
                             {QStringLiteral("ausgaben"), t.ausgaben},
                             {QStringLiteral("einnahmen"), t.einnahmen},
                             {QStringLiteral("saldo"), t.saldo}};
    return QJsonObject{
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
}

} // namespace tavo
