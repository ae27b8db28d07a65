// tavo-cli kopieren: moves projects with their detail rows and results from one user database into
// another, a file or a database server, as new projects of the target.

#include <memory>

#include <QCommandLineParser>
#include <QFileInfo>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/ServerAddress.h"
#include "core/data/TavoError.h"
#include "core/services/ProjectCopy.h"

namespace tavo {

namespace {

const QString kUsage =
    QStringLiteral("Aufruf: tavo-cli kopieren [--master DATEI] --von QUELLE --nach ZIEL [--project ID ...]");

struct Request {
    QString master;
    QString from;
    QString to;
    QList<int> projects; // empty: every project of the source
};

// Reads the arguments into request; returns a German message on a usage error.
QString parseArguments(const QStringList& args, Request& request) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption master(QStringLiteral("master"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption from(QStringLiteral("von"), QString(), QStringLiteral("QUELLE"));
    const QCommandLineOption to(QStringLiteral("nach"), QString(), QStringLiteral("ZIEL"));
    const QCommandLineOption project(QStringLiteral("project"), QString(), QStringLiteral("ID"));
    parser.addOptions({master, from, to, project});
    if (!parser.parse(QStringList{QStringLiteral("tavo-cli")} + args)) {
        if (!parser.unknownOptionNames().isEmpty())
            return QStringLiteral("Unbekannte Option: --%1").arg(parser.unknownOptionNames().first());
        return QStringLiteral("Einer Option fehlt ihr Wert.");
    }
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("Unerwartetes Argument: %1").arg(parser.positionalArguments().first());
    if (parser.value(from).isEmpty())
        return QStringLiteral("Es fehlt --von.");
    if (parser.value(to).isEmpty())
        return QStringLiteral("Es fehlt --nach.");
    for (const QString& text : parser.values(project)) {
        bool ok = false;
        const int id = text.trimmed().toInt(&ok);
        if (!ok || id < 1)
            return QStringLiteral("Ungültige Projektnummer: %1").arg(text);
        request.projects << id;
    }
    request.master = parser.value(master);
    request.from = parser.value(from);
    request.to = parser.value(to);
    return QString();
}

// Whether two user database locations name the same database: the same file, however it is written,
// or the same server address.
bool sameDatabase(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    if (Databases::isServerLocation(a) && Databases::isServerLocation(b)) {
        try {
            return ServerAddress::parse(a).text().compare(ServerAddress::parse(b).text(), Qt::CaseInsensitive) == 0;
        } catch (const TavoError&) {
            // An address that cannot be read is refused when it is opened.
        }
    }
    return a == b;
}

} // namespace

int cmdKopieren(const QStringList& args) {
    Request request;
    const QString error = parseArguments(args, request);
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    if (sameDatabase(request.from, request.to)) {
        printError(QStringLiteral("Quelle und Ziel sind dieselbe Datenbank: %1").arg(request.to));
        return ExitUsage;
    }
    // Both are opened as every command opens its user database; the target must already be one.
    std::unique_ptr<Databases> source;
    std::unique_ptr<Databases> target;
    try {
        const DataLocations locations = DataLocations::ofRunningProgram();
        source = std::make_unique<Databases>(
            locations.open(request.master, request.from, Databases::Access::Read));
        target = std::make_unique<Databases>(locations.open(request.master, request.to));
        const QList<int> unknown = ProjectCopy::unknownProjects(source->user(), request.projects);
        if (!unknown.isEmpty())
            throw TavoError(QStringLiteral("Das Projekt mit der ID %1 gibt es in „%2“ nicht.")
                                .arg(QString::number(unknown.first()), source->userPath()));
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitUsage;
    }
    QList<ProjectCopy::Copied> copies;
    try {
        copies = ProjectCopy::copyProjects(source->user(), target->user(), request.projects);
    } catch (const TavoError& e) {
        printError(e.message() + QStringLiteral("\nEs wurde nichts kopiert."));
        return ExitFailed;
    }
    QString report;
    for (const ProjectCopy::Copied& copy : copies)
        report += QStringLiteral("Projekt %1 → %2: %3\n")
                      .arg(QString::number(copy.sourceId), QString::number(copy.targetId), copy.beschreibung);
    if (copies.isEmpty())
        printError(QStringLiteral("Die Quelle enthält kein Projekt; es wurde nichts kopiert."));
    return printText(report) ? ExitOk : ExitFailed;
}

} // namespace tavo
