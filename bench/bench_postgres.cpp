// The user database in an SQLite file and on a PostgreSQL server, side by side in one run:
// - one calculation run (runCalculation) of the realistic project, repeated in this process;
// - eight tavo-cli calc processes of eight different projects, started at once, against eight
//   processes one after another;
// on the file, on the server with its durable defaults (fsync on) and on the server with fsync off.
// Without a server given in TAVO_BENCH_PG the program restarts itself under bench/with-postgres.sh,
// which makes a private server for the run and removes it afterwards. Another server can be named in
// TAVO_BENCH_PG (a superuser's address; the bench makes and drops the database tavo_bench there): it
// is then measured as it is configured, without the fsync switch and the statement count.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>

#include "core/data/Databases.h"
#include "core/data/ServerAddress.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/services/CalculationRun.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

constexpr int kRuns = 20;
constexpr int kProcessRounds = 5;
constexpr int kProcesses = 8;
const QString kBenchDatabase = QStringLiteral("tavo_bench");

// The detail tables of a project, copied with it.
const QStringList kDetailTables = {QStringLiteral("Bebauung"), QStringLiteral("Besiedelung"),
                                   QStringLiteral("Sonderausgaben")};

struct Figures {
    double median = 0, min = 0, max = 0, cpuMedian = 0;
    double serverCpuMean = -1; // CPU time of the server process of the connection per run
};

// The projects of one database: the one calculated in this process, eight of eight municipalities
// and eight of one municipality.
struct Projects {
    int single = 0;
    QList<int> spread;
    QList<int> oneMunicipality;
};

// One database under test: what the table calls it, where tavo-cli finds it, and the open connection.
struct Backend {
    QString label;
    QString location;
    Databases* dbs = nullptr;
    Projects projects;
    int fsync = -1; // on a server: 1 measured with fsync on, 0 with it off
};

double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

// Restarts this program under the script that provides a private server; returns only on failure.
void restartWithServer(int argc, char** argv) {
    std::vector<char*> args;
    static char bash[] = "bash";
    static char script[] = TAVO_BENCH_SERVER_SCRIPT;
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        std::perror("bench_postgres: /proc/self/exe");
        return;
    }
    args.push_back(bash);
    args.push_back(script);
    args.push_back(self);
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    std::fflush(stdout);
    execvp("bash", args.data());
    std::perror("bench_postgres: bash");
}

// ---- the server ----

QString withDatabase(const QString& serverLocation, const QString& database) {
    const ServerAddress address = ServerAddress::parse(serverLocation);
    return QStringLiteral("postgresql://%1@%2:%3/%4")
        .arg(address.user, address.host)
        .arg(address.port)
        .arg(database);
}

// A superuser connection to the server's maintenance database, for what the program itself never does.
class Admin {
public:
    explicit Admin(const QString& serverLocation) {
        const ServerAddress address = ServerAddress::parse(serverLocation);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name());
        db.setHostName(address.host);
        db.setPort(address.port);
        db.setUserName(address.user);
        db.setDatabaseName(address.database);
        if (!db.open())
            throw TavoError(QStringLiteral("Keine Verbindung zum Server: %1").arg(db.lastError().text()));
        run(QStringLiteral("SET client_min_messages = warning"));
    }
    ~Admin() {
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name(), false); }

    void run(const QString& sql) const {
        QSqlQuery query(db());
        if (!query.exec(sql))
            throw TavoError(QStringLiteral("%1: %2").arg(sql, query.lastError().text()));
    }

    QString show(const QString& setting) const {
        QSqlQuery query(db());
        if (!query.exec(QStringLiteral("SHOW %1").arg(setting)) || !query.next())
            return QStringLiteral("?");
        return query.value(0).toString();
    }

    // fsync is read from the configuration file on reload; new sessions and, at their next statement,
    // existing ones follow it.
    void setFsync(bool on) const {
        run(QStringLiteral("ALTER SYSTEM SET fsync = %1")
                .arg(on ? QStringLiteral("on") : QStringLiteral("off")));
        run(QStringLiteral("SELECT pg_reload_conf()"));
        const QString wanted = on ? QStringLiteral("on") : QStringLiteral("off");
        for (int i = 0; i < 100 && show(QStringLiteral("fsync")) != wanted; ++i)
            QThread::msleep(50);
        if (show(QStringLiteral("fsync")) != wanted)
            throw TavoError(QStringLiteral("Der Server übernimmt fsync = %1 nicht.").arg(wanted));
    }

