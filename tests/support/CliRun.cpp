#include "support/CliRun.h"

#include <QProcessEnvironment>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

namespace tavo {

std::unique_ptr<QProcess> startCli(const QStringList& args, const CliRunOptions& options) {
    auto process = std::make_unique<QProcess>();
    if (!options.env.isEmpty() || !options.unsetEnv.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : options.env)
            environment.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        for (const QString& name : options.unsetEnv)
            environment.remove(name);
        process->setProcessEnvironment(environment);
    }
    if (!options.stdoutFile.isEmpty())
        process->setStandardOutputFile(options.stdoutFile);
#ifdef Q_OS_LINUX
    if (options.fileSizeMax > 0) {
        const rlim_t limit = static_cast<rlim_t>(options.fileSizeMax);
        // A full disk for the child: a write beyond the limit fails with EFBIG instead of a signal.
        process->setChildProcessModifier([limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
        });
    }
#endif
    const QString program = options.program.isEmpty() ? QStringLiteral(TAVO_TEST_CLI) : options.program;
    if (options.asNobody)
        process->start(QStringLiteral("setpriv"),
                       QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--", program} +
                           args);
    else
        process->start(program, args);
    return process;
}

CliOutput finishCli(QProcess& process, int timeoutMs) {
    if (!process.waitForFinished(timeoutMs))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

CliOutput runCli(const QStringList& args, const CliRunOptions& options) {
    const std::unique_ptr<QProcess> process = startCli(args, options);
    return finishCli(*process, options.timeoutMs);
}

} // namespace tavo
