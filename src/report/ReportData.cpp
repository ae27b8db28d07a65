#include "report/ReportData.h"

#include <array>
#include <cmath>
#include <optional>
#include <set>
#include <vector>

#include <QHash>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/Databases.h"
#include "core/data/MasterData.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/plan/PlanStore.h"
#include "core/engine/EngineInput.h"
#include "core/engine/LandDeal.h"
#include "core/projects/CalculationState.h"
#include "core/projects/DetailRows.h"
#include "core/projects/InputTables.h"
#include "core/projects/Plausibility.h"
#include "core/projects/ProjectRecords.h"
#include "core/results/ResultQueries.h"
#include "core/scenarios/BreakEven.h"
#include "core/scenarios/ScenarioComparison.h"

namespace tavo {

namespace {

QString money0(double value) {
    return NumberFormat::fixed(value, 0);
}

// The unit as the report prints it: "m²" for "m2", "€ je m²" for "€/m2", and the units the
// input captions leave out (levy rate, unit rates, tax-rate figures, multiplier).
QString reportUnit(const QString& column, QString unit) {
    if (unit.isEmpty()) {
        if (column == QLatin1String("auHebesatzAufschl"))
            unit = QStringLiteral("€ je m");
        else if (column.startsWith(QLatin1String("auEinheitssatz")))
            unit = QStringLiteral("€ je m²");
        else if (column.startsWith(QLatin1String("gsSteuermesszahl")))
            unit = QStringLiteral("‰");
        else if (column == QLatin1String("gsHebesatz"))
            unit = QStringLiteral("%");
        else if (column.endsWith(QLatin1String("InJahr")))
            unit = QStringLiteral("Projektjahr");
    }
    static const QRegularExpression squareMetre(QStringLiteral("\\bm2\\b"));
    unit.replace(squareMetre, QStringLiteral("m²"));
    unit.replace(QStringLiteral("€/"), QStringLiteral("€ je "));
    return unit;
}

// A number as the input pages show it, with thousands separators: "5.000" for "5000".
QString withThousands(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^(-?)(\\d{4,})(,\\d+)?$"));
    const QRegularExpressionMatch m = plain.match(text);
    if (!m.hasMatch())
        return text;
    QString digits = m.captured(2);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return m.captured(1) + digits + m.captured(3);
}

class InputReader {
public:
    InputReader(const QSqlRecord& project, const QSqlDatabase& master)
        : m_project(project), m_defaults(MasterData::valueListDefaults(master, QStringLiteral("TAVO"))) {}

