// tavo-cli without the council report and the plan reader: "bericht" hands over to tavo-bericht,
// "plan" to tavo-plan, the same command line built with the report or with GDAL. The report needs
// QtGui with its font and windowing libraries, the plan GDAL; either would otherwise be loaded at
// every start of every command. Each of the two programs hands the other's command on in turn.

#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "cli/Commands.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace {

// Beside tavo-cli in a build or a portable folder, else in the installed program's own folder.
QString partProgram(const QString& name, const QString& part) {
    const QDir own(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {own.filePath(name), QDir::cleanPath(own.filePath(QStringLiteral(TAVO_REPORT_PROGRAM_RELATIVE) +
                                                           QLatin1Char('/') + name))})
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    throw TavoError(QStringLiteral("Der %1 von TAVO (%2) fehlt neben %3; bitte TAVO neu "
                                   "installieren.")
                        .arg(part, name, QDir::toNativeSeparators(own.path())));
}

// Runs the command in the named program in this process's place.
int handOver(const QString& name, const QString& part, const char* command, const QStringList& args) {
    const QString program = partProgram(name, part);
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef Q_OS_UNIX
    // The report program takes this process's place: its output, exit code and Ctrl+C are the
    // caller's as if tavo-cli had written the report itself.
    std::vector<QByteArray> owned{QFile::encodeName(program), QByteArray(command)};
    for (const QString& arg : args)
        owned.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : owned)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv.front(), argv.data());
    throw TavoError(QStringLiteral("Der %1 von TAVO (%2) lässt sich nicht starten.")
                        .arg(part, QDir::toNativeSeparators(program)));
#else
    QProcess report;
    report.setProcessChannelMode(QProcess::ForwardedChannels);
    report.setInputChannelMode(QProcess::ForwardedInputChannel);
    report.start(program, QStringList{QString::fromUtf8(command)} + args);
    if (!report.waitForFinished(-1) || report.exitStatus() != QProcess::NormalExit)
        throw TavoError(QStringLiteral("Der %1 von TAVO (%2) lässt sich nicht starten.")
                            .arg(part, QDir::toNativeSeparators(program)));
    return report.exitCode();
#endif
}

} // namespace

#ifndef TAVO_CLI_WITH_REPORT
int cmdBericht(const QStringList& args) {
    return handOver(QStringLiteral("tavo-bericht"), QStringLiteral("Berichtsteil"), "bericht", args);
}
#endif

#ifndef TAVO_CLI_WITH_PLAN
int cmdPlan(const QStringList& args) {
    return handOver(QStringLiteral("tavo-plan"), QStringLiteral("Planteil"), "plan", args);
}
#endif

} // namespace tavo
