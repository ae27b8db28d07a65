// tavo-cli without the council report: "bericht" hands over to tavo-bericht, the same command line
// built with the report. The report needs QtGui with its font and windowing libraries, which would
// otherwise be loaded at every start of every command.

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
QString reportProgram() {
    const QString name = QStringLiteral("tavo-bericht");
    const QDir own(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {own.filePath(name), QDir::cleanPath(own.filePath(QStringLiteral(TAVO_REPORT_PROGRAM_RELATIVE) +
                                                           QLatin1Char('/') + name))})
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    throw TavoError(QStringLiteral("Der Berichtsteil von TAVO (%1) fehlt neben %2; bitte TAVO neu "
                                   "installieren.")
                        .arg(name, QDir::toNativeSeparators(own.path())));
}

} // namespace

int cmdBericht(const QStringList& args) {
    const QString program = reportProgram();
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef Q_OS_UNIX
    // The report program takes this process's place: its output, exit code and Ctrl+C are the
    // caller's as if tavo-cli had written the report itself.
    std::vector<QByteArray> owned{QFile::encodeName(program), QByteArrayLiteral("bericht")};
    for (const QString& arg : args)
        owned.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : owned)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv.front(), argv.data());
    throw TavoError(QStringLiteral("Der Berichtsteil von TAVO (%1) lässt sich nicht starten.")
                        .arg(QDir::toNativeSeparators(program)));
#else
    QProcess report;
    report.setProcessChannelMode(QProcess::ForwardedChannels);
    report.setInputChannelMode(QProcess::ForwardedInputChannel);
    report.start(program, QStringList{QStringLiteral("bericht")} + args);
    if (!report.waitForFinished(-1) || report.exitStatus() != QProcess::NormalExit)
        throw TavoError(QStringLiteral("Der Berichtsteil von TAVO (%1) lässt sich nicht starten.")
                            .arg(QDir::toNativeSeparators(program)));
    return report.exitCode();
#endif
}

} // namespace tavo
