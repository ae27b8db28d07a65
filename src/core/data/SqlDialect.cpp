#include "core/data/SqlDialect.h"

#include <QHash>
#include <QSqlDriver>

#include "core/data/SchemaDefinition.h"
#include "core/data/SchemaDriver.h"

namespace tavo {

namespace SqlDialect {
namespace {

bool isIdentifierStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isIdentifierPart(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

// The known names by their lower-case form.
const QHash<QString, QString>& knownNames() {
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> map;
        for (const QString& name : Schema::identifiers())
            map.insert(name.toLower(), name);
        return map;
    }();
    return names;
}

// Words after AS that are no alias: type names of CAST and of identity columns.
bool isTypeWord(const QString& word) {
    static const QStringList types = {QStringLiteral("integer"), QStringLiteral("bigint"), QStringLiteral("int"),
                                      QStringLiteral("real"),    QStringLiteral("double"), QStringLiteral("text"),
                                      QStringLiteral("numeric"), QStringLiteral("float8"), QStringLiteral("varchar"),
                                      QStringLiteral("identity"), QStringLiteral("boolean")};
    return types.contains(word.toLower());
}

QString quotedName(const QString& name) {
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

// Copies a delimited part (string, quoted name, comment) from position i to its end.
int delimitedEnd(const QString& sql, int i, QChar close, bool doubledEscape) {
    int j = i + 1;
    while (j < sql.size()) {
        if (sql.at(j) == close) {
            if (doubledEscape && j + 1 < sql.size() && sql.at(j + 1) == close) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return sql.size();
}

} // namespace

bool isPostgres(const QSqlDriver* driver) {
    return driver && driver->dbmsType() == QSqlDriver::PostgreSQL;
}

bool isPostgres(const QSqlDatabase& db) { return isPostgres(db.driver()); }

QString forPostgres(const QString& sql) {
    QString out;
    out.reserve(sql.size() + sql.size() / 4);
    QString previousWord;
    int i = 0;
    const int n = sql.size();
    while (i < n) {
        const QChar c = sql.at(i);
        int end = i + 1;
        if (c == QLatin1Char('\'')) {
            end = delimitedEnd(sql, i, QLatin1Char('\''), true);
        } else if (c == QLatin1Char('"')) {
            end = delimitedEnd(sql, i, QLatin1Char('"'), true);
            previousWord.clear();
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            end = sql.indexOf(QLatin1Char('\n'), i);
            end = end < 0 ? n : end;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            end = sql.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? n : end + 2;
        } else if (c == QLatin1Char(':') && i + 1 < n && isIdentifierStart(sql.at(i + 1))) {
            // A named placeholder stays as it is.
            end = i + 1;
            while (end < n && isIdentifierPart(sql.at(end)))
                ++end;
            previousWord.clear();
        } else if (isIdentifierStart(c)) {
            while (end < n && isIdentifierPart(sql.at(end)))
                ++end;
            const QString word = sql.mid(i, end - i);
            const auto known = knownNames().constFind(word.toLower());
            if (previousWord.compare(QLatin1String("as"), Qt::CaseInsensitive) == 0 && !isTypeWord(word))
                out += quotedName(word);
            else if (known != knownNames().constEnd())
                out += quotedName(known.value());
            else
                out += word;
            previousWord = word;
            i = end;
            continue;
        } else if (c.isDigit()) {
            while (end < n && (sql.at(end).isLetterOrNumber() || sql.at(end) == QLatin1Char('.')))
                ++end;
            previousWord.clear();
        } else if (!c.isSpace()) {
            previousWord.clear();
        }
        out += QStringView(sql).mid(i, end - i);
        i = end;
    }
    return out;
}

QString forDatabase(const QSqlDatabase& db, const QString& sql) {
    return isPostgres(db) ? forPostgres(sql) : sql;
}

QString orderedTotal(const QSqlDatabase& db, const QString& expression, const QString& order) {
    return SchemaDriver::forDatabase(db).orderedTotal(expression, order);
}

QString ledgerTotal(const QSqlDatabase& db, const QString& expression) {
    return SchemaDriver::forDatabase(db).ledgerTotal(expression);
}

QString orderBy(const QSqlDatabase& db, const QStringList& columns) {
    return SchemaDriver::forDatabase(db).orderBy(columns);
}

} // namespace SqlDialect

} // namespace tavo
