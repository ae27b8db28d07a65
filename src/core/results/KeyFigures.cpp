#include "core/results/KeyFigures.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include <QSqlQuery>
#include <QVariant>
#include <QVariantList>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"
#include "core/engine/EngineInput.h"
#include "core/engine/EngineResult.h"
#include "core/results/ResultQueries.h"

namespace tavo {

namespace {

// The ledger rows the figures are taken from: the project's years 1 to 20, of one cost bearer or
// all of them. Values are bound; the condition text is one of two fixed variants.
struct LedgerFilter {
    QString where;
    QVariantList params;
};

LedgerFilter ledgerFilter(int projectId, const QString& costBearer) {
    LedgerFilter filter;
    filter.where = QStringLiteral("WHERE \"TAVO\" = ? AND \"Jahr\" BETWEEN 1 AND ?");
    filter.params = {projectId, KeyFigures::Years};
    if (!costBearer.isEmpty()) {
        filter.where += QStringLiteral(" AND \"Kostenträger\" = ?");
        filter.params << costBearer;
    }
    return filter;
}

void readProject(const QSqlDatabase& userDb, KeyFigures& figures) {
    QSqlQuery q = Sql::exec(
        userDb, QStringLiteral("SELECT \"Projekt\", \"Beschreibung\", \"PG\" FROM \"TAVO\" WHERE \"ID\" = ?"),
        {figures.projectId});
    if (!q.next())
        throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(figures.projectId));
    figures.projekt = q.value(0).toString();
    figures.beschreibung = q.value(1).toString();
    figures.pg = NumberFormat::toInt(q.value(2));
}

// Totals over all years and per evaluation type; Total() reads NULL amounts as 0.
void readTotals(const QSqlDatabase& userDb, const LedgerFilter& filter, KeyFigures& figures) {
    const QString ausgabe = SqlDialect::ledgerTotal(userDb, QStringLiteral("\"Ausgabe\""));
    const QString einnahme = SqlDialect::ledgerTotal(userDb, QStringLiteral("\"Einnahme\""));
    QSqlQuery all = Sql::exec(
        userDb, QStringLiteral("SELECT %1, %2 FROM \"Auswertung\" ").arg(ausgabe, einnahme) + filter.where,
        filter.params);
    if (all.next()) {
        figures.ausgaben = all.value(0).toDouble();
        figures.einnahmen = all.value(1).toDouble();
        figures.saldo = figures.einnahmen - figures.ausgaben;
    }
    QSqlQuery types = Sql::exec(userDb,
                                QStringLiteral("SELECT Coalesce(\"Typ\", ''), %1, %2 "
                                               "FROM \"Auswertung\" ")
                                        .arg(ausgabe, einnahme) +
                                    filter.where + QStringLiteral(" GROUP BY 1 ORDER BY 1"),
                                filter.params);
    while (types.next()) {
        TypeTotals t;
        t.typ = types.value(0).toString();
        t.ausgaben = types.value(1).toDouble();
        t.einnahmen = types.value(2).toDouble();
        t.saldo = t.einnahmen - t.ausgaben;
        figures.jeTyp << t;
    }
}

void readYears(const QSqlDatabase& userDb, const LedgerFilter& filter, KeyFigures& figures) {
    QSqlQuery years = Sql::exec(userDb,
                                QStringLiteral("SELECT \"Jahr\", %1 - %2 FROM \"Auswertung\" ")
                                        .arg(SqlDialect::ledgerTotal(userDb, QStringLiteral("\"Einnahme\"")),
                                             SqlDialect::ledgerTotal(userDb, QStringLiteral("\"Ausgabe\""))) +
                                    filter.where + QStringLiteral(" GROUP BY \"Jahr\""),
                                filter.params);
    while (years.next()) {
        const int jahr = years.value(0).toInt();
        if (jahr >= 1 && jahr <= KeyFigures::Years)
            figures.saldoJeJahr[jahr] = years.value(1).toDouble();
    }
}

// Dwelling units and inhabitants of the building area in the last year, with the balance per unit.
void readPopulation(const QSqlDatabase& userDb, KeyFigures& figures) {
    figures.wohneinheiten =
        Sql::scalar(userDb,
                    QStringLiteral(
                        "SELECT Total(Coalesce(\"EFHg\", 0) + Coalesce(\"EFHk\", 0) + Coalesce(\"RHg\", 0) + "
                        "Coalesce(\"RHk\", 0) + Coalesce(\"GWB\", 0)) FROM \"bWvB\" WHERE \"TAVO\" = ? AND "
                        "\"Jahr\" = ?"),
                    {figures.projectId, KeyFigures::Years})
            .toDouble();
    figures.bewohner =
        Sql::scalar(userDb,
                    QStringLiteral("SELECT %1 FROM \"bBvB\" WHERE \"TAVO\" = ? AND \"Jahr\" = ?")
                        .arg(SqlDialect::orderedTotal(userDb, QStringLiteral("\"Bewohner\""),
                                                      QStringLiteral("\"Alter\", \"rowid\""))),
                    {figures.projectId, KeyFigures::Years})
            .toDouble();
}

// The balances per dwelling unit and per inhabitant, where there are any.
// A vanishing number of units or inhabitants (from a vanishing area) would give an infinite balance
// per unit: stopped with the name of the divisor instead.
void derivePerUnitFigures(KeyFigures& figures) {
    const auto perUnit = [&figures](double count, const QString& caption) -> std::optional<double> {
        if (count == 0.0)
            return std::nullopt;
        const double quotient = figures.saldo / count;
        if (!std::isfinite(quotient))
            throw TavoError(QStringLiteral("Der Saldo je %1 von Projekt %2 ist keine endliche Zahl: die Zahl "
                                           "der %3 (%4) ist verschwindend klein. Bitte die Flächen des "
                                           "Projekts prüfen und neu berechnen.")
                                .arg(caption.section(QLatin1Char('/'), 0, 0))
                                .arg(figures.projectId)
                                .arg(caption.section(QLatin1Char('/'), 1, 1), NumberFormat::general(count)));
        return quotient;
    };
    figures.saldoJeWohneinheit = perUnit(figures.wohneinheiten, QStringLiteral("Wohneinheit/Wohneinheiten"));
    figures.saldoJeBewohner = perUnit(figures.bewohner, QStringLiteral("Bewohner/Bewohner"));
}

// Expenditure and revenue in total, per evaluation type and per year, added up row by row.
struct LedgerSums {
    std::map<QString, TypeTotals> types;
    KeyFigures::YearValues ausgaben{};
    KeyFigures::YearValues einnahmen{};

