// tavo-cli gemeinde: what the building areas of one municipality add up to in calendar years, one
// variant per project group, each shifted to its start year; from the stored results.

#include <algorithm>

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/Transaction.h"
#include "core/results/XlsxWorkbook.h"
#include "core/services/MunicipalityOverview.h"

namespace tavo {

namespace {

const QString kUsage = QStringLiteral(
    "Aufruf: tavo-cli gemeinde [--master DATEI] [--user DATEI] --pg N [--projekt ID@JAHR ...]\n"
    "                          [--kostentraeger NAME|alle] [--format text|json|csv|xlsx] [--out DATEI]");

struct Request {
    int pg = 0;
    QList<MunicipalityOverview::Choice> choices;
    QString costBearer = QStringLiteral("Gemeinde");
    QString format = QStringLiteral("text");
    QString master;
    QString user;
    QString out;
};

// "ID@JAHR" or "ID" (the default start year); a German error text, empty when it is well.
QString readChoice(const QString& text, Request& request) {
    const QStringList parts = text.trimmed().split(QLatin1Char('@'));
    bool idOk = false;
    bool yearOk = parts.size() == 1;
    MunicipalityOverview::Choice choice;
    choice.projectId = parts.first().toInt(&idOk);
    if (parts.size() == 2)
        choice.startYear = parts[1].toInt(&yearOk);
    if (!idOk || choice.projectId < 1 || parts.size() > 2 || !yearOk ||
        (parts.size() == 2 && (choice.startYear < 1900 || choice.startYear > 2200)))
        return QStringLiteral("Ungültige Projektwahl: %1 (ID@JAHR, z. B. 3@2027)").arg(text);
    request.choices << choice;
    return QString();
}

QString parseArguments(const QStringList& args, Request& request) {
    QCommandLineParser parser;
    const QCommandLineOption master(QStringLiteral("master"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption pg(QStringLiteral("pg"), QString(), QStringLiteral("N"));
    const QCommandLineOption project(QStringLiteral("projekt"), QString(), QStringLiteral("ID@JAHR"));
    const QCommandLineOption bearer(QStringLiteral("kostentraeger"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption out(QStringLiteral("out"), QString(), QStringLiteral("DATEI"));
    parser.addOptions({master, user, pg, project, bearer, format, out});
    const QString parseError = parseCommandLine(parser, args);
    if (!parseError.isEmpty())
        return parseError;
    if (!parser.isSet(pg))
        return QStringLiteral("Es fehlt --pg.");
    bool ok = false;
    request.pg = parser.value(pg).trimmed().toInt(&ok);
    if (!ok || request.pg < 1)
        return QStringLiteral("Ungültige Gemeindenummer: %1").arg(parser.value(pg));
    for (const QString& text : parser.values(project)) {
        const QString error = readChoice(text, request);
        if (!error.isEmpty())
            return error;
    }
    const QString bearerName = parser.isSet(bearer) ? parser.value(bearer) : request.costBearer;
    request.costBearer = bearerName == QLatin1String("alle") ? QString() : bearerName;
    const QString formatError = readFormatAndOut(
        parser,
        {QStringLiteral("text"), QStringLiteral("json"), QStringLiteral("csv"), QStringLiteral("xlsx")},
        request.format, request.out);
    if (!formatError.isEmpty())
        return formatError;
    request.master = parser.value(master);
    request.user = parser.value(user);
    return QString();
}

QJsonValue yearJson(const std::optional<int>& year) {
    return year ? QJsonValue(*year) : QJsonValue(QJsonValue::Null);
}

QByteArray jsonDocument(const MunicipalityOverview::Overview& o, const MasterProvenance& herkunft) {
    QJsonArray projects;
    for (const MunicipalityOverview::ProjectLine& line : o.projects) {
        QJsonArray years;
        for (int j = 1; j <= KeyFigures::Years; ++j)
            years << line.saldoJeProjektjahr[j];
        projects << QJsonObject{{QStringLiteral("id"), line.projectId},
                                {QStringLiteral("projekt"), line.projekt},
                                {QStringLiteral("beschreibung"), line.beschreibung},
                                {QStringLiteral("startjahr"), line.startYear},
                                {QStringLiteral("geaendert"), line.stale},
                                {QStringLiteral("saldo_je_projektjahr"), years}};
    }
    QJsonArray years;
    for (int year = o.firstYear; year <= o.lastYear && !o.projects.isEmpty(); ++year) {
        QJsonArray perProject;
        for (int p = 0; p < o.projects.size(); ++p)
            perProject << o.projectSaldo(p, year);
        const int i = year - o.firstYear;
        years << QJsonObject{{QStringLiteral("jahr"), year},
                             {QStringLiteral("saldo"), o.saldoJeJahr[i]},
                             {QStringLiteral("kumuliert"), o.kumuliert[i]},
                             {QStringLiteral("je_projekt"), perProject}};
    }
    const QJsonObject root{
        {QStringLiteral("pg"), o.pg},
        {QStringLiteral("gemeinde"), o.pgName},
        {QStringLiteral("kostentraeger"), o.costBearer.isEmpty() ? QStringLiteral("alle") : o.costBearer},
        {QStringLiteral("projekte"), projects},
        {QStringLiteral("jahre"), years},
        {QStringLiteral("saldo"), o.saldo},
        {QStringLiteral("tiefpunkt"), o.projects.isEmpty()
                                          ? QJsonValue(QJsonValue::Null)
                                          : QJsonValue(QJsonObject{{QStringLiteral("jahr"), o.tiefpunktJahr},
                                                                   {QStringLiteral("betrag"), o.tiefpunkt}})},
        {QStringLiteral("amortisationsjahr"), yearJson(o.amortisationsjahr)},
        {QStringLiteral("stammdaten"), provenanceJson(herkunft)},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString textTable(const MunicipalityOverview::Overview& o) {
    QString text = QStringLiteral("Gemeindeübersicht %1 %2 (Kostenträger %3, Beträge in €)\n\n")
                       .arg(o.pg)
                       .arg(o.pgName, o.costBearer.isEmpty() ? QStringLiteral("alle") : o.costBearer);
    if (o.projects.isEmpty())
        return text + QStringLiteral("Die Gemeinde hat kein berechnetes Projekt.\n");
    for (const MunicipalityOverview::ProjectLine& line : o.projects)
        text += QStringLiteral("%1: Start %2 (Projektjahr 1)\n")
                    .arg(MunicipalityOverview::projectLabel(line))
                    .arg(line.startYear);
    text += QStringLiteral("\nSaldo %1 bis %2: %3 €\nTiefpunkt: %4 € im Jahr %5\nAmortisationsjahr: %6\n\n")
                .arg(o.firstYear)
                .arg(o.lastYear)
                .arg(NumberFormat::money(o.saldo), NumberFormat::money(o.tiefpunkt))
                .arg(o.tiefpunktJahr)
                .arg(o.amortisationsjahr ? QString::number(*o.amortisationsjahr)
                                         : QStringLiteral("nicht erreicht"));
    const ExportTable table = MunicipalityOverview::table(o);
    QList<QStringList> cells;
    cells << table.header;
    for (const QVariantList& row : table.rows) {
        QStringList line{row.first().toString()};
        for (int c = 1; c < row.size(); ++c)
            line << NumberFormat::money(row[c].toDouble());
        cells << line;
    }
    text += alignedColumns(cells);
    return text;
}

} // namespace

int cmdGemeinde(const QStringList& args) {
    Request request;
    const QString error = parseArguments(args, request);
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    return printProduced([&request]() -> QByteArray {
        const Databases dbs = asUsage([&] {
            return DataLocations::ofRunningProgram().open(request.master, request.user,
                                                          Databases::Access::Read);
        });
        asUsage([&] { requireCostBearer(dbs.master(), request.costBearer); });
        const MasterProvenance herkunft = MasterProvenance::read(dbs.master());
        if (!request.out.isEmpty())
            checkOut(request.out, dbs);
        // The overview and the warnings on changed projects from one state of the database.
        const ReadTransaction read(dbs.user());
        const MunicipalityOverview::Overview overview = asUsage([&] {
            return MunicipalityOverview::compute(dbs.user(), request.pg, request.choices, request.costBearer);
        });
        for (const MunicipalityOverview::ProjectLine& line : overview.projects)
            if (line.stale)
                warnIfOutdated(dbs.user(), line.projectId);
        if (request.format == QLatin1String("xlsx")) {
            XlsxWorkbook::writeTable(request.out, MunicipalityOverview::table(overview));
            return QByteArray();
        }
        if (request.format == QLatin1String("json"))
            return jsonDocument(overview, herkunft);
        if (request.format == QLatin1String("csv"))
            return MunicipalityOverview::table(overview).csv();
        return (textTable(overview) + provenanceText(herkunft)).toUtf8();
    });
}

} // namespace tavo
