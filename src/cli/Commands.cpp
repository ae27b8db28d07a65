#include "cli/Commands.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>

#include <QCommandLineParser>

#include "core/data/Databases.h"
#include "core/data/Interruption.h"
#include "core/data/OutputFile.h"
#include "core/projects/CalculationState.h"
#include "core/projects/ProjectRecords.h"
#include "core/results/ResultQueries.h"

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tavo {

const QList<CliCommand>& cliCommands() {
    static const QList<CliCommand> commands = {
        {"init", "init [--master DATEI] --user DATEI|postgresql://benutzer@server:port/datenbank [--leer]",
         cmdInit},
        {"calc", "calc [--master DATEI] [--user DATEI] (--project ID | --all)", cmdCalc},
        {"export",
         "export [--master DATEI] [--user DATEI] --project ID (--view "
         "ausgaben|einnahmen|saldo|wohneinheiten|bewohner | --alles)\n"
         "                  [--kostentraeger NAME] [--typ NAME] [--gruppierung TEXT] [--gebiet 0..4]\n"
         "                  [--format tsv|csv|xlsx] [--out DATEI]",
         cmdExport},
        {"kennzahlen",
         "kennzahlen [--master DATEI] [--user DATEI] --project ID [--project ID ...]\n"
         "                  [--kostentraeger NAME|alle] [--zinssatz PROZENT] [--format text|csv|json|xlsx]\n"
         "                  [--out DATEI]",
         cmdKennzahlen},
        {"szenarien",
         "szenarien [--master DATEI] [--user DATEI] --project ID [--laeufe N (1 bis 100000)] [--seed S]\n"
         "                  [--kostentraeger NAME|alle] [--format text|json]",
         cmdSzenarien},
        {"breakeven",
         "breakeven [--master DATEI] [--user DATEI] --project ID --feld SPALTE [--ziel saldo|barwert]\n"
         "                  [--kostentraeger NAME|alle] [--format text|json]",
         cmdBreakeven},
        {"sensitivitaet",
         "sensitivitaet [--master DATEI] [--user DATEI] --project ID [--kostentraeger NAME|alle]\n"
         "                  [--zinssatz PROZENT] [--format text|json|csv]",
         cmdSensitivitaet},
        {"gemeinde",
         "gemeinde [--master DATEI] [--user DATEI] --pg N [--projekt ID@JAHR ...]\n"
         "                  [--kostentraeger NAME|alle] [--format text|json|csv|xlsx] [--out DATEI]",
         cmdGemeinde},
        {"bericht",
         "bericht [--master DATEI] [--user DATEI] --project ID [--berechnen]\n"
         "                  [--kostentraeger NAME|alle] [--zinssatz PROZENT] --out DATEI.pdf",
         cmdBericht},
        {"kopieren", "kopieren [--master DATEI] --von QUELLE --nach ZIEL [--project ID ...]", cmdKopieren},
        {"plan",
         "plan [--master DATEI] [--user DATEI] --project ID --datei PLAN [--zuordnung DATEI.json]\n"
         "                  [--crs EPSG:N] [--reparieren] [--anwenden] [--format text|json]",
         cmdPlan},
        {"stammdaten",
         "stammdaten import --bevoelkerung DATEI.csv [--bevoelkerung DATEI.csv ...] --gemeinden DATEI.csv\n"
         "                  [--land N] [--prognose-summen DATEI.csv] [--finanzen DATEI.xlsx|DATEI.csv]\n"
         "                  [--master DATEI] --out DATEI.db\n"
         "  tavo-cli stammdaten vorlage [--master DATEI] --out DATEI.xlsx|DATEI.csv",
         cmdStammdaten},
    };
    return commands;
}

QString cliUsage() {
    QString text = QStringLiteral("Aufruf:\n");
    for (const CliCommand& command : cliCommands())
        text += QStringLiteral("  tavo-cli %1\n").arg(QString::fromUtf8(command.usage));
    text += QStringLiteral("  tavo-cli BEFEHL --help          zeigt den Aufruf eines Befehls\n"
                           "  tavo-cli --help | --version\n");
    text += QLatin1Char('\n') + staleResultsText() + QLatin1Char('\n');
    return text + exitCodeText();
}

QString staleResultsText() {
    return QStringLiteral(
        "Sind die Eingaben eines Projekts seit seiner letzten Berechnung geändert, geben export,\n"
        "kennzahlen, gemeinde und bericht die gespeicherten Ergebnisse mit einer Warnung auf stderr aus\n"
        "(Rückgabewert 0); bericht --berechnen berechnet das Projekt vorher.\n");
}

QString exitCodeText() {
    return QStringLiteral(
        "Rückgabewert: 0 erledigt; 1 der Lauf ist gescheitert (Berechnungsfehler, auch nicht berechenbare\n"
        "Projektdaten, Verbindung zum Server verloren, Schreiben fehlgeschlagen); 2 falscher Aufruf oder\n"
        "unbrauchbare Datei (unbekannte Option oder unbekanntes Projekt, überzählige Argumente, Datei nicht\n"
        "lesbar, keine TAVO-Datenbank oder schreibgeschützt, wo geschrieben werden muss, abgelehnte Adresse\n"
        "oder --out); 130 mit Strg+C abgebrochen.\n");
}

void printError(const QString& message) {
    printText(message + QLatin1Char('\n'), true);
}

bool printText(const QString& text, bool toStderr) {
    if (!toStderr)
        return writeStdout(text.toUtf8());
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
    return true;
}

bool writeStdout(const QByteArray& bytes) {
#ifdef Q_OS_WIN
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    errno = 0;
    const size_t written = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    int error = errno;
    if (written == static_cast<size_t>(bytes.size())) {
        errno = 0;
        if (std::fflush(stdout) == 0 && !std::ferror(stdout))
            return true;
        error = errno;
    }
    std::clearerr(stdout);
    printError(
        QStringLiteral("Die Ausgabe konnte nicht geschrieben werden: %1.").arg(OutputFile::reason(error)));
    return false;
}

int reportFailure(const TavoError& error) {
    printError(error.message());
    if (dynamic_cast<const Interruption::Interrupted*>(&error))
        return ExitInterrupted;
    return dynamic_cast<const UsageError*>(&error) ? ExitUsage : ExitFailed;
}

void requireProject(const QSqlDatabase& user, int id) {
    if (!asUsage([&] { return projectExists(user, id); }))
        throw UsageError(QStringLiteral("Das Projekt mit der ID %1 gibt es nicht.").arg(id));
}

void checkOut(const QString& path, const Databases& dbs) {
    asUsage([&] { OutputFile::checkTarget(path, {dbs.userPath(), dbs.masterPath()}); });
}

namespace {

void onCtrlC(int) {
    Interruption::request();
    // A second Ctrl+C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

void stopOnCtrlC() {
    std::signal(SIGINT, onCtrlC);
}

ProgressLine::ProgressLine(QString label, QString unit)
    : m_label(std::move(label)), m_unit(std::move(unit)), m_enabled(stderrIsTerminal()) {}

ProgressLine::~ProgressLine() {
    finish();
}

void ProgressLine::show(int done, int total) {
    if (!m_enabled || total <= 0)
        return;
    const int percent = static_cast<int>(100LL * done / total);
    if (percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    const QString line =
        QStringLiteral("%1 %2 % (%3 von %4 %5)").arg(m_label).arg(percent).arg(done).arg(total).arg(m_unit);
    m_width = std::max(m_width, static_cast<int>(line.size()));
    std::fputs(("\r" + line.leftJustified(m_width)).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

void ProgressLine::finish() {
    if (!m_enabled || m_shownPercent < 0)
        return;
    std::fputs(("\r" + QString(m_width, QLatin1Char(' ')) + "\r").toUtf8().constData(), stderr);
    std::fflush(stderr);
    m_shownPercent = -1;
}

QString outdatedWarning(int projectId) {
    return QStringLiteral(
               "Warnung: Projekt %1 wurde seit der letzten Berechnung geändert; die Ergebnisse sind "
               "veraltet. Neu berechnen mit tavo-cli calc --project %1.")
        .arg(projectId);
}

void warnIfOutdated(const QSqlDatabase& user, int projectId) {
    if (CalculationState::of(user, projectId) == CalculationState::State::Changed)
        printError(outdatedWarning(projectId));
}

void prepareConsole() {
#ifdef Q_OS_WIN
    SetConsoleOutputCP(CP_UTF8);
#endif
}

bool stderrIsTerminal() {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

namespace {

// The German message for what QCommandLineParser rejected: an unknown option as it was written,
// or the option whose value is missing.
QString parseErrorText(const QCommandLineParser& parser, const QStringList& args) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString name = unknown.first();
        for (const QString& arg : args)
            if (arg.startsWith(QLatin1Char('-')) && arg.section(QLatin1Char('='), 0, 0).endsWith(name))
                return QStringLiteral("Unbekannte Option: %1").arg(arg.section(QLatin1Char('='), 0, 0));
        return QStringLiteral("Unbekannte Option: %1").arg(name);
    }
    return QStringLiteral("Wert fehlt nach %1").arg(args.isEmpty() ? QString() : args.last());
}

} // namespace

QString parseCommandLine(QCommandLineParser& parser, const QStringList& args) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // QCommandLineParser skips the first argument, the program name.
    if (!parser.parse(QStringList{QStringLiteral("tavo-cli")} + args)) {
        if (!parser.unknownOptionNames().isEmpty())
            return QStringLiteral("Unbekannte Option: --%1").arg(parser.unknownOptionNames().first());
        return QStringLiteral("Einer Option fehlt ihr Wert.");
    }
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("Unerwartetes Argument: %1").arg(parser.positionalArguments().first());
    return QString();
}

QString readFormatAndOut(const QCommandLineParser& parser, const QStringList& formats, QString& format,
                         QString& out) {
    format = parser.isSet(QStringLiteral("format")) ? parser.value(QStringLiteral("format"))
                                                    : QStringLiteral("text");
    if (!formats.contains(format))
        return QStringLiteral("Unbekanntes Format: %1 (möglich: %2)")
            .arg(format, formats.join(QLatin1Char('|')));
    out = parser.value(QStringLiteral("out"));
    if (format == QLatin1String("xlsx") && out.isEmpty())
        return QStringLiteral("Eine Arbeitsmappe braucht eine Datei: --out DATEI");
    if (format != QLatin1String("xlsx") && parser.isSet(QStringLiteral("out")))
        return QStringLiteral("--out gilt nur für --format xlsx.");
    return QString();
}

CliArgs CliArgs::parse(const QStringList& args, const QStringList& valueNames, const QStringList& flagNames,
                       QString* error) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const QString& name : valueNames)
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("WERT")));
    for (const QString& name : flagNames)
        parser.addOption(QCommandLineOption(name));

    CliArgs result;
    // QCommandLineParser skips the first argument, the program name.
    if (!parser.parse(QStringList{QStringLiteral("tavo-cli")} + args)) {
        *error = parseErrorText(parser, args);
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unbekannte Option: %1").arg(parser.positionalArguments().first());
        return result;
    }
    for (const QString& name : valueNames)
        if (parser.isSet(name))
            result.options.insert(name, parser.value(name));
    for (const QString& name : flagNames)
        if (parser.isSet(name))
            result.flags << name;
    return result;
}

