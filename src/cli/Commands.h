#pragma once

#include <optional>

#include <functional>

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "core/data/TavoError.h"
#include "core/master/MasterProvenance.h"

class QCommandLineParser;

namespace tavo {

class Databases;

// Exit codes of tavo-cli, one rule for every command: 0 done; 1 the run failed (a calculation error,
// also project data that cannot be calculated, a lost server, a failed write); 2 wrong use or an
// unusable file (unknown option, project or value, extra arguments, a file that cannot be read, is no
// TAVO database or is read-only where writing is needed, a refused address or --out); 130 stopped
// by Ctrl+C.
enum CliExit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitInterrupted = 130 };

// The exit-code rule as --help and the README state it.
QString exitCodeText();

// A failure caused by what the user named (exit code 2); any other TavoError of a command is a
// failed run (exit code 1).
class UsageError : public TavoError {
public:
    using TavoError::TavoError;
};

// Runs step (opening the databases, finding the projects, checking --out) and passes its TavoError
// on as a UsageError.
template <typename Step> auto asUsage(Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const UsageError&) {
        throw;
    } catch (const TavoError& e) {
        throw UsageError(e.message());
    }
}

// Prints the failure's message on stderr and returns its exit code: 2 for a UsageError, 130 for a
// run stopped by Ctrl+C, 1 for anything else.
int reportFailure(const TavoError& error);

// Throws UsageError "Das Projekt mit der ID <id> gibt es nicht." unless the project exists.
void requireProject(const QSqlDatabase& user, int id);

// Refuses (UsageError) an --out file that is one of the open databases, a folder, or cannot be
// written (OutputFile::checkTarget).
void checkOut(const QString& path, const Databases& dbs);

// From now on the first Ctrl+C asks the running work to stop (Interruption); a second one ends the
// program at once.
void stopOnCtrlC();

// A progress line on stderr, shown only when stderr is a terminal: "\r<label> 45 % (450 von 1000
// <unit>)", rewritten when the percentage changes; finish() clears it.
class ProgressLine {
public:
    ProgressLine(QString label, QString unit);
    ~ProgressLine();
    void show(int done, int total);
    void finish();

private:
    QString m_label;
    QString m_unit;
    bool m_enabled;
    int m_shownPercent = -1;
    int m_width = 0;
};

// The options of one subcommand, read by QCommandLineParser: "--name value", "--name=value" and
// flags "--name".
struct CliArgs {
    QMap<QString, QString> options;
    QStringList flags;

    bool has(const QString& name) const { return options.contains(name) || flags.contains(name); }
    QString value(const QString& name, const QString& fallback = QString()) const {
        return options.value(name, fallback);
    }

    // Parses args; names listed in flagNames take no value. Unknown names, a missing value or an
    // argument that is no option make error non-empty (a German message).
    static CliArgs parse(const QStringList& args, const QStringList& valueNames, const QStringList& flagNames,
                         QString* error);
};

// Parses a command's args (after its name) with the options added to parser, single-dash words taken
// as long options. A German usage error (unknown option, missing value, an argument that is no
// option), empty when it is well.
QString parseCommandLine(QCommandLineParser& parser, const QStringList& args);

// Reads the options "format" and "out" of a command that can write a workbook: format one of formats
// (named in that order in the error; default "text"), out needed by "xlsx" and taken by no other
// format. A German usage error, empty when it is well.
QString readFormatAndOut(const QCommandLineParser& parser, const QStringList& formats, QString& format,
                         QString& out);

// One subcommand of tavo-cli: its name, its usage line (without "tavo-cli ") and the function that
// runs it with the arguments after the name and returns the exit code. A new subcommand is a file
// with its function and one row in the table of Commands.cpp.
struct CliCommand {
    const char* name;
    const char* usage;
    int (*run)(const QStringList& args);
};

// Every subcommand, in the order of the usage text.
const QList<CliCommand>& cliCommands();

