// Builds the master database TAVO_Master.db from its readable sources: schema.sql with the table
// definitions and one tab-separated file per table (first line: column names; empty cell: NULL).
// The output is deterministic: the same sources always give the same rows in the same order.

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>

namespace {

[[noreturn]] void fail(const QString& message) {
    std::fprintf(stderr, "tavo-mkmaster: %s\n", qPrintable(message));
    std::exit(1);
}

void run(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        fail(QStringLiteral("%1\n%2").arg(q.lastError().text(), sql));
}

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

void loadTable(QSqlDatabase& db, const QString& path) {
    const QString table = QFileInfo(path).completeBaseName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(QStringLiteral("kann %1 nicht lesen").arg(path));
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    const QStringList columns = in.readLine().split(QLatin1Char('\t'));
    QStringList quotedColumns, marks;
    for (const QString& c : columns) {
        quotedColumns << quoted(c.trimmed());
        marks << QStringLiteral("?");
    }
    QSqlQuery insert(db);
    if (!insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quoted(table), quotedColumns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))))
        fail(QStringLiteral("%1: %2").arg(table, insert.lastError().text()));
    int lineNo = 1;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNo;
        if (line.trimmed().isEmpty())
            continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (cells.size() != columns.size())
            fail(QStringLiteral("%1:%2: %3 Zellen statt %4").arg(path).arg(lineNo).arg(cells.size()).arg(columns.size()));
        for (int i = 0; i < cells.size(); ++i) {
            // Values go in as text; the column types of schema.sql convert numbers to numbers.
            insert.bindValue(i, cells[i].isEmpty() ? QVariant() : QVariant(cells[i]));
        }
        if (!insert.exec())
            fail(QStringLiteral("%1:%2: %3").arg(path).arg(lineNo).arg(insert.lastError().text()));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        fail(QStringLiteral("Aufruf: tavo-mkmaster QUELLORDNER ZIELDATEI"));
    const QDir source(args[1]);
    const QString target = args[2];
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("mkmaster"));
        db.setDatabaseName(temp);
        if (!db.open())
            fail(db.lastError().text());
        QFile schemaFile(source.filePath(QStringLiteral("schema.sql")));
        if (!schemaFile.open(QIODevice::ReadOnly | QIODevice::Text))
            fail(QStringLiteral("schema.sql fehlt in %1").arg(source.absolutePath()));
        const QString schema = QString::fromUtf8(schemaFile.readAll());
        run(db, QStringLiteral("PRAGMA journal_mode = DELETE"));
        db.transaction();
        for (QString statement : schema.split(QLatin1Char(';'))) {
            // Drop comment lines before deciding whether anything is left.
            QStringList kept;
            for (const QString& line : statement.split(QLatin1Char('\n')))
                if (!line.trimmed().startsWith(QStringLiteral("--")))
                    kept << line;
            statement = kept.join(QLatin1Char('\n')).trimmed();
            if (!statement.isEmpty())
                run(db, statement);
        }
        QStringList files = source.entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name);
        for (const QString& f : files)
            loadTable(db, source.filePath(f));
        if (!db.commit())
            fail(db.lastError().text());
        run(db, QStringLiteral("VACUUM"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("mkmaster"));
    QFile::remove(target);
    if (!QFile::rename(temp, target))
        fail(QStringLiteral("kann %1 nicht schreiben").arg(target));
    return 0;
}
