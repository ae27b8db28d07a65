// Every statement the core writes for the user database, found in its sources: each names the user
// tables, their columns and the known aliases quoted (a server folds a bare name to lower case and then
// knows no such table or column), and each complete one is accepted as written by a new user database
// in a file and on the private PostgreSQL server, which checks tables and columns when it prepares.

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/SchemaDefinition.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "support/PgTestDatabase.h"

using namespace tavo;

namespace {

// One string literal of a source file (adjacent literals joined), with where it starts.
struct Literal {
    QString text;
    QString where;
};

// The index after a delimited part that starts at i (a string or character literal), escapes skipped.
int literalEnd(const QString& source, int i, QChar close) {
    int j = i + 1;
    while (j < source.size() && source.at(j) != close) {
        if (source.at(j) == QLatin1Char('\\'))
            ++j;
        ++j;
    }
    return j + 1;
}

QString unescaped(const QString& body) {
    QString text;
    for (int i = 0; i < body.size(); ++i) {
        if (body.at(i) != QLatin1Char('\\') || i + 1 == body.size()) {
            text += body.at(i);
            continue;
        }
        const QChar next = body.at(++i);
        text += next == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
                : next == QLatin1Char('t') ? QChar(QLatin1Char('\t'))
                                           : next;
    }
    return text;
}

// The string literals of a C++ source outside comments; literals with only white space between them
// are one (the compiler joins them).
QList<Literal> literalsOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString source = QString::fromUtf8(file.readAll());
    QList<Literal> literals;
    int lastEnd = -1;
    for (int i = 0; i < source.size();) {
        const QChar c = source.at(i);
        if (source.mid(i, 2) == QLatin1String("//")) {
            i = source.indexOf(QLatin1Char('\n'), i);
            i = i < 0 ? source.size() : i;
        } else if (source.mid(i, 2) == QLatin1String("/*")) {
            i = source.indexOf(QLatin1String("*/"), i + 2);
            i = i < 0 ? source.size() : i + 2;
        } else if (c == QLatin1Char('\'')) {
            i = literalEnd(source, i, c);
        } else if (c == QLatin1Char('"') && i > 0 && source.at(i - 1) == QLatin1Char('R')) {
            i = source.indexOf(QLatin1String(")\""), i);
            i = i < 0 ? source.size() : i + 2;
        } else if (c == QLatin1Char('"')) {
            const int end = literalEnd(source, i, c);
            const QString text = unescaped(source.mid(i + 1, end - i - 2));
            if (lastEnd >= 0 && QStringView(source).mid(lastEnd, i - lastEnd).trimmed().isEmpty())
                literals.last().text += text;
            else
                literals << Literal{
                    text, QStringLiteral("%1:%2").arg(path).arg(source.left(i).count(QLatin1Char('\n')) + 1)};
            lastEnd = i = end;
        } else {
            ++i;
        }
    }
    return literals;
}

