// tavo-plan (behind "tavo-cli plan"): reads a plan of the building area with GDAL, measures it and
// shows what it would change in a project's inputs; with --anwenden writes them in one transaction.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/plan/PlanReader.h"
#include "core/plan/PlanStore.h"

namespace tavo {

namespace {

const QString kUsage =
    QStringLiteral("Aufruf: tavo-cli plan [--master DATEI] [--user DATEI] --project ID --datei PLAN "
                   "[--zuordnung DATEI.json]\n"
                   "                      [--crs EPSG:N] [--reparieren] [--anwenden] [--format text|json]");

struct Request {
    QString master, user, file, assignmentFile, crs, format = QStringLiteral("text");
    int project = 0;
    bool apply = false, repair = false;
};

QString parseArguments(const QStringList& args, Request& r) {
    QString error;
    const CliArgs parsed = CliArgs::parse(
        args,
        {QStringLiteral("master"), QStringLiteral("user"), QStringLiteral("project"), QStringLiteral("datei"),
         QStringLiteral("zuordnung"), QStringLiteral("crs"), QStringLiteral("format")},
        {QStringLiteral("anwenden"), QStringLiteral("reparieren")}, &error);
    if (!error.isEmpty())
        return error;
    ProjectFigureOptions project;
    error = readProjectOption(parsed, project);
    if (!error.isEmpty())
        return error;
    r.project = project.project;
    r.file = parsed.value(QStringLiteral("datei"));
    if (r.file.isEmpty())
        return QStringLiteral("Es fehlt --datei.");
    r.format = parsed.value(QStringLiteral("format"), r.format);
    if (r.format != QLatin1String("text") && r.format != QLatin1String("json"))
        return QStringLiteral("Unbekanntes Format: %1 (möglich: text|json)").arg(r.format);
    r.crs = parsed.value(QStringLiteral("crs"));
    static const QRegularExpression epsg(QStringLiteral("^EPSG:\\d+$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (parsed.has(QStringLiteral("crs")) && !epsg.match(r.crs).hasMatch())
        return QStringLiteral("Ungültiges Koordinatensystem: %1 (erwartet EPSG:N, z. B. EPSG:31287)")
            .arg(r.crs);
    r.crs = r.crs.toUpper();
    r.master = parsed.value(QStringLiteral("master"));
    r.user = parsed.value(QStringLiteral("user"));
    r.assignmentFile = parsed.value(QStringLiteral("zuordnung"));
    r.apply = parsed.flags.contains(QStringLiteral("anwenden"));
    r.repair = parsed.flags.contains(QStringLiteral("reparieren"));
    return QString();
}

// The assignment named by --zuordnung, else the one last applied for the file, else a guess from the
// names of its layers.
PlanAssignment assignmentFor(const Request& r, const QSqlDatabase& user) {
    PlanAssignment a;
    if (!r.assignmentFile.isEmpty()) {
        QFile file(r.assignmentFile);
        if (!file.open(QIODevice::ReadOnly))
            throw UsageError(
                QStringLiteral("Die Zuordnung „%1“ lässt sich nicht lesen.").arg(r.assignmentFile));
        QString error;
        a = PlanAssignment::fromJson(file.readAll(), &error);
        if (!error.isEmpty())
            throw UsageError(error);
    } else {
        a = PlanStore::rememberedAssignment(user, r.file);
    }
    QString error;
    const QVector<PlanLayerInfo> layers = planLayers(r.file, &error);
    if (!error.isEmpty())
        throw UsageError(error);
    if (a.isEmpty() && a.roleField.isEmpty())
        a = guessAssignment(layers);
    if (!r.crs.isEmpty())
        a.crsOverride = r.crs;
    if (a.isEmpty() && a.roleField.isEmpty()) {
        QStringList names;
        for (const PlanLayerInfo& layer : layers)
            names << layer.name;
        throw UsageError(
            QStringLiteral("Keine Ebene des Plans ist einer Rolle zugeordnet (Ebenen: %1); bitte "
                           "eine Zuordnung mit --zuordnung angeben.")
                .arg(names.join(QStringLiteral(", "))));
    }
    return a;
}

QString problemsText(const PlanReading& reading) {
    QString text = QStringLiteral("Der Plan „%1“ lässt sich so nicht übernehmen:\n").arg(reading.file);
    bool repairable = false;
    for (const PlanProblem& p : reading.problems) {
        text += QStringLiteral("  %1\n").arg(p.text);
        repairable = repairable || p.repairable;
    }
    if (repairable)
        text +=
            QStringLiteral("Mit --reparieren werden ungültige Geometrien von GDAL repariert (MakeValid).\n");
    return text.trimmed();
}

QString valueText(const QVariant& value) {
    return value.isNull() ? QStringLiteral("–") : NumberFormat::general(value.toDouble());
}

QString mapText(const QMap<QString, double>& values) {
    QStringList items;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        items << QStringLiteral("%1 %2").arg(it.key(), NumberFormat::fixed(it.value(), 1));
    return items.isEmpty() ? QStringLiteral("–") : items.join(QStringLiteral(", "));
}

QString text(const Request& r, const PlanReading& reading, const QVector<PlanFieldChange>& changes) {
    const PlanMeasures& m = reading.measures;
    QString out = QStringLiteral("Plan: %1 (Stand %2, gemessen in %3, %4 Objekte)\n")
                      .arg(reading.file, reading.stand, reading.metricCrs)
                      .arg(reading.features.size());
    out += QStringLiteral("Baugebiet (m²):            %1\n").arg(NumberFormat::fixed(m.baugebietM2, 1));
    out += QStringLiteral("Verkehrsfläche (m²):       %1\n").arg(NumberFormat::fixed(m.verkehrM2, 1));
    out += QStringLiteral("Grünfläche (m²):           %1\n").arg(NumberFormat::fixed(m.gruenM2, 1));
    out += QStringLiteral("Leitungen (Lfm):           %1\n").arg(mapText(m.leitungM));
    out += QStringLiteral("Anschlusslängen (Lfm):     %1 (je Netz: %2)\n")
               .arg(NumberFormat::fixed(m.anschlussM, 1), mapText(m.anschlussNetzM));
    QStringList plots;
    for (auto it = m.bauplaetze.cbegin(); it != m.bauplaetze.cend(); ++it)
        plots << QStringLiteral("%1 %2")
                     .arg(it.key().isEmpty() ? QStringLiteral("ohne Typ") : it.key())
                     .arg(it.value());
    out += QStringLiteral("Bauplätze:                 %1\n")
               .arg(plots.isEmpty() ? QStringLiteral("–") : plots.join(QStringLiteral(", ")));
    if (!reading.outsideBaugebiet.isEmpty())
        out += QStringLiteral("Außerhalb des Baugebiets:  %1\n")
                   .arg(reading.outsideBaugebiet.join(QStringLiteral("; ")));
    out += QLatin1Char('\n');
    if (changes.isEmpty())
        return out + QStringLiteral("Der Plan ändert keine Eingabe des Projekts %1.\n").arg(r.project);
    out += r.apply
               ? QStringLiteral("Übernommen in Projekt %1:\n").arg(r.project)
               : QStringLiteral("Würde in Projekt %1 ändern (übernehmen mit --anwenden):\n").arg(r.project);
    for (const PlanFieldChange& c : changes)
        out += QStringLiteral("  %1: %2 → %3\n").arg(c.caption, valueText(c.oldValue), valueText(c.newValue));
    return out;
}

QJsonObject mapJson(const QMap<QString, double>& values) {
    QJsonObject o;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

QByteArray json(const Request& r, const PlanReading& reading, const QVector<PlanFieldChange>& changes) {
    const PlanMeasures& m = reading.measures;
    QJsonObject plots;
    for (auto it = m.bauplaetze.cbegin(); it != m.bauplaetze.cend(); ++it)
        plots.insert(it.key(), it.value());
    QJsonArray changeList;
    for (const PlanFieldChange& c : changes)
        changeList.append(QJsonObject{{QStringLiteral("feld"), c.fieldKey},
                                      {QStringLiteral("bezeichnung"), c.caption},
                                      {QStringLiteral("alt"), QJsonValue::fromVariant(c.oldValue)},
                                      {QStringLiteral("neu"), c.newValue.toDouble()}});
    const QJsonObject root{
        {QStringLiteral("projekt"), r.project},
        {QStringLiteral("datei"), reading.file},
        {QStringLiteral("stand"), reading.stand},
        {QStringLiteral("koordinatensystem"), reading.metricCrs},
        {QStringLiteral("objekte"), int(reading.features.size())},
        {QStringLiteral("messwerte"),
         QJsonObject{{QStringLiteral("baugebiet_m2"), m.baugebietM2},
                     {QStringLiteral("verkehrsflaeche_m2"), m.verkehrM2},
                     {QStringLiteral("gruenflaeche_m2"), m.gruenM2},
                     {QStringLiteral("leitungen_lfm"), mapJson(m.leitungM)},
                     {QStringLiteral("anschluss_lfm"), m.anschlussM},
                     {QStringLiteral("anschluss_je_netz_lfm"), mapJson(m.anschlussNetzM)},
                     {QStringLiteral("bauplaetze"), plots}}},
        {QStringLiteral("ausserhalb_baugebiet"), QJsonArray::fromStringList(reading.outsideBaugebiet)},
        {QStringLiteral("aenderungen"), changeList},
        {QStringLiteral("angewendet"), r.apply},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray run(const Request& r) {
    const Databases dbs = asUsage([&] {
        return DataLocations::ofRunningProgram().open(
            r.master, r.user, r.apply ? Databases::Access::Write : Databases::Access::Read);
    });
    requireProject(dbs.user(), r.project);
    const PlanAssignment assignment = assignmentFor(r, dbs.user());
    QString error;
    const PlanReading reading = readPlan(r.file, assignment, r.repair, &error);
    if (!error.isEmpty())
        throw UsageError(error);
    if (!reading.problems.isEmpty())
        throw UsageError(problemsText(reading));
    const QVector<PlanFieldChange> changes =
        r.apply ? PlanStore::applyPlan(dbs.user(), r.project, reading, assignment)
                : PlanStore::planChanges(dbs.user(), r.project, reading);
    return r.format == QLatin1String("json") ? json(r, reading, changes) : text(r, reading, changes).toUtf8();
}

} // namespace

int cmdPlan(const QStringList& args) {
    Request request;
    const QString error = parseArguments(args, request);
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    return printProduced([&request] { return run(request); });
}

} // namespace tavo
