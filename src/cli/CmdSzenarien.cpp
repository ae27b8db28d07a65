// tavo-cli szenarien: the key figures of a project as it is, optimistic and pessimistic, and their
// range from a Monte Carlo run, all calculated in memory; nothing is written.

#include <exception>

#include <QCommandLineParser>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CheckedInputs.h"
#include "cli/Commands.h"
#include "cli/KeyFigureJson.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/engine/EngineInput.h"
#include "core/scenarios/MonteCarlo.h"
#include "core/scenarios/ScenarioComparison.h"
#include "core/scenarios/Scenarios.h"

namespace tavo {

namespace {

const QString kUsage = QStringLiteral(
    "Aufruf: tavo-cli szenarien [--master DATEI] [--user DATEI] --project ID [--laeufe N] [--seed S]\n"
    "                           [--kostentraeger NAME|alle] [--format text|json]\n"
    "                           (--laeufe: 1 bis 100000, Vorgabe 1000)");

// The most runs of one range: about two minutes on two cores; more add no precision a
// planner could use.
constexpr int kMaxRuns = 100000;

struct Request : ProjectFigureOptions {
    MonteCarlo::Options options;
};

QString parseArguments(const QStringList& args, Request& request) {
    QString error;
    const CliArgs parsed =
        CliArgs::parse(args,
                       {QStringLiteral("master"), QStringLiteral("user"), QStringLiteral("project"),
                        QStringLiteral("laeufe"), QStringLiteral("seed"), QStringLiteral("kostentraeger"),
                        QStringLiteral("format")},
                       {}, &error);
    if (!error.isEmpty())
        return error;
    error = readProjectOption(parsed, request);
    if (!error.isEmpty())
        return error;
    bool ok = false;
    if (parsed.has(QStringLiteral("laeufe"))) {
        request.options.runs = parsed.value(QStringLiteral("laeufe")).toInt(&ok);
        if (!ok || request.options.runs < 1 || request.options.runs > kMaxRuns)
            return QStringLiteral("Ungültige Zahl der Läufe: %1 (eine ganze Zahl von 1 bis %2)")
                .arg(parsed.value(QStringLiteral("laeufe")))
                .arg(kMaxRuns);
    }
    if (parsed.has(QStringLiteral("seed"))) {
        request.options.seed = parsed.value(QStringLiteral("seed")).toULongLong(&ok);
        if (!ok)
            return QStringLiteral("Ungültiger Startwert: %1 (eine ganze Zahl ab 0)")
                .arg(parsed.value(QStringLiteral("seed")));
    }
    error = readFigureOptions(parsed, request);
    request.options.figures.costBearer = request.costBearer;
    return error;
}

QJsonObject percentileJson(const MonteCarlo::Percentiles& p) {
    return {{QStringLiteral("p10"), p.p10}, {QStringLiteral("p50"), p.p50}, {QStringLiteral("p90"), p.p90}};
}

QJsonValue yearJson(const std::optional<int>& year) {
    return year ? QJsonValue(*year) : QJsonValue(QJsonValue::Null);
}

QJsonObject parameterJson(const Scenarios::Parameters& parameters) {
    QJsonObject object;
    for (const QString& name : Scenarios::parameterNames())
        object.insert(name, Scenarios::parameterValue(parameters, name));
    return object;
}

struct Outcome : ScenarioComparison {
    Scenarios::Settings settings;
    MasterProvenance herkunft;
};

QByteArray jsonDocument(const Request& request, const Outcome& o) {
    const MonteCarlo::Distribution& d = o.range;
    QJsonArray band;
    for (int j = 1; j <= KeyFigures::Years; ++j) {
        QJsonObject year = percentileJson(d.kumuliert[j]);
        year.insert(QStringLiteral("jahr"), j);
        band << year;
    }
    const QJsonObject verteilung{
        {QStringLiteral("laeufe"), d.runs},
        {QStringLiteral("seed"), QString::number(request.options.seed)},
        {QStringLiteral("saldo"), percentileJson(d.saldo)},
        {QStringLiteral("barwert"), percentileJson(d.barwert)},
        {QStringLiteral("amortisationsjahr"),
         QJsonObject{{QStringLiteral("p10"), yearJson(d.amortisationsjahr[0])},
                     {QStringLiteral("p50"), yearJson(d.amortisationsjahr[1])},
                     {QStringLiteral("p90"), yearJson(d.amortisationsjahr[2])}}},
        {QStringLiteral("kumuliert"), band},
    };
    const QJsonObject root{
        {QStringLiteral("basis"), keyFigureJson(o.basis)},
        {QStringLiteral("optimistisch"), keyFigureJson(o.optimistic)},
        {QStringLiteral("pessimistisch"), keyFigureJson(o.pessimistic)},
        {QStringLiteral("parameter"),
         QJsonObject{{QStringLiteral("optimistisch"), parameterJson(o.settings.optimistic)},
                     {QStringLiteral("pessimistisch"), parameterJson(o.settings.pessimistic)}}},
        {QStringLiteral("verteilung"), verteilung},
        {QStringLiteral("stammdaten"), provenanceJson(o.herkunft)},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString yearText(const std::optional<int>& year) {
    return year ? QString::number(*year) : QStringLiteral("nicht erreicht");
}

QString textTable(const Request& request, const Outcome& o) {
    const MonteCarlo::Distribution& d = o.range;
    const QStringList header{QString(),
                             QStringLiteral("Basis"),
                             QStringLiteral("optimistisch"),
                             QStringLiteral("pessimistisch"),
                             QStringLiteral("P10"),
                             QStringLiteral("P50"),
                             QStringLiteral("P90")};
    auto payback = [](const KeyFigures& f) { return yearText(f.amortisationsjahr); };
    const QList<QStringList> rows = {
        header,
        {QStringLiteral("Saldo"), NumberFormat::money(o.basis.saldo), NumberFormat::money(o.optimistic.saldo),
         NumberFormat::money(o.pessimistic.saldo), NumberFormat::money(d.saldo.p10),
         NumberFormat::money(d.saldo.p50), NumberFormat::money(d.saldo.p90)},
        {QStringLiteral("Barwert"), NumberFormat::money(o.basis.barwert),
         NumberFormat::money(o.optimistic.barwert), NumberFormat::money(o.pessimistic.barwert),
         NumberFormat::money(d.barwert.p10), NumberFormat::money(d.barwert.p50),
         NumberFormat::money(d.barwert.p90)},
        {QStringLiteral("Amortisationsjahr"), payback(o.basis), payback(o.optimistic), payback(o.pessimistic),
         yearText(d.amortisationsjahr[0]), yearText(d.amortisationsjahr[1]),
         yearText(d.amortisationsjahr[2])},
    };
    QString text =
        QStringLiteral("Szenarien von Projekt %1 (Kostenträger %2, Beträge in €, Projektjahre 1 bis %3; "
                       "Verteilung aus %4 Läufen, Startwert %5)\n\n")
            .arg(request.project)
            .arg(o.basis.costBearer.isEmpty() ? QStringLiteral("alle") : o.basis.costBearer)
            .arg(KeyFigures::Years)
            .arg(d.runs)
            .arg(request.options.seed);
    text += alignedColumns(rows);
    return text;
}

Outcome calculateOutcome(const Request& request) {
    const Databases dbs = asUsage([&] {
        return DataLocations::ofRunningProgram().open(request.master, request.user, Databases::Access::Read);
    });
    asUsage([&] { requireCostBearer(dbs.master(), request.options.figures.costBearer); });
    // The inputs and the scenario settings from one state of the database.
    ReadTransaction read(dbs.user());
    requireProject(dbs.user(), request.project);
    requireCheckedInputs(dbs, request.project);
    const EngineInput base = EngineInput::load(dbs, request.project);
    Outcome o;
    o.settings = Scenarios::loadSettings(dbs.user(), request.project);
    o.herkunft = MasterProvenance::read(dbs.master());
    read.finish();
    // Ctrl+C stops the range between two runs; nothing has been printed then.
    stopOnCtrlC();
    ProgressLine progress(QStringLiteral("Szenarien:"), QStringLiteral("Läufen"));
    MonteCarlo::Options options = request.options;
    options.progress = [&progress](int done, int runs) { progress.show(done, runs); };
    static_cast<ScenarioComparison&>(o) = compareScenarios(base, o.settings, options);
    return o;
}

} // namespace

int cmdSzenarien(const QStringList& args) {
    Request request;
    const QString error = parseArguments(args, request);
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    return printProduced([&request] {
        const Outcome outcome = calculateOutcome(request);
        return request.format == QLatin1String("json")
                   ? jsonDocument(request, outcome)
                   : (textTable(request, outcome) + provenanceText(outcome.herkunft)).toUtf8();
    });
}

} // namespace tavo
