#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Exit codes of tavo-cli: 0 success, 1 calculation error, 2 usage error or unusable database.
enum CliExit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// Options of the form "--name value" and flags of the form "--name".
struct CliArgs {
    QMap<QString, QString> options;
    QStringList flags;

    bool has(const QString& name) const { return options.contains(name) || flags.contains(name); }
    QString value(const QString& name, const QString& fallback = QString()) const {
        return options.value(name, fallback);
    }

    // Parses args; names listed in flagNames take no value. Unknown names or a missing value make
    // error non-empty.
    static CliArgs parse(const QStringList& args, const QStringList& valueNames, const QStringList& flagNames,
                         QString* error);
};

// Prints a message on stderr.
void printError(const QString& message);

int cmdInit(const QStringList& args);
int cmdCalc(const QStringList& args);
int cmdExport(const QStringList& args);
int cmdKennzahlen(const QStringList& args);