QString readProjectOption(const CliArgs& parsed, ProjectFigureOptions& options) {
    if (!parsed.has(QStringLiteral("project")))
        return QStringLiteral("Es fehlt --project.");
    bool ok = false;
    options.project = parsed.value(QStringLiteral("project")).toInt(&ok);
    if (!ok || options.project < 1)
        return QStringLiteral("Ungültige Projektnummer: %1").arg(parsed.value(QStringLiteral("project")));
    return QString();
}

QString readFigureOptions(const CliArgs& parsed, ProjectFigureOptions& options) {
    const QString bearer = parsed.value(QStringLiteral("kostentraeger"), QStringLiteral("Gemeinde"));
    options.costBearer = bearer == QLatin1String("alle") ? QString() : bearer;
    options.format = parsed.value(QStringLiteral("format"), options.format);
    if (options.format != QLatin1String("text") && options.format != QLatin1String("json"))
        return QStringLiteral("Unbekanntes Format: %1 (möglich: text|json)").arg(options.format);
    options.master = parsed.value(QStringLiteral("master"));
    options.user = parsed.value(QStringLiteral("user"));
    return QString();
}

std::optional<double> parseRate(const QString& text) {
    QString plain = text.trimmed();
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double rate = plain.toDouble(&ok);
    if (!ok || !std::isfinite(rate) || rate <= -100.0)
        return std::nullopt;
    return rate;
}