    void add(KeyFigures& figures, int jahr, const QString& typ, double ausgabe, double einnahme) {
        figures.ausgaben += ausgabe;
        figures.einnahmen += einnahme;
        TypeTotals& total = types[typ];
        total.ausgaben += ausgabe;
        total.einnahmen += einnahme;
        ausgaben[jahr] += ausgabe;
        einnahmen[jahr] += einnahme;
    }
};

// Stored results beyond the range of a double (written by hand or by an older version) would show as
// inf, or as null in JSON: such figures are refused with the name of the figure instead.
void requireFinite(const KeyFigures& figures) {
    const auto check = [&figures](double value, const QString& caption) {
        if (!std::isfinite(value))
            throw TavoError(
                QStringLiteral("Die Kennzahl „%1“ von Projekt %2 ist keine endliche Zahl: die "
                               "gespeicherten Ergebnisse übersteigen den Zahlenbereich. Bitte die "
                               "Eingaben prüfen und neu berechnen.")
                    .arg(caption)
                    .arg(figures.projectId));
    };
    check(figures.ausgaben, QStringLiteral("Ausgaben"));
    check(figures.einnahmen, QStringLiteral("Einnahmen"));
    check(figures.saldo, QStringLiteral("Saldo"));
    for (const TypeTotals& t : figures.jeTyp)
        check(t.ausgaben + t.einnahmen + t.saldo, QStringLiteral("Saldo %1").arg(t.typ));
    for (int j = 1; j <= KeyFigures::Years; ++j) {
        check(figures.saldoJeJahr[j], QStringLiteral("Saldo Jahr %1").arg(j));
        check(figures.kumuliert[j], QStringLiteral("kumuliert Jahr %1").arg(j));
    }
    check(figures.barwert, QStringLiteral("Barwert"));
    check(figures.wohneinheiten, QStringLiteral("Wohneinheiten"));
    check(figures.bewohner, QStringLiteral("Bewohner"));
    check(figures.saldoJeWohneinheit.value_or(0.0), QStringLiteral("Saldo je Wohneinheit"));
    check(figures.saldoJeBewohner.value_or(0.0), QStringLiteral("Saldo je Bewohner"));
}

} // namespace

