// tavo-cli sensitivitaet: which scenario parameter moves the 20-year balance and the net present value
// most, each alone at its optimistic and its pessimistic value (a tornado); calculated in memory,
// nothing is written.

#include <algorithm>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CheckedInputs.h"
#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/Transaction.h"
#include "core/results/CsvWriter.h"
#include "core/scenarios/Sensitivity.h"

namespace tavo {

namespace {

const QString kUsage =
    QStringLiteral("Aufruf: tavo-cli sensitivitaet [--master DATEI] [--user DATEI] --project ID\n"
                   "                               [--kostentraeger NAME|alle] [--zinssatz PROZENT] "
                   "[--format text|json|csv]");

struct Request : ProjectFigureOptions {
    KeyFigureOptions figures;
};

QString parseArguments(const QStringList& args, Request& request) {
    QString error;
    CliArgs parsed = CliArgs::parse(args,
                                    {QStringLiteral("master"), QStringLiteral("user"),
                                     QStringLiteral("project"), QStringLiteral("kostentraeger"),
                                     QStringLiteral("zinssatz"), QStringLiteral("format")},
                                    {}, &error);
    if (!error.isEmpty())
        return error;
    error = readProjectOption(parsed, request);
    if (!error.isEmpty())
        return error;
    // The shared reader knows text and json; csv is this command's own.
    const QString format = parsed.value(QStringLiteral("format"), QStringLiteral("text"));
    if (format != QLatin1String("text") && format != QLatin1String("json") && format != QLatin1String("csv"))
        return QStringLiteral("Unbekanntes Format: %1 (möglich: text|json|csv)").arg(format);
    parsed.options.remove(QStringLiteral("format"));
    error = readFigureOptions(parsed, request);
    request.format = format;
    request.figures.costBearer = request.costBearer;
    if (parsed.has(QStringLiteral("zinssatz"))) {
        const auto rate = parseRate(parsed.value(QStringLiteral("zinssatz")));
        if (!rate)
            return QStringLiteral("Ungültiger Zinssatz: %1 (eine Zahl in Prozent, z. B. 3 oder 3,5)")
                .arg(parsed.value(QStringLiteral("zinssatz")));
        request.figures.discountRate = *rate;
    }
    return error;
}

// herkunft receives where the master data come from.
Sensitivity::Tornado calculateTornado(const Request& request, MasterProvenance& herkunft) {
    const Databases dbs = asUsage([&] {
        return DataLocations::ofRunningProgram().open(request.master, request.user, Databases::Access::Read);
    });
    asUsage([&] { requireCostBearer(dbs.master(), request.figures.costBearer); });
    herkunft = MasterProvenance::read(dbs.master());
    // The inputs and the scenario settings from one state of the database.
    ReadTransaction read(dbs.user());
    requireProject(dbs.user(), request.project);
    requireCheckedInputs(dbs, request.project);
    const EngineInput base = EngineInput::load(dbs, request.project);
    const Scenarios::Settings settings = Scenarios::loadSettings(dbs.user(), request.project);
    read.finish();
    return Sensitivity::compute(base, settings, request.figures);
}

QString bearerText(const Sensitivity::Tornado& t) {
    return t.costBearer.isEmpty() ? QStringLiteral("alle") : t.costBearer;
}

QByteArray jsonDocument(const Request& request, const Sensitivity::Tornado& t,
                        const MasterProvenance& herkunft) {
    QJsonArray bars;
    for (const Sensitivity::Bar& bar : t.bars)
        bars << QJsonObject{
            {QStringLiteral("parameter"), bar.parameter},
            {QStringLiteral("bezeichnung"), Sensitivity::caption(bar.parameter)},
            {QStringLiteral("wert_optimistisch"), bar.optimisticValue},
            {QStringLiteral("wert_pessimistisch"), bar.pessimisticValue},
            {QStringLiteral("saldo_optimistisch"), bar.saldoOptimistic},
            {QStringLiteral("saldo_pessimistisch"), bar.saldoPessimistic},
            {QStringLiteral("saldo_breite"), bar.saldoWidth()},
            {QStringLiteral("barwert_optimistisch"), bar.barwertOptimistic},
            {QStringLiteral("barwert_pessimistisch"), bar.barwertPessimistic},
            {QStringLiteral("barwert_breite"), bar.barwertWidth()},
        };
    const QJsonObject root{
        {QStringLiteral("projekt"), request.project},
        {QStringLiteral("kostentraeger"), bearerText(t)},
        {QStringLiteral("zinssatz"), t.discountRate},
        {QStringLiteral("saldo_basis"), t.saldoBasis},
        {QStringLiteral("barwert_basis"), t.barwertBasis},
        {QStringLiteral("parameter"), bars},
        {QStringLiteral("stammdaten"), provenanceJson(herkunft)},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray csvDocument(const Sensitivity::Tornado& t) {
    QList<QVariantList> rows;
    rows << QVariantList{QStringLiteral("Parameter"),
                         QStringLiteral("Bezeichnung"),
                         QStringLiteral("Wert optimistisch"),
                         QStringLiteral("Wert pessimistisch"),
                         QStringLiteral("Saldo optimistisch"),
                         QStringLiteral("Saldo pessimistisch"),
                         QStringLiteral("Barwert optimistisch"),
                         QStringLiteral("Barwert pessimistisch")};
    rows << QVariantList{QStringLiteral("Basis"),
                         QStringLiteral("wie eingegeben"),
                         QVariant(),
                         QVariant(),
                         t.saldoBasis,
                         t.saldoBasis,
                         t.barwertBasis,
                         t.barwertBasis};
    for (const Sensitivity::Bar& bar : t.bars)
        rows << QVariantList{bar.parameter,         Sensitivity::caption(bar.parameter),
                             bar.optimisticValue,   bar.pessimisticValue,
                             bar.saldoOptimistic,   bar.saldoPessimistic,
                             bar.barwertOptimistic, bar.barwertPessimistic};
    return CsvWriter::document(rows);
}

QString textTable(const Request& request, const Sensitivity::Tornado& t) {
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("Parameter"),     QStringLiteral("optimistisch"),
                        QStringLiteral("pessimistisch"), QStringLiteral("Saldo opt."),
                        QStringLiteral("Saldo pess."),   QStringLiteral("Barwert opt."),
                        QStringLiteral("Barwert pess.")};
    for (const Sensitivity::Bar& bar : t.bars)
        rows << QStringList{
            Sensitivity::caption(bar.parameter),         NumberFormat::general(bar.optimisticValue),
            NumberFormat::general(bar.pessimisticValue), NumberFormat::money(bar.saldoOptimistic),
            NumberFormat::money(bar.saldoPessimistic),   NumberFormat::money(bar.barwertOptimistic),
            NumberFormat::money(bar.barwertPessimistic)};
    QString text =
        QStringLiteral("Sensitivität von Projekt %1 (Kostenträger %2, Zinssatz %3 %, Beträge in €, "
                       "Projektjahre 1 bis %4)\n"
                       "Je ein Parameter optimistisch bzw. pessimistisch, alle anderen wie "
                       "eingegeben; nach der Breite der Wirkung auf den Saldo geordnet.\n\n")
            .arg(request.project)
            .arg(bearerText(t), NumberFormat::general(t.discountRate))
            .arg(KeyFigures::Years);
    text += QStringLiteral("Basis: Saldo %1 €, Barwert %2 €\n\n")
                .arg(NumberFormat::money(t.saldoBasis), NumberFormat::money(t.barwertBasis));
    text += alignedColumns(rows);
    return text;
}

} // namespace

int cmdSensitivitaet(const QStringList& args) {
    Request request;
    const QString error = parseArguments(args, request);
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    return printProduced([&request]() -> QByteArray {
        MasterProvenance herkunft;
        const Sensitivity::Tornado tornado = calculateTornado(request, herkunft);
        if (request.format == QLatin1String("json"))
            return jsonDocument(request, tornado, herkunft);
        if (request.format == QLatin1String("csv"))
            return csvDocument(tornado);
        return (textTable(request, tornado) + provenanceText(herkunft)).toUtf8();
    });
}

} // namespace tavo
