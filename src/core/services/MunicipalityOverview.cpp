#include "core/services/MunicipalityOverview.h"

#include <algorithm>

#include <QHash>

#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/results/ResultQueries.h"

namespace tavo {

namespace MunicipalityOverview {
namespace {

// The reference year a calculation stamps when the master database names none.
constexpr int kFallbackReferenceYear = 2012;

struct GroupEntry {
    Group group;
    QList<ResultQueries::CalculatedProject> records; // in the order of group.variants
};

QList<GroupEntry> groupEntries(const QSqlDatabase& userDb, int pg, QString* pgName) {
    QList<ResultQueries::CalculatedProject> projects = ResultQueries::calculatedProjects(userDb, pg);
    // Projects come by ID, so each group's position is that of its smallest ID.
    QList<GroupEntry> entries;
    QHash<QString, int> byName;
    for (const ResultQueries::CalculatedProject& p : projects) {
        if (pgName && pgName->isEmpty())
            *pgName = p.pgName;
        int index = p.projekt.isEmpty() ? -1 : byName.value(p.projekt, -1);
        if (index < 0) {
            index = entries.size();
            entries.append(GroupEntry{});
            entries.last().group.projekt = p.projekt;
            if (!p.projekt.isEmpty())
                byName.insert(p.projekt, index);
        }
        entries[index].records << p;
    }
    for (GroupEntry& entry : entries) {
        std::stable_sort(entry.records.begin(), entry.records.end(),
                         [](const auto& a, const auto& b) { return a.writeOrder > b.writeOrder; });
        for (const ResultQueries::CalculatedProject& p : entry.records) {
            Variant v;
            v.projectId = p.id;
            v.beschreibung = p.beschreibung;
            v.defaultStartYear = (p.bezugsjahr > 0 ? p.bezugsjahr : kFallbackReferenceYear) + 1;
            v.state = CalculationState::of(userDb, p.id);
            entry.group.variants << v;
        }
    }
    return entries;
}

// The group index of every chosen project, checked: a calculated project of the municipality, at most
// one per group.
QHash<int, Choice> choicesByGroup(const QList<GroupEntry>& entries, const QList<Choice>& choices, int pg) {
    QHash<int, Choice> chosen;
    for (const Choice& choice : choices) {
        int found = -1;
        for (int g = 0; g < entries.size() && found < 0; ++g)
            for (const Variant& v : entries[g].group.variants)
                if (v.projectId == choice.projectId)
                    found = g;
        if (found < 0)
            throw TavoError(QStringLiteral("Projekt %1 ist kein berechnetes Projekt der Gemeinde %2.")
                                .arg(choice.projectId)
                                .arg(pg));
        if (chosen.contains(found) && chosen.value(found).projectId == choice.projectId)
            throw TavoError(QStringLiteral("Projekt %1 ist mehrfach angegeben.").arg(choice.projectId));
        if (chosen.contains(found))
            throw TavoError(QStringLiteral("Die Projekte %1 und %2 sind Varianten desselben Projekts „%3“; "
                                           "je Projekt zählt nur eine Variante.")
                                .arg(chosen.value(found).projectId)
                                .arg(choice.projectId)
                                .arg(entries[found].group.projekt));
        chosen.insert(found, choice);
    }
    return chosen;
}

} // namespace

QList<Group> groups(const QSqlDatabase& userDb, int pg) {
    const ReadTransaction read(userDb);
    QList<Group> result;
    for (const GroupEntry& entry : groupEntries(userDb, pg, nullptr))
        result << entry.group;
    return result;
}

double Overview::projectSaldo(int p, int year) const {
    const ProjectLine& line = projects.at(p);
    const int j = year - line.startYear + 1;
    return j >= 1 && j <= KeyFigures::Years ? line.saldoJeProjektjahr[j] : 0.0;
}

void summarise(Overview& overview) {
    overview.saldoJeJahr.clear();
    overview.kumuliert.clear();
    overview.saldo = 0.0;
    overview.tiefpunkt = 0.0;
    overview.tiefpunktJahr = 0;
    overview.amortisationsjahr.reset();
    if (overview.projects.isEmpty()) {
        overview.firstYear = overview.lastYear = 0;
        return;
    }
    overview.firstYear = overview.projects.first().startYear;
    overview.lastYear = overview.firstYear;
    for (const ProjectLine& line : overview.projects) {
        overview.firstYear = std::min(overview.firstYear, line.startYear);
        overview.lastYear = std::max(overview.lastYear, line.startYear + KeyFigures::Years - 1);
    }
    double running = 0.0;
    for (int year = overview.firstYear; year <= overview.lastYear; ++year) {
        double sum = 0.0;
        for (int p = 0; p < overview.projects.size(); ++p)
            sum += overview.projectSaldo(p, year);
        running += sum;
        overview.saldoJeJahr << sum;
        overview.kumuliert << running;
        // Strictly smaller only, so a tie keeps the first year.
        if (year == overview.firstYear || running < overview.tiefpunkt) {
            overview.tiefpunkt = running;
            overview.tiefpunktJahr = year;
        }
    }
    overview.saldo = running;
    // Walk back from the last year while the cumulative balance is not negative.
    int first = overview.kumuliert.size();
    while (first > 0 && overview.kumuliert[first - 1] >= 0.0)
        --first;
    if (first < overview.kumuliert.size())
        overview.amortisationsjahr = overview.firstYear + first;
}

Overview compute(const QSqlDatabase& userDb, int pg, const QList<Choice>& choices,
                 const QString& costBearer) {
    const ReadTransaction read(userDb);
    Overview overview;
    overview.pg = pg;
    overview.costBearer = costBearer;
    const QList<GroupEntry> entries = groupEntries(userDb, pg, &overview.pgName);
    const QHash<int, Choice> chosen = choicesByGroup(entries, choices, pg);
    KeyFigureOptions options;
    options.costBearer = costBearer;
    for (int g = 0; g < entries.size(); ++g) {
        const Group& group = entries[g].group;
        const Choice choice = chosen.value(g, Choice{group.variants.first().projectId, 0});
        const auto variant = std::find_if(group.variants.begin(), group.variants.end(),
                                          [&](const Variant& v) { return v.projectId == choice.projectId; });
        ProjectLine line;
        line.projectId = variant->projectId;
        line.projekt = group.projekt;
        line.beschreibung = variant->beschreibung;
        line.startYear = choice.startYear > 0 ? choice.startYear : variant->defaultStartYear;
        line.stale = variant->state != CalculationState::State::Current;
        line.saldoJeProjektjahr = computeKeyFigures(userDb, line.projectId, options).saldoJeJahr;
        overview.projects << line;
    }
    summarise(overview);
    return overview;
}

QString projectLabel(const ProjectLine& line) {
    const QString name = !line.projekt.isEmpty() ? line.projekt : line.beschreibung;
    QString label = QStringLiteral("Projekt %1").arg(line.projectId);
    if (!name.isEmpty())
        label += QStringLiteral(" ") + name;
    return line.stale ? label + QStringLiteral(" (geändert)") : label;
}

ExportTable table(const Overview& overview) {
    ExportTable t;
    t.name = QStringLiteral("Gemeindeübersicht");
    t.header << QStringLiteral("Jahr");
    for (const ProjectLine& line : overview.projects)
        t.header << projectLabel(line);
    t.header << QStringLiteral("Saldo") << QStringLiteral("Saldo kumuliert");
    for (int c = 1; c <= overview.projects.size() + 1; ++c)
        t.totalColumns << c;
    for (int year = overview.firstYear; year <= overview.lastYear && !overview.projects.isEmpty(); ++year) {
        QVariantList row{year};
        for (int p = 0; p < overview.projects.size(); ++p)
            row << overview.projectSaldo(p, year);
        const int i = year - overview.firstYear;
        row << overview.saldoJeJahr[i] << overview.kumuliert[i];
        t.rows << row;
    }
    return t;
}

} // namespace MunicipalityOverview

} // namespace tavo