    QList<ReportData::InputPage> pages() {
        QList<ReportData::InputPage> result;
        for (const InputTables::Page& page : InputTables::inputPages()) {
            ReportData::InputPage out;
            out.title = QString::fromUtf8(page.title);
            for (const InputTables::Group& group : page.groups) {
                ReportData::InputGroup g;
                if (group.title)
                    g.title = InputTables::splitCaption(group.title).first;
                const bool twoColumns = group.headingFirst && group.headingSecond;
                for (const InputTables::Row& row : group.rows) {
                    addCell(g, row, row.first, group.headingFirst, false, twoColumns);
                    addCell(g, row, row.second, group.headingSecond, true, twoColumns);
                }
                if (!g.inputs.isEmpty())
                    out.groups << g;
            }
            result << out;
        }
        return result;
    }

private:
    void addCell(ReportData::InputGroup& group, const InputTables::Row& row, const InputTables::Cell& cell,
                 const char* heading, bool second, bool twoColumns) {
        if (!cell.column)
            return;
        const QString column = QString::fromUtf8(cell.column);
        // A field shown on several pages is listed where it is entered.
        if (m_listed.count(column) || (cell.flags & InputTables::ReadOnly && !second))
            return;
        m_listed.insert(column);
        auto [caption, unit] = InputTables::splitCaption(row.caption);
        // The column headings name the inputs of a row, also where a row has only the first.
        if (heading && (row.second.column || twoColumns)) {
            const auto [what, headingUnit] = InputTables::splitCaption(heading);
            caption = QStringLiteral("%1: %2").arg(caption, what);
            if (!headingUnit.isEmpty())
                unit = unit.isEmpty() || headingUnit == QLatin1String("%")
                           ? headingUnit
                           : QStringLiteral("%1 je %2").arg(headingUnit, unit);
        } else if (second) {
            caption += QStringLiteral(" (ergibt)");
            unit = column.startsWith(QLatin1String("bgFl")) ? QStringLiteral("m²") : QStringLiteral("€");
        }
        ReportData::Input input;
        input.caption = caption;
        input.unit = reportUnit(column, unit);
        const QVariant value = m_project.value(column);
        input.value = withThousands(InputTables::displayText(value, cell));
        if (m_defaults.contains(column)) {
            bool ok = false;
            const double standard = NumberFormat::storedNumber(m_defaults.value(column), &ok);
            input.standard =
                ok ? withThousands(InputTables::displayText(standard, cell)) : m_defaults.value(column);
            input.differs =
                !ok || value.isNull() || std::abs(NumberFormat::toDouble(value) - standard) > 1e-9;
            if (input.differs)
                m_changed.insert(column);
            else
                m_used.insert(column);
        }
        m_captions.insert(column, caption);
        group.inputs << input;
    }

public:
    // The fields whose value is their list's default, with their captions.
    std::set<QString> m_used;
    std::set<QString> m_changed;
    QHash<QString, QString> m_captions;

private:
    QSqlRecord m_project;
    QHash<QString, QString> m_defaults;
    std::set<QString> m_listed;
};

// The detail rows of a project, every input column of the table under its header.
ReportData::Table detailTable(const QSqlDatabase& db, const QString& source, DetailRows::Order order,
                              int projectId, const QStringList& header, const QList<int>& decimals) {
    ReportData::Table table;
    table.header = header;
    // The row's key comes first.
    QSqlQuery q = DetailRows::select(db, source, projectId, order);
    while (q.next()) {
        QStringList row;
        for (int c = 0; c < header.size(); ++c) {
            const QVariant v = q.value(c + 1);
            // An empty number reads "0" as text when the driver gives it the column's type.
            if (v.isNull())
                row << QString();
            else if (decimals.value(c, -1) < 0)
                row << v.toString();
            else
                row << NumberFormat::fixed(NumberFormat::toDouble(v), decimals[c]);
        }
        table.rows << row;
    }
    return table;
}

ReportData::Table balanceTable(const QSqlDatabase& user, const KeyFigures& figures) {
    ReportData::Table table;
    table.header << QStringLiteral("Jahr");
    QStringList types;
    for (const TypeTotals& t : figures.jeTyp) {
        types << t.typ;
        table.header << (t.typ.isEmpty() ? QStringLiteral("ohne Typ") : t.typ);
    }
    table.header << QStringLiteral("Summe");
    QHash<QString, double> cells;
    // No cost bearer named: the rows of every cost bearer together.
    for (const ResultQueries::YearTypeBalance& cell :
         ResultQueries::balanceByYearAndType(user, figures.projectId, figures.costBearer))
        cells.insert(QStringLiteral("%1|%2").arg(cell.year).arg(cell.type), cell.balance);
    for (int j = 1; j <= KeyFigures::Years; ++j) {
        QStringList row{QString::number(j)};
        for (const QString& typ : types)
            row << money0(cells.value(QStringLiteral("%1|%2").arg(j).arg(typ)));
        row << money0(figures.saldoJeJahr[j]);
        table.rows << row;
    }
    QStringList total{QStringLiteral("1–20")};
    for (const TypeTotals& t : figures.jeTyp)
        total << money0(t.saldo);
    total << money0(figures.saldo);
    table.rows << total;
    return table;
}

ReportData::Table populationTable(const QSqlDatabase& user, int projectId) {
    ReportData::Table table;
    table.header = {QStringLiteral("Jahr"), QStringLiteral("Wohneinheiten"), QStringLiteral("Bewohner"),
                    QStringLiteral("Kinder 3–6 Jahre (Kindergarten)"),
                    QStringLiteral("Kinder 7–10 Jahre (Volksschule)")};
    QHash<int, double> units;
    QSqlQuery we = ResultQueries::execute(user, ResultQueries::buildDwellingQuery(projectId));
    while (we.next())
        units.insert(we.value(QStringLiteral("Jahr")).toInt(),
                     we.value(QStringLiteral("Wohneinheiten")).toDouble());
    const ResultQueries::PopulationSource source = ResultQueries::readPopulationSource(user, projectId);
    // Position 1 of the area filter: every inhabitant of the building area.
    QSqlQuery bev = ResultQueries::execute(user, ResultQueries::buildPopulationQueries(user, 1, source));
    QHash<int, QList<double>> people;
    while (bev.next())
        people.insert(bev.value(QStringLiteral("Jahr")).toInt(),
                      {bev.value(QStringLiteral("Bewohner")).toDouble(),
                       bev.value(QStringLiteral("Kindergartenkinder")).toDouble(),
                       bev.value(QStringLiteral("Volksschüler")).toDouble()});
    for (int j = 1; j <= KeyFigures::Years; ++j) {
        const QList<double> p = people.value(j, {0, 0, 0});
        table.rows << QStringList{QString::number(j), NumberFormat::fixed(units.value(j), 1),
                                  NumberFormat::fixed(p[0], 1), NumberFormat::fixed(p[1], 1),
                                  NumberFormat::fixed(p[2], 1)};
    }
    return table;
}

QList<ReportData::Source> sourcesOf(const QSqlDatabase& master, const InputReader& inputs) {
    // Source ID -> the captions of the used defaults that rest on it, in field order.
    QList<ReportData::Source> result;
    QHash<QString, int> index;
    for (const MasterData::FieldSource& source : MasterData::fieldSources(master, QStringLiteral("TAVO"))) {
        const QString& field = source.field;
        if (!inputs.m_used.count(field))
            continue;
        const QString& id = source.sourceId;
        if (!index.contains(id)) {
            QStringList parts;
            for (const QString& detail : source.details)
                if (!detail.trimmed().isEmpty())
                    parts << detail.trimmed();
            index.insert(id, result.size());
            result << ReportData::Source{QString(), parts.join(QStringLiteral(", "))};
        }
        ReportData::Source& s = result[index.value(id)];
        const QString caption = inputs.m_captions.value(field, field);
        if (!s.fields.contains(caption))
            s.fields += (s.fields.isEmpty() ? QString() : QStringLiteral("; ")) + caption;
    }
    return result;
}

// For each rate the municipality sets: its value now and the value at which the chosen cost
// bearer's 20-year balance would be 0, over the calculation in memory.
ReportData::Table breakEvenTable(const EngineInput& base, const ReportOptions& options) {
    std::vector<std::array<const char*, 4>> rates = {
        {"auHebesatzAufschl", "Aufschließungsabgabe: Einheitssatz", "€ je m", "2"},
        {"auEinheitssatzKanalSchmutz", "Kanalanschlussgebühr Trennsystem: Einheitssatz", "€ je m²", "2"},
        {"auEinheitssatzKanalMisch", "Kanalanschlussgebühr Mischsystem: Einheitssatz", "€ je m²", "2"},
        {"auEinheitssatzWasser", "Wasseranschlussgebühr: Einheitssatz", "€ je m²", "2"},
        {"gsHebesatz", "Grundsteuer: Hebesatz", "%", "0"},
    };
    // Where the municipality buys or sells the land: the cost-covering sale price of the plots.
    const auto isSet = [&base](const QString& field) {
        return NumberFormat::toDouble(base.project.raw(field)) != 0;
    };
    if (isSet(LandDeal::purchasePriceField()) || isSet(LandDeal::salePriceField()))
        rates.push_back(
            {"gvVerkaufspreisNetto", "Verkaufspreis Nettobauland (kostendeckend)", "€ je m²", "2"});
    ReportData::Table table;
    table.header = {QStringLiteral("Eingabe"), QStringLiteral("Einheit"), QStringLiteral("derzeit"),
                    QStringLiteral("nötig für Saldo 0")};
    // The report stands without this table: inputs the calculation refuses leave a note instead.
    try {
        for (const auto& [field, caption, unit, decimals] : rates) {
            BreakEven::Request request;
            request.field = QString::fromUtf8(field);
            request.figures.costBearer = options.costBearer;
            request.figures.discountRate = options.discountRate;
            const int places = QByteArray(decimals).toInt();
            const BreakEven::Result result = BreakEven::find(base, request);
            table.rows << QStringList{QString::fromUtf8(caption), QString::fromUtf8(unit),
                                      NumberFormat::fixed(result.currentValue, places),
                                      result.value ? NumberFormat::fixed(*result.value, places)
                                                   : QStringLiteral("nicht erreichbar")};
        }
    } catch (const TavoError& e) {
        table.rows = {QStringList{QStringLiteral("nicht berechenbar: %1").arg(e.message()), QString(),
                                  QString(), QString()}};
    }
    return table;
}

// The project as it is, optimistic, pessimistic and the Monte Carlo range between them, from the
// same inputs as the rest of the report.
void loadScenarios(ReportData& data, const QSqlDatabase& user, const EngineInput& base) {
    try {
        const Scenarios::Settings settings = Scenarios::loadSettings(user, data.projectId);
        MonteCarlo::Options options;
        options.runs = data.options.scenarioRuns;
        options.figures.costBearer = data.options.costBearer;
        options.figures.discountRate = data.options.discountRate;
        data.scenarios = compareScenarios(base, settings, options);
        data.tornado = Sensitivity::compute(base, settings, options.figures);
    } catch (const TavoError& e) {
        data.scenarioNote = QStringLiteral("nicht berechenbar: %1").arg(e.message());
    }
}

// The overview of the municipality when it has other calculated project groups; this project
// counts for its own group, from its default start year.
void loadMunicipalityOverview(ReportData& data, const QSqlDatabase& user) {
    MunicipalityOverview::Overview overview =
        MunicipalityOverview::compute(user, data.pg, {{data.projectId, 0}}, data.options.costBearer);
    if (overview.projects.size() > 1)
        data.municipalityOverview = std::move(overview);
}

} // namespace

QString reportBearerName(const QString& costBearer) {
    return costBearer.isEmpty() ? QStringLiteral("alle Kostenträger zusammen") : costBearer;
}

ReportData ReportData::load(Databases& dbs, int projectId, const ReportOptions& reportOptions) {
    // The texts of the report's tables are those of the document: Austrian German numbers.
    const NumberFormat::DocumentScope documentFormat;
    const QSqlDatabase user = dbs.user();
    const ReadTransaction read(user);
    const std::optional<QSqlRecord> project = readProjectRow(user, projectId);
    if (!project)
        throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(projectId));
    const QSqlRecord record = *project;