void deriveYearFigures(KeyFigures& figures) {
    constexpr int last = KeyFigures::Years;
    double running = 0.0;
    double barwert = 0.0;
    const double factor = 1.0 + figures.discountRate / 100.0;
    for (int j = 1; j <= last; ++j) {
        running += figures.saldoJeJahr[j];
        figures.kumuliert[j] = running;
        barwert += figures.saldoJeJahr[j] / std::pow(factor, j);
    }
    figures.barwert = barwert;

    // Strictly smaller only, so a tie keeps the first year.
    figures.tiefpunkt = {1, figures.kumuliert[1]};
    for (int j = 2; j <= last; ++j)
        if (figures.kumuliert[j] < figures.tiefpunkt.betrag)
            figures.tiefpunkt = {j, figures.kumuliert[j]};

    // Walk back from the last year while the cumulative balance is not negative.
    figures.amortisationsjahr.reset();
    int first = last + 1;
    while (first > 1 && figures.kumuliert[first - 1] >= 0.0)
        --first;
    if (first <= last)
        figures.amortisationsjahr = first;
}

KeyFigures computeKeyFigures(const QSqlDatabase& userDb, int projectId, const KeyFigureOptions& options) {
    KeyFigures figures;
    figures.projectId = projectId;
    figures.costBearer = options.costBearer;
    figures.discountRate = options.discountRate;
    // Every figure from one state of the database, also while a colleague calculates the project.
    const ReadTransaction read(userDb);
    readProject(userDb, figures);
    figures.hasResults =
        Sql::scalar(userDb, QStringLiteral("SELECT EXISTS (SELECT 1 FROM \"Auswertung\" WHERE \"TAVO\" = ?)"),
                    {projectId})
            .toInt() != 0;
    const LedgerFilter filter = ledgerFilter(projectId, options.costBearer);
    readTotals(userDb, filter, figures);
    readYears(userDb, filter, figures);
    deriveYearFigures(figures);
    readPopulation(userDb, figures);
    figures.kapazitaet = readCapacityFigures(userDb, projectId);
    derivePerUnitFigures(figures);
    requireFinite(figures);
    return figures;
}

KeyFigures computeKeyFigures(const EngineInput& input, const EngineResult& result,
                             const KeyFigureOptions& options) {
    KeyFigures figures;
    figures.projectId = input.projectId;
    figures.costBearer = options.costBearer;
    figures.discountRate = options.discountRate;
    figures.projekt = input.project.raw(QStringLiteral("Projekt")).toString();
    figures.beschreibung = input.project.raw(QStringLiteral("Beschreibung")).toString();
    figures.pg = NumberFormat::toInt(input.project.raw(QStringLiteral("PG")));
    figures.hasResults = !result.ledger.empty() || !result.special.empty();
    const bool allBearers = options.costBearer.isEmpty();
    LedgerSums sums;
    for (const LedgerEntry& row : result.ledger) {
        if (row.ownFunds || row.jahr < 1 || row.jahr > KeyFigures::Years)
            continue;
        if (allBearers || row.kostentraeger == options.costBearer)
            sums.add(figures, row.jahr, row.typ, row.ausgabe, row.einnahme);
    }
    for (const SpecialEntry& row : result.special) {
        if (row.jahr < 1 || row.jahr > KeyFigures::Years)
            continue;
        const QVariant& bearer = row.stored.kostentraeger;
        if (allBearers || (!bearer.isNull() && bearer.toString() == options.costBearer))
            sums.add(figures, row.jahr, row.stored.typ.toString(), row.ausgabe, 0.0);
    }
    figures.saldo = figures.einnahmen - figures.ausgaben;
    for (auto& [typ, total] : sums.types) {
        total.typ = typ;
        total.saldo = total.einnahmen - total.ausgaben;
        figures.jeTyp << total;
    }
    for (int j = 1; j <= KeyFigures::Years; ++j)
        figures.saldoJeJahr[j] = sums.einnahmen[j] - sums.ausgaben[j];
    deriveYearFigures(figures);
    for (double units : result.units[KeyFigures::Years])
        figures.wohneinheiten += units;
    for (int age = 0; age <= Engine::OldestAge; ++age)
        figures.bewohner += result.inhabitants[age][KeyFigures::Years];
    figures.kapazitaet = capacityFigures(input, result);
    derivePerUnitFigures(figures);
    return figures;
}