// The usage text of tavo-cli: one line per subcommand, then --help and --version.
QString cliUsage();

// The paragraph of the usage text on results older than their project's inputs.
QString staleResultsText();

// The manual page of tavo-cli (groff), from the command table and the texts of the usage text
// (hidden option --manpage; the build installs its output). Throws TavoError when a command of the
// table has no description for the page.
QString cliManPage();

// Prints a message on stderr.
void printError(const QString& message);

// Prints text on stdout, or on stderr when toStderr. Returns false (after a German message on stderr)
// when stdout could not take it.
bool printText(const QString& text, bool toStderr = false);

// Writes bytes to stdout exactly as they are: on Windows stdout is switched to binary mode first,
// so the CR LF line ends of the export texts do not become CR CR LF. Every write and the flush are
// checked: on a failure (a full disk, /dev/full) a German message goes to stderr and the result
// is false.
bool writeStdout(const QByteArray& bytes);

// The options of a command over one project's figures, beside its own: --project (a whole number
// from 1), --kostentraeger (a cost bearer, "alle" for all together; default "Gemeinde"), --format
// text|json, --master and --user (empty: the usual lookup).
struct ProjectFigureOptions {
    int project = 0;
    QString costBearer; // empty: all cost bearers together
    QString format = QStringLiteral("text");
    QString master;
    QString user;
};

// Reads --project into options; a German error text, empty when it is well.
QString readProjectOption(const CliArgs& parsed, ProjectFigureOptions& options);

// Reads --kostentraeger, --format, --master and --user into options; a German error text, empty
// when they are well.
QString readFigureOptions(const CliArgs& parsed, ProjectFigureOptions& options);

// A discount rate in percent as typed: "3", "3,5" or "3.5"; none for anything else and for rates
// of -100 % and below, at which the discounting makes no sense.
std::optional<double> parseRate(const QString& text);

// Runs produce, which opens the databases and calculates, and writes the bytes it returns to stdout
// (exit 0); its failure goes to stderr as the German message, with the exit code of reportFailure().
int printProduced(const std::function<QByteArray()>& produce);

// For commands that hand on stored results: when the project's inputs were changed after its last
// calculation, prints "Warnung: Projekt N wurde seit der letzten Berechnung geändert; …" on stderr.
// The answer goes on (exit 0). Call it inside the answer's read transaction, so the warning speaks of
// the results that are handed on. Throws TavoError on a database error.
void warnIfOutdated(const QSqlDatabase& user, int projectId);
// The text of that warning.
QString outdatedWarning(int projectId);

// Rows of a text answer as columns: the first left-aligned, the others right-aligned, two spaces
// apart, each column as wide as its widest cell; one line per row.
QString alignedColumns(const QList<QStringList>& rows);

// The end of a text answer over results: a blank line and the line saying where the master data
// come from, so that figures of invented example data are never taken for a real municipality's.
QString provenanceText(const MasterProvenance& herkunft);
// The same for a JSON answer: the field "stammdaten" with the data set, whether it is example data,
// and the line.
QJsonObject provenanceJson(const MasterProvenance& herkunft);

// Prepares the console before anything is printed: a Windows console is switched to UTF-8, the
// encoding every text of tavo-cli is written in, so umlauts come out right.
void prepareConsole();

// True when stderr is a terminal; the progress line of a long run is shown only there.
bool stderrIsTerminal();

int cmdInit(const QStringList& args);
int cmdCalc(const QStringList& args);
int cmdExport(const QStringList& args);
int cmdKennzahlen(const QStringList& args);
int cmdSzenarien(const QStringList& args);
int cmdBreakeven(const QStringList& args);
int cmdSensitivitaet(const QStringList& args);
int cmdGemeinde(const QStringList& args);
int cmdBericht(const QStringList& args);
int cmdKopieren(const QStringList& args);
int cmdPlan(const QStringList& args);
int cmdStammdaten(const QStringList& args);

} // namespace tavo
