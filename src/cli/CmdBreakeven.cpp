// tavo-cli breakeven: the value an input would need for the area to pay for itself, i.e. for a cost
// bearer's 20-year balance (or net present value) to be zero; calculated in memory, nothing is written.

#include <exception>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CheckedInputs.h"
#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/scenarios/BreakEven.h"

namespace tavo {

namespace {

const QString kUsage = QStringLiteral(
    "Aufruf: tavo-cli breakeven [--master DATEI] [--user DATEI] --project ID --feld SPALTE\n"
    "                           [--ziel saldo|barwert] [--kostentraeger NAME|alle] [--format text|json]");

struct Request : ProjectFigureOptions {
    BreakEven::Request search;
};

QString parseArguments(const QStringList& args, Request& request) {
    QString error;
    const CliArgs parsed = CliArgs::parse(
        args,
        {QStringLiteral("master"), QStringLiteral("user"), QStringLiteral("project"), QStringLiteral("feld"),
         QStringLiteral("ziel"), QStringLiteral("kostentraeger"), QStringLiteral("format")},
        {}, &error);
    if (!error.isEmpty())
        return error;
    error = readProjectOption(parsed, request);
    if (!error.isEmpty())
        return error;
    if (!parsed.has(QStringLiteral("feld")))
        return QStringLiteral("Es fehlt --feld (möglich: %1).")
            .arg(BreakEven::fields().join(QStringLiteral(", ")));
    request.search.field = parsed.value(QStringLiteral("feld"));
    if (!BreakEven::fields().contains(request.search.field))
        return QStringLiteral("Unbekanntes Feld: %1 (möglich: %2)")
            .arg(request.search.field, BreakEven::fields().join(QStringLiteral(", ")));
    const QString target = parsed.value(QStringLiteral("ziel"), QStringLiteral("saldo"));
    if (target != QLatin1String("saldo") && target != QLatin1String("barwert"))
        return QStringLiteral("Unbekanntes Ziel: %1 (möglich: saldo|barwert)").arg(target);
    request.search.target =
        target == QLatin1String("saldo") ? BreakEven::Target::Saldo : BreakEven::Target::Barwert;
    error = readFigureOptions(parsed, request);
    request.search.figures.costBearer = request.costBearer;
    return error;
}

// herkunft receives where the master data come from.
BreakEven::Result search(const Request& request, MasterProvenance& herkunft) {
    const Databases dbs = asUsage([&] {
        return DataLocations::ofRunningProgram().open(request.master, request.user, Databases::Access::Read);
    });
    asUsage([&] { requireCostBearer(dbs.master(), request.search.figures.costBearer); });
    herkunft = MasterProvenance::read(dbs.master());
    // The project row and its detail rows from one state of the database.
    ReadTransaction read(dbs.user());
    requireProject(dbs.user(), request.project);
    requireCheckedInputs(dbs, request.project);
    const EngineInput input = EngineInput::load(dbs, request.project);
    read.finish();
    return BreakEven::find(input, request.search);
}

QJsonValue optionalJson(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QByteArray jsonDocument(const Request& request, const BreakEven::Result& r,
                        const MasterProvenance& herkunft) {
    const QString bearer = request.search.figures.costBearer;
    const QJsonObject root{
        {QStringLiteral("projekt"), request.project},
        {QStringLiteral("feld"), r.field},
        {QStringLiteral("ziel"),
         r.target == BreakEven::Target::Saldo ? QStringLiteral("saldo") : QStringLiteral("barwert")},
        {QStringLiteral("kostentraeger"), bearer.isEmpty() ? QStringLiteral("alle") : bearer},
        {QStringLiteral("wert"), optionalJson(r.value)},
        {QStringLiteral("saldo_bei_wert"), optionalJson(r.figureAtValue)},
        {QStringLiteral("wert_aktuell"), r.currentValue},
        {QStringLiteral("saldo_aktuell"), r.currentFigure},
        {QStringLiteral("bereich"),
         QJsonObject{{QStringLiteral("von"), r.rangeLow}, {QStringLiteral("bis"), r.rangeHigh}}},
        {QStringLiteral("stammdaten"), provenanceJson(herkunft)},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString text(const Request& request, const BreakEven::Result& r) {
    const QString figure =
        r.target == BreakEven::Target::Saldo ? QStringLiteral("Saldo") : QStringLiteral("Barwert");
    const QString bearer = request.search.figures.costBearer;
    QString out =
        QStringLiteral("Was müsste %1 betragen, damit der %2 (Kostenträger %3, Projektjahre 1 bis %4) 0 "
                       "ist?\n\n")
            .arg(r.field, figure, bearer.isEmpty() ? QStringLiteral("alle") : bearer)
            .arg(KeyFigures::Years);
    const QString unit = BreakEven::unit(r.field);
    out +=
        QStringLiteral("Derzeit:  %1 %4 (%2 %3 €)\n")
            .arg(NumberFormat::general(r.currentValue), figure, NumberFormat::money(r.currentFigure), unit);
    if (r.value)
        out +=
            QStringLiteral("Nötig:    %1 %4 (%2 %3 €)\n")
                .arg(NumberFormat::fixed(*r.value, 2), figure, NumberFormat::money(*r.figureAtValue), unit);
    else
        out += QStringLiteral("Nötig:    nicht erreichbar (gesucht von %1 %3 bis %2 %3)\n")
                   .arg(NumberFormat::general(r.rangeLow), NumberFormat::general(r.rangeHigh), unit);
    return out;
}

} // namespace

int cmdBreakeven(const QStringList& args) {
    Request request;
    const QString error = parseArguments(args, request);
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    return printProduced([&request] {
        MasterProvenance herkunft;
        const BreakEven::Result result = search(request, herkunft);
        return request.format == QLatin1String("json")
                   ? jsonDocument(request, result, herkunft)
                   : (text(request, result) + provenanceText(herkunft)).toUtf8();
    });
}

} // namespace tavo