QStringList keyFigureCostBearers(const QSqlDatabase& master) {
    QStringList bearers = ResultQueries::loadFilterItems(master).costBearers;
    bearers.removeLast(); // the filter's "no restriction" item
    return bearers;
}

void requireCostBearer(const QSqlDatabase& master, const QString& bearer) {
    const QStringList bearers = keyFigureCostBearers(master);
    if (!bearer.isEmpty() && !bearers.contains(bearer))
        throw TavoError(QStringLiteral("Unbekannter Kostenträger: %1 (möglich: %2, alle)")
                            .arg(bearer, bearers.join(QStringLiteral(", "))));
}

namespace {

using Kind = KeyFigureLine::Kind;
using Better = KeyFigureLine::Better;
using Section = KeyFigureLine::Section;

QVariant optionalValue(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant();
}

QVariant optionalValue(const std::optional<int>& value) {
    return value ? QVariant(*value) : QVariant();
}

// The totals of one type in a project; a type without rows there sums to 0.
TypeTotals typeTotals(const KeyFigures& figures, const QString& typ) {
    for (const TypeTotals& t : figures.jeTyp)
        if (t.typ == typ)
            return t;
    TypeTotals none;
    none.typ = typ;
    return none;
}

class TableBuilder {
public:
    explicit TableBuilder(const QList<KeyFigures>& projects) : m_projects(projects) {}

    void add(const QString& caption, Kind kind, Better better,
             const std::function<QVariant(const KeyFigures&)>& value,
             const QString& missingText = QStringLiteral("–")) {
        KeyFigureLine line;
        line.caption = caption;
        line.section = m_section;
        line.kind = kind;
        line.better = better;
        line.missingText = missingText;
        for (const KeyFigures& figures : m_projects)
            line.values << value(figures);
        m_lines << line;
    }

    // Lines added from now on belong to section.
    void begin(Section section) { m_section = section; }