private:
    static QString name() { return QStringLiteral("bench_admin"); }
};

// ---- the projects ----

QStringList copiedColumns(const QSqlDatabase& from, const QSqlDatabase& to, const QString& table) {
    const QStringList target = Sql::columnNames(to, table);
    QStringList columns;
    for (const QString& column : Sql::columnNames(from, table))
        if (column != QLatin1String("ID") && column != QLatin1String("rowid") && target.contains(column))
            columns << column;
    return columns;
}

QString insertStatement(const QString& table, const QStringList& columns) {
    QStringList quoted, marks;
    for (const QString& column : columns) {
        quoted << Sql::quoted(column);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(Sql::quoted(table), quoted.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

// Copies rows of `table` selected by `where` (one bound value) from one user database to the other;
// the column TAVO, when copied, gets newProject.
void copyRows(const QSqlDatabase& from, const QSqlDatabase& to, const QString& table, const QString& where,
              const QVariant& key, int newProject) {
    const QStringList columns = copiedColumns(from, to, table);
    QStringList quoted;
    for (const QString& column : columns)
        quoted << Sql::quoted(column);
    QSqlQuery rows = Sql::exec(from,
                               QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY \"ID\"")
                                   .arg(quoted.join(QLatin1Char(',')), Sql::quoted(table), where),
                               {key});
    QSqlQuery insert(to);
    Sql::prepare(insert, insertStatement(table, columns));
    const int projectColumn = columns.indexOf(QStringLiteral("TAVO"));
    while (rows.next()) {
        for (int i = 0; i < columns.size(); ++i)
            insert.bindValue(i, i == projectColumn ? QVariant(newProject) : rows.value(i));
        Sql::execPrepared(insert);
    }
}

// Copies a project with its detail rows into another user database; returns its ID there.
int copyProject(const QSqlDatabase& from, const QSqlDatabase& to, int id) {
    copyRows(from, to, QStringLiteral("TAVO"), QStringLiteral("\"ID\" = ?"), id, 0);
    const int newId = Sql::scalar(to, QStringLiteral("SELECT max(\"ID\") FROM \"TAVO\"")).toInt();
    for (const QString& table : kDetailTables)
        copyRows(from, to, table, QStringLiteral("\"TAVO\" = ?"), id, newId);
    return newId;
}

// The projects in the file: the realistic project in municipality 301, in 301 to 308, and eight times in 309.
Projects insertProjects(TestDb& db) {
    Projects projects;
    projects.single = EngineFixture::insertRealisticProject(db, 301);
    for (int i = 0; i < kProcesses; ++i)
        projects.spread << EngineFixture::insertRealisticProject(db, 301 + i);
    for (int i = 0; i < kProcesses; ++i)
        projects.oneMunicipality << EngineFixture::insertRealisticProject(db, 309);
    return projects;
}

Projects copyProjects(const Projects& source, const QSqlDatabase& from, const QSqlDatabase& to) {
    Transaction transaction(to);
    Projects copy;
    copy.single = copyProject(from, to, source.single);
    for (int id : source.spread)
        copy.spread << copyProject(from, to, id);
    for (int id : source.oneMunicipality)
        copy.oneMunicipality << copyProject(from, to, id);
    transaction.commit();
    return copy;
}

// Calculates every project once, so each measured run replaces results as a repeated "Berechnen" does.
void calculateAll(const Backend& backend) {
    QList<int> all = backend.projects.spread + backend.projects.oneMunicipality;
    all << backend.projects.single;
    for (int id : all)
        runCalculation(*backend.dbs, id);
}

// ---- measuring ----

// CPU time in ms the server process of the connection has used so far (in steps of the clock tick),
// or -1 for a file.
double serverCpuMs(const Databases& dbs) {
    if (!dbs.isServer())
        return -1;
    const int pid = Sql::scalar(dbs.user(), QStringLiteral("SELECT pg_backend_pid()")).toInt();
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The fields after the command name in parentheses; utime and stime are the 14th and 15th.
    const QString text = QString::fromLatin1(stat.readAll());
    const QStringList fields = text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / sysconf(_SC_CLK_TCK);
}

Figures measureRuns(const Databases& dbs, int project) {
    runCalculation(dbs, project); // warm-up
    const double serverStart = serverCpuMs(dbs);
    std::vector<double> wall, cpu;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        runCalculation(dbs, project);
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - cpuStart);
    }
    const double serverEnd = serverCpuMs(dbs);
    return {medianOf(wall), *std::min_element(wall.begin(), wall.end()),
            *std::max_element(wall.begin(), wall.end()), medianOf(cpu),
            serverStart < 0 || serverEnd < 0 ? -1 : (serverEnd - serverStart) / kRuns};
}