QString alignedColumns(const QList<QStringList>& rows) {
    QList<int> widths;
    for (const QStringList& row : rows)
        for (int c = 0; c < row.size(); ++c) {
            if (c == widths.size())
                widths << 0;
            widths[c] = std::max(widths[c], static_cast<int>(row[c].size()));
        }
    QString text;
    for (const QStringList& row : rows) {
        QString line = row.isEmpty() ? QString() : row[0].leftJustified(widths[0]);
        for (int c = 1; c < row.size(); ++c)
            line += QStringLiteral("  ") + row[c].rightJustified(widths[c]);
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString provenanceText(const MasterProvenance& herkunft) {
    return QLatin1Char('\n') + herkunft.line() + QLatin1Char('\n');
}

QJsonObject provenanceJson(const MasterProvenance& herkunft) {
    return QJsonObject{{QStringLiteral("datensatz"), herkunft.datensatz},
                       {QStringLiteral("quelle"), herkunft.quelle},
                       {QStringLiteral("stand"), herkunft.stand},
                       {QStringLiteral("beispiel"), herkunft.beispiel},
                       {QStringLiteral("hinweis"), herkunft.line()}};
}

int printProduced(const std::function<QByteArray()>& produce) {
    QByteArray bytes;
    try {
        bytes = produce();
    } catch (const TavoError& e) {
        return reportFailure(e);
    } catch (const std::exception& e) {
        printError(QStringLiteral("Fehler bei der Berechnung: %1").arg(QString::fromLocal8Bit(e.what())));
        return ExitFailed;
    }
    return writeStdout(bytes) ? ExitOk : ExitFailed;
}

} // namespace tavo
