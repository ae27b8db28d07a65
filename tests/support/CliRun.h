#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavo {

// tavo-cli run as a child process, as a planner's shell runs it.
struct CliOutput {
    int exitCode = -1; // -1: crashed or did not finish within two minutes
    QByteArray out;
    QString err;
};

struct CliRunOptions {
    QStringList env;        // "NAME=value" entries that replace those of the test ("LC_ALL=de_AT.UTF-8")
    QString stdoutFile;     // stdout goes into this file instead of a pipe
    qint64 fileSizeMax = 0; // > 0: no file of the process may grow beyond this many bytes (Linux)
    bool asNobody = false;  // run as the user nobody (the test itself runs as root)
};

CliOutput runCli(const QStringList& args, const CliRunOptions& options = {});

} // namespace tavo