// Wall time in ms until tavo-cli calc has finished for every project: all started at once, or one
// after the other.
double runProcesses(const QString& master, const QString& user, const QList<int>& ids, bool atOnce) {
    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> processes;
    auto finish = [](QProcess& process, int id) {
        if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            throw TavoError(QStringLiteral("tavo-cli calc --project %1 ist fehlgeschlagen: %2")
                                .arg(id)
                                .arg(QString::fromLocal8Bit(process.readAllStandardError())));
    };
    for (int id : ids) {
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(TAVO_CLI_PATH),
                       {QStringLiteral("calc"), QStringLiteral("--master"), master, QStringLiteral("--user"),
                        user, QStringLiteral("--project"), QString::number(id)});
        if (!atOnce)
            finish(*process, id);
        processes.push_back(std::move(process));
    }
    if (atOnce)
        for (int i = 0; i < ids.size(); ++i)
            finish(*processes[i], ids[i]);
    return timer.nsecsElapsed() / 1e6;
}

// Median wall time of kProcessRounds rounds, at once and one after the other taking turns.
std::pair<double, double> measureProcesses(const QString& master, const QString& user,
                                           const QList<int>& ids) {
    runProcesses(master, user, ids, true); // warm-up: program and files in the page cache
    std::vector<double> atOnce, oneByOne;
    for (int round = 0; round < kProcessRounds; ++round) {
        atOnce.push_back(runProcesses(master, user, ids, true));
        oneByOne.push_back(runProcesses(master, user, ids, false));
    }
    return {medianOf(atOnce), medianOf(oneByOne)};
}

// ---- where the time goes on the server ----

struct ServerShare {
    int roundTrips = 0;        // statements sent, each waiting for its answer
    int statements = 0;        // executions of the program's statements (a prepared one per execution)
    double executionMs = 0;    // server time spent executing them
    int nested = 0;            // statements the server ran for them (foreign key checks)
    double nestedMs = 0;       // their share of executionMs
    double roundTripMs = 0;    // one round trip of an empty statement, median
    QStringList largest;       // the statements with the most server time
    int processRoundTrips = 0; // statements a whole tavo-cli calc process sends
};

int countLogLines(const QString& logPath, qint64 from, const QString& marker) {
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return -1;
    log.seek(from);
    int count = 0;
    while (!log.atEnd())
        if (QString::fromUtf8(log.readLine()).contains(marker))
            ++count;
    return count;
}