    ReportData data;
    data.projectId = projectId;
    data.options = reportOptions;
    data.projekt = record.value(QStringLiteral("Projekt")).toString();
    data.beschreibung = record.value(QStringLiteral("Beschreibung")).toString();
    data.pg = NumberFormat::toInt(record.value(QStringLiteral("PG")));
    data.pgName = record.value(QStringLiteral("PG_Name")).toString();
    data.bezugsjahr = NumberFormat::toInt(record.value(QStringLiteral("Bezugsjahr")));
    data.herkunft = MasterProvenance::read(dbs.master());
    data.outdated = CalculationState::of(user, projectId) == CalculationState::State::Changed;

    KeyFigureOptions options;
    options.costBearer = reportOptions.costBearer;
    options.discountRate = reportOptions.discountRate;
    data.municipality = computeKeyFigures(user, projectId, options);
    if (!data.municipality.hasResults)
        throw TavoError(
            QStringLiteral("Das Projekt %1 hat keine Ergebnisse. Bitte zuerst berechnen.").arg(projectId));
    QStringList bearers = keyFigureCostBearers(dbs.master());
    bearers << QString();
    for (const QString& bearer : bearers) {
        options.costBearer = bearer;
        data.byBearer << computeKeyFigures(user, projectId, options);
    }

