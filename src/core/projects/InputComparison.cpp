#include "core/projects/InputComparison.h"

#include <map>

#include <QHash>
#include <QSet>
#include <QSqlRecord>

#include "core/data/NumberFormat.h"
#include "core/projects/DetailRows.h"
#include "core/projects/InputTables.h"
#include "core/projects/ProjectRecords.h"

namespace tavo {

namespace {

const QString kNone = QStringLiteral("–");
const char* const kTypes[] = {"EFHg", "EFHk", "RHg", "RHk", "GWB"};

bool allEqual(const QStringList& values) {
    return values.count(values.first()) == values.size();
}

// Values per key and project, with the keys in the order they were first seen.
class KeyedValues {
public:
    explicit KeyedValues(int projects) : m_projects(projects) {}
    void add(const QString& key, int project, double value) {
        if (!m_values.contains(key)) {
            m_order << key;
            m_values.insert(key, QList<double>(m_projects, 0.0));
            m_present.insert(key, QList<bool>(m_projects, false));
        }
        m_values[key][project] += value;
        m_present[key][project] = true;
    }
    // A line per key whose values differ, formatted by format.
    void appendTo(QList<InputComparison::Line>& lines, QString (*format)(double)) const {
        for (const QString& key : m_order) {
            QStringList values;
            for (int p = 0; p < m_projects; ++p)
                values << (m_present[key][p] ? format(m_values[key][p]) : kNone);
            if (!allEqual(values))
                lines.append({key, values});
        }
    }

private:
    int m_projects;
    QStringList m_order;
    QHash<QString, QList<double>> m_values;
    QHash<QString, QList<bool>> m_present;
};

QString percent(double value) {
    return NumberFormat::general(value);
}

void projectFields(const QSqlDatabase& user, const QList<int>& ids, QList<InputComparison::Line>& lines) {
    QList<QSqlRecord> records;
    for (int id : ids) {
        records << readProjectRow(user, id).value_or(QSqlRecord());
    }
    QSet<QString> listed;
    for (const InputTables::Page& page : InputTables::inputPages()) {
        // A caption that repeats on the page (inner and outer development) is told apart by its group.
        QHash<QString, int> uses;
        for (const InputTables::Group& group : page.groups)
            for (const InputTables::Row& row : group.rows)
                for (bool second : {false, true})
                    if ((second ? row.second : row.first).column)
                        ++uses[InputTables::inputCaption(group, row, second)];
        for (const InputTables::Group& group : page.groups)
            for (const InputTables::Row& row : group.rows)
                for (bool second : {false, true}) {
                    const InputTables::Cell& cell = second ? row.second : row.first;
                    if (!cell.column || listed.contains(QString::fromUtf8(cell.column)))
                        continue;
                    const QString column = QString::fromUtf8(cell.column);
                    listed.insert(column);
                    QStringList values;
                    for (const QSqlRecord& r : records)
                        values << InputTables::displayText(r.value(column), cell);
                    if (allEqual(values))
                        continue;
                    QString where = QString::fromUtf8(page.title);
                    const QString caption = InputTables::inputCaption(group, row, second);
                    if (uses.value(caption) > 1 && group.title)
                        where +=
                            QStringLiteral(", ") + QString::fromUtf8(group.title).remove(QLatin1Char(':'));
                    lines.append({QStringLiteral("%1: %2").arg(where, caption), values});
                }
    }
}

void buildingMix(const QSqlDatabase& user, const QList<int>& ids, QList<InputComparison::Line>& lines) {
    KeyedValues shares(int(ids.size()));
    for (int p = 0; p < ids.size(); ++p) {
        for (const QSqlRecord& q : DetailRows::records(user, QStringLiteral("Bebauung"), ids[p])) {
            const QString type = q.value(0).toString().trimmed();
            const QString klasse = q.value(1).toString().trimmed();
            const QString what =
                klasse.isEmpty() ? type : QStringLiteral("%1, Bauklasse %2").arg(type, klasse);
            shares.add(QStringLiteral("Bebauung %1: Anteil (%)").arg(what), p,
                       NumberFormat::toDouble(q.value(2)));
        }
    }
    shares.appendTo(lines, percent);
}

void settlement(const QSqlDatabase& user, const QList<int>& ids, QList<InputComparison::Line>& lines) {
    // Ordered by year, rows without year first; every key is a year and a type.
    std::map<std::pair<int, int>, QString> captions;
    KeyedValues values(int(ids.size()));
    for (int p = 0; p < ids.size(); ++p) {
        for (const QSqlRecord& q : DetailRows::records(user, QStringLiteral("Besiedelung"), ids[p])) {
            const bool noYear = q.value(0).isNull() || q.value(0).toString().trimmed().isEmpty();
            const int year = noYear ? -1 : NumberFormat::toInt(q.value(0));
            for (int t = 0; t < int(std::size(kTypes)); ++t) {
                const QString when =
                    noYear ? QStringLiteral("ohne Jahr") : QStringLiteral("Jahr %1").arg(year);
                const QString caption =
                    QStringLiteral("Besiedelung %1: %2 (%)").arg(when, QLatin1String(kTypes[t]));
                captions.emplace(std::make_pair(year, t), caption);
                values.add(caption, p, NumberFormat::toDouble(q.value(t + 1)));
            }
        }
    }
    QList<InputComparison::Line> unordered;
    values.appendTo(unordered, percent);
    for (const auto& [key, caption] : captions)
        for (const InputComparison::Line& line : unordered)
            if (line.caption == caption)
                lines << line;
}

QString money(double value) {
    return NumberFormat::money(value);
}

void specialExpenditures(const QSqlDatabase& user, const QList<int>& ids,
                         QList<InputComparison::Line>& lines) {
    KeyedValues amounts(int(ids.size()));
    KeyedValues total(int(ids.size()));
    const QString sum = QStringLiteral("Sonderausgaben: Summe (€)");
    for (int p = 0; p < ids.size(); ++p) {
        total.add(sum, p, 0.0);
        for (const QSqlRecord& q : DetailRows::records(user, QStringLiteral("Sonderausgaben"), ids[p])) {
            const QString name = q.value(2).toString().trimmed();
            const QString when = q.value(0).isNull() || q.value(0).toString().trimmed().isEmpty()
                                     ? QStringLiteral("ohne Jahr")
                                     : QStringLiteral("Jahr ") + q.value(0).toString().trimmed();
            const QString caption =
                QStringLiteral("Sonderausgabe %1: %2 (%3, %4) (€)")
                    .arg(when,
                         name.isEmpty() ? QStringLiteral("ohne Bezeichnung") : NumberFormat::excerpt(name),
                         q.value(1).toString(), q.value(3).toString());
            const double amount = NumberFormat::toDouble(q.value(4));
            amounts.add(caption, p, amount);
            total.add(sum, p, amount);
        }
    }
    amounts.appendTo(lines, money);
    total.appendTo(lines, money);
}

} // namespace

namespace InputComparison {

QList<Line> differingInputs(const QSqlDatabase& user, const QList<int>& projectIds) {
    QList<Line> lines;
    if (projectIds.isEmpty())
        return lines;
    projectFields(user, projectIds, lines);
    buildingMix(user, projectIds, lines);
    settlement(user, projectIds, lines);
    specialExpenditures(user, projectIds, lines);
    return lines;
}

} // namespace InputComparison

} // namespace tavo