double roundTripMs(const QSqlDatabase& user) {
    QSqlQuery query(user);
    std::vector<double> times;
    for (int i = 0; i < 500; ++i) {
        QElapsedTimer timer;
        timer.start();
        query.exec(QStringLiteral("SELECT 1"));
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return medianOf(times);
}

// What pg_stat_statements gathered, without the statements of the measurement itself.
void readStatistics(const QSqlDatabase& user, ServerShare& share) {
    const QString own =
        QStringLiteral("query NOT LIKE '%pg_stat_statements%' AND query NOT LIKE '%log_statement%'");
    QSqlQuery totals(user);
    totals.exec(QStringLiteral("SELECT toplevel, sum(calls), sum(total_exec_time) FROM pg_stat_statements "
                               "WHERE %1 GROUP BY toplevel")
                    .arg(own));
    while (totals.next()) {
        if (totals.value(0).toBool()) {
            share.statements = totals.value(1).toInt();
            share.executionMs = totals.value(2).toDouble();
        } else {
            share.nested = totals.value(1).toInt();
            share.nestedMs = totals.value(2).toDouble();
        }
    }
    QSqlQuery largest(user);
    largest.exec(
        QStringLiteral(
            "SELECT calls, total_exec_time, toplevel, left(regexp_replace(query, '\\s+', ' ', 'g'), 90) "
            "FROM pg_stat_statements WHERE %1 ORDER BY total_exec_time DESC LIMIT 8")
            .arg(own));
    while (largest.next())
        share.largest << QStringLiteral("%1 x %2 ms%3  %4")
                             .arg(largest.value(0).toInt(), 5)
                             .arg(largest.value(1).toDouble(), 6, 'f', 1)
                             .arg(largest.value(2).toBool() ? QString() : QStringLiteral(" (nested)"))
                             .arg(largest.value(3).toString());
}

// One further run of the project with the server logging every statement it receives and
// pg_stat_statements summing the executions, the nested ones apart.
ServerShare analyseRun(const Databases& dbs, int project, const QString& logPath) {
    const QSqlDatabase user = dbs.user();
    ServerShare share;
    Sql::exec(user, QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_stat_statements"));
    const qint64 logStart = QFile(logPath).size();
    Sql::exec(user, QStringLiteral("SELECT pg_stat_statements_reset()"));
    Sql::exec(user, QStringLiteral("SET pg_stat_statements.track = 'all'"));
    Sql::exec(user, QStringLiteral("SET log_statement = 'all'"));
    runCalculation(dbs, project);
    Sql::exec(user, QStringLiteral("RESET log_statement"));
    Sql::exec(user, QStringLiteral("RESET pg_stat_statements.track"));
    QThread::msleep(200); // the log is written by the server process
    // The log holds the statements of the run and the first RESET.
    share.roundTrips = countLogLines(logPath, logStart, QStringLiteral("LOG:  statement: ")) - 1;
    readStatistics(user, share);
    share.roundTripMs = roundTripMs(user);
    return share;
}

// Statements one tavo-cli calc process sends, from connecting to the end: the server logs every
// statement of a session to the bench database while the setting is there.
int processRoundTrips(const Admin& admin, const QString& logPath, const QString& master, const QString& user,
                      int project) {
    admin.run(QStringLiteral("ALTER DATABASE %1 SET log_statement = 'all'").arg(kBenchDatabase));
    const qint64 logStart = QFile(logPath).size();
    runProcesses(master, user, {project}, false);
    admin.run(QStringLiteral("ALTER DATABASE %1 RESET log_statement").arg(kBenchDatabase));
    QThread::msleep(200);
    return countLogLines(logPath, logStart, QStringLiteral("LOG:  statement: "));
}

// ---- output ----

void printRow(const QString& what, const QStringList& cells) {
    std::printf("| %s | %s |\n", qPrintable(what), qPrintable(cells.join(QStringLiteral(" | "))));
    std::fflush(stdout);
}

QString ms(double value) {
    return QStringLiteral("%1 ms").arg(value, 0, 'f', value < 100 ? 1 : 0);
}

void printHeader(const QList<Backend*>& backends) {
    QStringList labels, rule;
    for (const Backend* backend : backends) {
        labels << backend->label;
        rule << QStringLiteral("---");
    }
    printRow(QStringLiteral("What"), labels);
    printRow(QStringLiteral("---"), rule);
}

// Ledger rows and sums of a project, to see that both databases hold the same results.
QString resultSummary(const Databases& dbs, int project) {
    QSqlQuery query = Sql::exec(
        dbs.user(),
        QStringLiteral(
            "SELECT count(*), sum(\"Ausgabe\"), sum(\"Einnahme\") FROM \"Auswertung\" WHERE \"TAVO\" = ?"),
        {project});
    query.next();
    return QStringLiteral("%1 ledger rows, expenditure %2, revenue %3")
        .arg(query.value(0).toInt())
        .arg(query.value(1).toDouble(), 0, 'f', 2)
        .arg(query.value(2).toDouble(), 0, 'f', 2);
}

// The server's columns are measured once with fsync on and once with it off: the same database.
// Each measurement starts from vacuumed tables, as the server's autovacuum leaves them between the
// calculations of a working day, so that it does not run during the measurement and the dead rows
// of earlier measurements do not slow down the deletions of the next.
void configure(const Backend* backend, const Admin& admin) {
    if (!backend->dbs->isServer())
        return;
    if (backend->fsync >= 0)
        admin.setFsync(backend->fsync == 1);
    Sql::exec(backend->dbs->user(), QStringLiteral("VACUUM ANALYZE"));
}

// The first run on a connection of its own, as in a tavo-cli process: the server process behind a
// new connection has yet to read the tables' descriptions.
double firstRunMs(const QString& master, const Backend& backend) {
    Databases dbs(master, backend.location);
    QElapsedTimer timer;
    timer.start();
    runCalculation(dbs, backend.projects.single);
    return timer.nsecsElapsed() / 1e6;
}

void measureSingle(const QList<Backend*>& backends, const Admin& admin, const QString& master) {
    QList<Figures> single;
    QStringList first;
    for (const Backend* backend : backends) {
        configure(backend, admin);
        single << measureRuns(*backend->dbs, backend->projects.single);
        std::vector<double> firstRuns;
        for (int i = 0; i < 5; ++i)
            firstRuns.push_back(firstRunMs(master, *backend));
        first << ms(medianOf(firstRuns));
    }
    QStringList median, fastest, slowest, cpu, serverCpu;
    for (const Figures& f : single) {
        median << ms(f.median);
        fastest << ms(f.min);
        slowest << ms(f.max);
        cpu << ms(f.cpuMedian);
        serverCpu << (f.serverCpuMean < 0 ? QStringLiteral("–") : ms(f.serverCpuMean));
    }
    printRow(QStringLiteral("one calculation in this process, median of %1").arg(kRuns), median);
    printRow(QStringLiteral("fastest"), fastest);
    printRow(QStringLiteral("slowest"), slowest);
    printRow(QStringLiteral("CPU time of this process, median"), cpu);
    printRow(QStringLiteral("CPU time of the server process, mean"), serverCpu);
    printRow(QStringLiteral("first calculation on a new connection, median of 5"), first);
}

void measureParallel(const QList<Backend*>& backends, const Admin& admin, const QString& master) {
    const std::vector<std::pair<QString, std::function<QList<int>(const Backend*)>>> groups = {
        {QStringLiteral("eight municipalities"), [](const Backend* b) { return b->projects.spread; }},
        {QStringLiteral("one municipality"), [](const Backend* b) { return b->projects.oneMunicipality; }}};
    for (const auto& group : groups) {
        QStringList atOnce, oneByOne, ratio;
        for (const Backend* backend : backends) {
            configure(backend, admin);
            const auto [parallel, serial] =
                measureProcesses(master, backend->location, group.second(backend));
            atOnce << ms(parallel);
            oneByOne << ms(serial);
            ratio << QStringLiteral("%1").arg(serial / parallel, 0, 'f', 2);
        }
        printRow(QStringLiteral("8 processes at once, %1, median of %2").arg(group.first).arg(kProcessRounds),
                 atOnce);
        printRow(QStringLiteral("8 processes one after another, %1").arg(group.first), oneByOne);
        printRow(QStringLiteral("speed-up (one after another / at once)"), ratio);
    }
}

void printServerShare(const Backend& backend, const QString& logPath, const Admin& admin,
                      const QString& master) {
    configure(&backend, admin);
    ServerShare share = analyseRun(*backend.dbs, backend.projects.single, logPath);
    share.processRoundTrips =
        processRoundTrips(admin, logPath, master, backend.location, backend.projects.single);
    std::printf("\nOne calculation on the server (fsync on), counted in an extra run:\n"
                "  statements sent (round trips): %d\n"
                "  executions of them: %d, server execution time %.1f ms\n"
                "  of that in statements the server ran for them: %d executions, %.1f ms\n"
                "  one round trip of SELECT 1 over 127.0.0.1: %.3f ms (median of 500)\n"
                "  statements sent by a whole tavo-cli calc process: %d\n"
                "  largest server time (calls x total):\n",
                share.roundTrips, share.statements, share.executionMs, share.nested, share.nestedMs,
                share.roundTripMs, share.processRoundTrips);
    for (const QString& line : share.largest)
        std::printf("    %s\n", qPrintable(line));
}

void printSetup(const Admin& admin, const Backend& file, const Backend& server) {
    std::printf(
        "bench_postgres: realistic project, %d runs in this process; %d tavo-cli processes, %d rounds\n",
        kRuns, kProcesses, kProcessRounds);
    std::printf(
        "server: %s, shared_buffers %s, synchronous_commit %s; SQLite: rollback journal, synchronous FULL\n",
        qPrintable(admin.show(QStringLiteral("server_version"))),
        qPrintable(admin.show(QStringLiteral("shared_buffers"))),
        qPrintable(admin.show(QStringLiteral("synchronous_commit"))));
    std::printf("results of the project: file   %s\n",
                qPrintable(resultSummary(*file.dbs, file.projects.single)));
    std::printf("                        server %s\n",
                qPrintable(resultSummary(*server.dbs, server.projects.single)));
}

// logPath: the log of the private server; empty for a server that is measured as it is configured.
int run(const QString& serverLocation, const QString& logPath) {
    const bool privateServer = !logPath.isEmpty();
    TestDb file;
    Backend sqlite{QStringLiteral("SQLite file"), file.userPath(), &file.dbs(), insertProjects(file)};

    const Admin admin(serverLocation);
    admin.run(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(kBenchDatabase));
    admin.run(QStringLiteral("CREATE DATABASE %1").arg(kBenchDatabase));
    const QString serverUser = withDatabase(serverLocation, kBenchDatabase);
    Databases::createUserDatabase(serverUser);
    Databases server(file.masterPath(), serverUser);
    const Projects serverProjects = copyProjects(sqlite.projects, file.user(), server.user());
    Backend durable{QStringLiteral("PostgreSQL, fsync on"), serverUser, &server, serverProjects, 1};
    Backend fast{QStringLiteral("PostgreSQL, fsync off"), serverUser, &server, serverProjects, 0};
    QList<Backend*> backends{&sqlite, &durable, &fast};
    if (!privateServer) {
        durable.label = QStringLiteral("PostgreSQL, fsync %1").arg(admin.show(QStringLiteral("fsync")));
        durable.fsync = -1;
        backends.removeLast();
    }

    calculateAll(sqlite);
    calculateAll(durable);
    printSetup(admin, sqlite, durable);
    const QStringList args = QCoreApplication::arguments();
    // --analyse: only where the time of one calculation goes on the server; --single: no processes.
    if (!args.contains(QStringLiteral("--analyse"))) {
        std::printf("\nload average before: %s\n\n", qPrintable(loadAverage()));
        printHeader(backends);
        measureSingle(backends, admin, file.masterPath());
        if (!args.contains(QStringLiteral("--single")))
            measureParallel(backends, admin, file.masterPath());
        std::printf("\nload average after: %s\n", qPrintable(loadAverage()));
    }
    if (privateServer)
        printServerShare(durable, logPath, admin, file.masterPath());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("TAVO_BENCH_PG")) {
        restartWithServer(argc, argv);
        return 1;
    }
    QCoreApplication app(argc, argv);
    try {
        return run(qEnvironmentVariable("TAVO_BENCH_PG"), qEnvironmentVariable("TAVO_BENCH_PG_LOG"));
    } catch (const TavoError& e) {
        std::fprintf(stderr, "bench_postgres: %s\n", qPrintable(e.message()));
        return 1;
    }
}
