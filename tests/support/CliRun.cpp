#include "support/CliRun.h"

#include <QProcess>
#include <QProcessEnvironment>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

namespace tavo {

CliOutput runCli(const QStringList& args, const CliRunOptions& options) {
    QProcess process;
    if (!options.env.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : options.env)
            environment.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        process.setProcessEnvironment(environment);
    }
    if (!options.stdoutFile.isEmpty())
        process.setStandardOutputFile(options.stdoutFile);
#ifdef Q_OS_LINUX
    if (options.fileSizeMax > 0) {
        const rlim_t limit = static_cast<rlim_t>(options.fileSizeMax);
        // A full disk for the child: a write beyond the limit fails with EFBIG instead of a signal.
        process.setChildProcessModifier([limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
        });
    }
#endif
    if (options.asNobody)
        process.start(
            QStringLiteral("setpriv"),
            QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--", TAVO_TEST_CLI} + args);
    else
        process.start(QStringLiteral(TAVO_TEST_CLI), args);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace tavo
