#pragma once

#include <memory>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tavo {

// tavo-cli run as a child process, as a planner's shell runs it.
struct CliOutput {
    int exitCode = -1; // -1: crashed or did not finish in time
    QByteArray out;
    QString err;
};

struct CliRunOptions {
    QStringList env;        // "NAME=value" entries that replace those of the test ("LC_ALL=de_AT.UTF-8")
    QStringList unsetEnv;   // names taken out of the environment ("DISPLAY")
    QString program;        // another program than the build's tavo-cli (an installed one, cmake, ...)
    QString stdoutFile;     // stdout goes into this file instead of a pipe
    qint64 fileSizeMax = 0; // > 0: no file of the process may grow beyond this many bytes (Linux)
    bool asNobody = false;  // run as the user nobody (the test itself runs as root)
    int timeoutMs = 120000; // how long it may take
};

CliOutput runCli(const QStringList& args, const CliRunOptions& options = {});

// The same process started without waiting for it, for several at once; finishCli() waits for it
// (options.timeoutMs) and reads its output.
std::unique_ptr<QProcess> startCli(const QStringList& args, const CliRunOptions& options = {});
CliOutput finishCli(QProcess& process, int timeoutMs = 120000);

} // namespace tavo