QList<Literal> coreLiterals() {
    QList<Literal> all;
    QDirIterator it(QStringLiteral(TAVO_TEST_SOURCE_DIR "/src/core"),
                    {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        all << literalsOf(it.next());
    return all;
}

// Every name a statement writes quoted, by its lower-case form.
const QHash<QString, QString>& knownNames() {
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> map;
        for (const QString& name : Schema::identifiers())
            map.insert(name.toLower(), name);
        map.insert(QStringLiteral("alter"), QStringLiteral("Alter"));
        return map;
    }();
    return names;
}

bool isUserTable(const QString& name) {
    for (const Schema::Table& table : Schema::tables())
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

const QRegularExpression& statementStart() {
    static const QRegularExpression start(QStringLiteral("^\\s*(SELECT|INSERT|UPDATE|DELETE|WITH)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    return start;
}

// Whether a statement reads or writes a user table: the first table it names after FROM, INTO, UPDATE
// or JOIN is one (statements on the master database, SQLite's catalogue or a table being rebuilt are not).
bool onUserTable(const QString& sql) {
    static const QRegularExpression table(QStringLiteral("\\b(?:FROM|INTO|UPDATE|JOIN)\\s+\"?(\\w+)"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::UseUnicodePropertiesOption);
    QRegularExpressionMatchIterator it = table.globalMatch(sql);
    return it.hasNext() && isUserTable(it.next().captured(1));
}

// A fragment of a user statement: it names a user table or column quoted (and may name another bare).
// A pattern that looks for a name in a table definition is none.
bool isUserFragment(const QString& text) {
    if (text.contains(QLatin1Char('\\')))
        return false;
    static const QRegularExpression quotedName(QStringLiteral("\"(\\w+)\""),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QRegularExpressionMatchIterator it = quotedName.globalMatch(text);
    while (it.hasNext())
        if (knownNames().contains(it.next().captured(1).toLower()))
            return true;
    return false;
}

// The known names in sql written bare: outside strings, quoted names and placeholders.
QStringList bareNames(const QString& sql) {
    static const QRegularExpression parts(
        QStringLiteral("'(?:[^']|'')*'|\"(?:[^\"]|\"\")*\"|[:%.]\\w+|(\\w+)"),
        QRegularExpression::UseUnicodePropertiesOption);
    QStringList bare;
    QRegularExpressionMatchIterator it = parts.globalMatch(sql);
    while (it.hasNext()) {
        const QString word = it.next().captured(1);
        // The keyword ALTER, written in capitals, is no column "Alter".
        if (!word.isEmpty() && word != QLatin1String("ALTER") && knownNames().contains(word.toLower()))
            bare << word;
    }
    return bare;
}

// The complete statements on user tables: those without pieces added at run time.
QList<Literal> completeUserStatements() {
    QList<Literal> statements;
    static const QRegularExpression piece(QStringLiteral("%\\d"));
    for (const Literal& literal : coreLiterals())
        if (statementStart().match(literal.text).hasMatch() && onUserTable(literal.text) &&
            !literal.text.contains(piece))
            statements << literal;
    return statements;
}

// The statements of the list that db refuses to prepare, each with where it is and the refusal.
QStringList refused(const QSqlDatabase& db, const QList<Literal>& statements) {
    QStringList failures;
    for (const Literal& statement : statements) {
        QSqlQuery query(db);
        try {
            Sql::prepare(query, statement.text);
        } catch (const TavoError& e) {
            failures << QStringLiteral("%1: %2").arg(statement.where, e.message());
        }
    }
    return failures;
}

} // namespace

class TestSqlStatements : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsLiteralsAndBareNames();
    void userStatementsQuoteEveryName();
    void fileAcceptsEveryStatement();
    void serverAcceptsEveryStatement();
};

// The scanner itself on a small source: what it must report and what it must leave alone.
void TestSqlStatements::findsLiteralsAndBareNames() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("probe.cpp"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("// \"SELECT Jahr FROM Auswertung\" in a comment\n"
               "auto a = QStringLiteral(\"SELECT \\\"Jahr\\\", Typ \"\n"
               "                        \"FROM \\\"Auswertung\\\" WHERE TAVO = :TAVO AND x = 'Jahr'\");\n"
               "char c = '\"'; auto b = \"AND %1 = Jahr\";\n");
    file.close();
    const QList<Literal> literals = literalsOf(path);
    QCOMPARE(literals.size(), 2);
    QCOMPARE(literals.at(0).text,
             QStringLiteral("SELECT \"Jahr\", Typ FROM \"Auswertung\" WHERE TAVO = :TAVO AND x = 'Jahr'"));
    QVERIFY(literals.at(0).where.endsWith(QLatin1String(":2")));
    QVERIFY(onUserTable(literals.at(0).text));
    QCOMPARE(bareNames(literals.at(0).text), (QStringList{QStringLiteral("Typ"), QStringLiteral("TAVO")}));
    QVERIFY(!isUserFragment(literals.at(1).text));
    QVERIFY(!onUserTable(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Bebauung'")));
    QVERIFY(!onUserTable(QStringLiteral("SELECT * FROM BvB WHERE PG = ?")));
    QVERIFY(onUserTable(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM \"bBvB\") AS x")));
}

void TestSqlStatements::userStatementsQuoteEveryName() {
    QStringList failures;
    int checked = 0;
    for (const Literal& literal : coreLiterals()) {
        const bool statement = statementStart().match(literal.text).hasMatch();
        if (statement ? !onUserTable(literal.text) : !isUserFragment(literal.text))
            continue;
        ++checked;
        const QStringList bare = bareNames(literal.text);
        if (!bare.isEmpty())
            failures << QStringLiteral("%1: %2 in „%3“")
                            .arg(literal.where, bare.join(QStringLiteral(", ")), literal.text.simplified());
    }
    QVERIFY2(checked > 50, qPrintable(QString::number(checked)));
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
}

void TestSqlStatements::fileAcceptsEveryStatement() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("benutzer.db"));
    Databases::createUserDatabase(path);
    const QString name = QStringLiteral("statements_file");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        const QList<Literal> statements = completeUserStatements();
        QVERIFY(statements.size() > 30);
        const QStringList failures = refused(db, statements);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void TestSqlStatements::serverAcceptsEveryStatement() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    PgTestDatabase server;
    Databases::createUserDatabase(server.url());
    const QStringList failures = refused(server.open(), completeUserStatements());
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestSqlStatements)
#include "test_sql_statements.moc"