    InputReader reader(record, dbs.master());
    data.inputs = reader.pages();
    data.buildingMix = detailTable(
        user, QStringLiteral("Bebauung"), DetailRows::Order::Entry, projectId,
        {QStringLiteral("Bebauungstyp"), QStringLiteral("Bauklasse"), QStringLiteral("Anteil (%)")},
        {-1, -1, 0});
    // Rows without year first, rows of one year in the order of entry, on a server as in the file.
    data.settlement =
        detailTable(user, QStringLiteral("Besiedelung"), DetailRows::Order::YearOfEntry, projectId,
                    {QStringLiteral("Jahr"), QStringLiteral("EFHg (%)"), QStringLiteral("EFHk (%)"),
                     QStringLiteral("RHg (%)"), QStringLiteral("RHk (%)"), QStringLiteral("GWB (%)")},
                    {-1, 1, 1, 1, 1, 1});
    data.unbuiltNote = Plausibility::unbuiltNote(user, projectId);
    data.specialExpenditures =
        detailTable(user, QStringLiteral("Sonderausgaben"), DetailRows::Order::YearOfEntry, projectId,
                    {QStringLiteral("Jahr"), QStringLiteral("Typ"), QStringLiteral("Bezeichnung"),
                     QStringLiteral("Kostenträger"), QStringLiteral("Ausgabe (€)")},
                    {-1, -1, -1, -1, 2});
    data.balanceByYearAndType = balanceTable(user, data.municipality);
    data.population = populationTable(user, projectId);
    // Both tables are calculated from the inputs as they are now, which an outdated report's
    // stored results do not belong to.
    if (!data.outdated) {
        std::optional<EngineInput> base;
        try {
            base = EngineInput::load(dbs, projectId);
        } catch (const TavoError& e) {
            data.breakEven.header = {QStringLiteral("Eingabe"), QString(), QString(), QString()};
            data.breakEven.rows = {QStringList{QStringLiteral("nicht berechenbar: %1").arg(e.message()),
                                               QString(), QString(), QString()}};
            data.scenarioNote = QStringLiteral("nicht berechenbar: %1").arg(e.message());
        }
        if (base) {
            data.breakEven = breakEvenTable(*base, reportOptions);
            loadScenarios(data, user, *base);
        }
    }
    data.sources = sourcesOf(dbs.master(), reader);
    loadMunicipalityOverview(data, user);
    data.plan = PlanStore::storedPlan(user, projectId);
    return data;
}

} // namespace tavo