    QList<KeyFigureLine> lines() const { return m_lines; }

private:
    const QList<KeyFigures>& m_projects;
    Section m_section = Section::Project;
    QList<KeyFigureLine> m_lines;
};

void addProjectLines(TableBuilder& t) {
    t.begin(Section::Project);
    t.add(QStringLiteral("Projekt"), Kind::Text, Better::None, [](const KeyFigures& f) { return f.projekt; });
    t.add(QStringLiteral("Beschreibung"), Kind::Text, Better::None,
          [](const KeyFigures& f) { return f.beschreibung; });
    t.add(QStringLiteral("Gemeinde (PG)"), Kind::Integer, Better::None,
          [](const KeyFigures& f) { return f.pg; });
    t.add(QStringLiteral("Kostenträger"), Kind::Text, Better::None,
          [](const KeyFigures& f) { return f.costBearer.isEmpty() ? QStringLiteral("alle") : f.costBearer; });
    t.add(QStringLiteral("Zinssatz (%)"), Kind::Rate, Better::None,
          [](const KeyFigures& f) { return f.discountRate; });
}

void addFigureLines(TableBuilder& t) {
    t.begin(Section::Figures);
    t.add(QStringLiteral("Ausgaben"), Kind::Amount, Better::Lower,
          [](const KeyFigures& f) { return f.ausgaben; });
    t.add(QStringLiteral("Einnahmen"), Kind::Amount, Better::Higher,
          [](const KeyFigures& f) { return f.einnahmen; });
    t.add(QStringLiteral("Saldo"), Kind::Amount, Better::Higher, [](const KeyFigures& f) { return f.saldo; });
    t.add(QStringLiteral("Tiefpunkt kumulierter Saldo"), Kind::Amount, Better::Higher,
          [](const KeyFigures& f) { return f.tiefpunkt.betrag; });
    t.add(QStringLiteral("Jahr des Tiefpunkts"), Kind::Integer, Better::None,
          [](const KeyFigures& f) { return f.tiefpunkt.jahr; });
    t.add(
        QStringLiteral("Amortisationsjahr"), Kind::Integer, Better::Lower,
        [](const KeyFigures& f) { return optionalValue(f.amortisationsjahr); },
        QStringLiteral("nicht erreicht"));
    t.add(QStringLiteral("Barwert"), Kind::Amount, Better::Higher,
          [](const KeyFigures& f) { return f.barwert; });
    t.add(QStringLiteral("Wohneinheiten (Jahr 20)"), Kind::Quantity, Better::None,
          [](const KeyFigures& f) { return f.wohneinheiten; });
    t.add(QStringLiteral("Bewohner (Jahr 20)"), Kind::Quantity, Better::None,
          [](const KeyFigures& f) { return f.bewohner; });
    t.add(QStringLiteral("Saldo je Wohneinheit"), Kind::Amount, Better::Higher,
          [](const KeyFigures& f) { return optionalValue(f.saldoJeWohneinheit); });
    t.add(QStringLiteral("Saldo je Bewohner"), Kind::Amount, Better::Higher,
          [](const KeyFigures& f) { return optionalValue(f.saldoJeBewohner); });
}

// The capacity of an institution, where any of the projects states it.
void addCapacityLines(TableBuilder& t, const QList<KeyFigures>& projects, bool kindergarten) {
    const auto outcome = [kindergarten](const KeyFigures& f) -> const SchoolCapacity::Outcome& {
        return kindergarten ? f.kapazitaet.kindergarten : f.kapazitaet.volksschule;
    };
    if (std::none_of(projects.begin(), projects.end(),
                     [&](const KeyFigures& f) { return outcome(f).active; }))
        return;
    const QString name = kindergarten ? QStringLiteral("Kindergarten") : QStringLiteral("Volksschule");
    t.add(
        QStringLiteral("%1: Plätze überschritten ab Jahr").arg(name), Kind::Integer, Better::Higher,
        [outcome](const KeyFigures& f) {
            const SchoolCapacity::Outcome& o = outcome(f);
            return o.active && o.exceededYear > 0 ? QVariant(o.exceededYear) : QVariant();
        },
        QStringLiteral("nicht überschritten"));
    t.add(
        QStringLiteral("%1: weitere %2 durch das Projekt")
            .arg(name, kindergarten ? QStringLiteral("Gruppen") : QStringLiteral("Klassen")),
        Kind::Integer, Better::Lower,
        [outcome](const KeyFigures& f) {
            const SchoolCapacity::Outcome& o = outcome(f);
            return o.active ? QVariant(mostProjectGroups(o)) : QVariant();
        },
        QStringLiteral("–"));
}

// Every type that any of the projects has, by name.
void addTypeLines(TableBuilder& t, const QList<KeyFigures>& projects) {
    QStringList types;
    for (const KeyFigures& f : projects)
        for (const TypeTotals& total : f.jeTyp)
            if (!types.contains(total.typ))
                types << total.typ;
    types.sort();
    t.begin(Section::ByType);
    for (const QString& typ : types) {
        const QString name = typ.isEmpty() ? QStringLiteral("ohne Typ") : typ;
        t.add(QStringLiteral("Ausgaben %1").arg(name), Kind::Amount, Better::Lower,
              [typ](const KeyFigures& f) { return typeTotals(f, typ).ausgaben; });
        t.add(QStringLiteral("Einnahmen %1").arg(name), Kind::Amount, Better::Higher,
              [typ](const KeyFigures& f) { return typeTotals(f, typ).einnahmen; });
        t.add(QStringLiteral("Saldo %1").arg(name), Kind::Amount, Better::Higher,
              [typ](const KeyFigures& f) { return typeTotals(f, typ).saldo; });
    }
}

void addYearLines(TableBuilder& t) {
    t.begin(Section::ByYear);
    for (int j = 1; j <= KeyFigures::Years; ++j)
        t.add(QStringLiteral("Saldo Jahr %1").arg(j), Kind::Amount, Better::None,
              [j](const KeyFigures& f) { return f.saldoJeJahr[j]; });
    for (int j = 1; j <= KeyFigures::Years; ++j)
        t.add(QStringLiteral("kumuliert Jahr %1").arg(j), Kind::Amount, Better::None,
              [j](const KeyFigures& f) { return f.kumuliert[j]; });
}

} // namespace

QList<KeyFigureLine> keyFigureTable(const QList<KeyFigures>& projects) {
    TableBuilder t(projects);
    addProjectLines(t);
    addFigureLines(t);
    addCapacityLines(t, projects, true);
    addCapacityLines(t, projects, false);
    addTypeLines(t, projects);
    addYearLines(t);
    return t.lines();
}

} // namespace tavo
