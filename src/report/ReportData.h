#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <optional>

#include "core/master/MasterProvenance.h"
#include "core/plan/PlanTypes.h"
#include "core/results/KeyFigures.h"
#include "core/scenarios/ScenarioComparison.h"
#include "core/scenarios/Sensitivity.h"
#include "core/services/MunicipalityOverview.h"

namespace tavo {

class Databases;

// The cost bearer whose view the report takes by default.
inline QString reportCostBearer() {
    return QStringLiteral("Gemeinde");
}

// What the report is made for: the cost bearer of its figures (empty: all cost bearers together),
// the discount rate of the net present value and the number of Monte Carlo runs of its range.
struct ReportOptions {
    QString costBearer = reportCostBearer();
    double discountRate = 3.0;
    // 500 runs settle P10 and P90 to well under a percent of the range and take about half a
    // second on two cores, so a report stays well under two seconds.
    int scenarioRuns = 500;
};

// Everything a council report shows about one calculated project, read from both databases at once.
struct ReportData {
    // One input as the input pages show it, with the default of its value list.
    struct Input {
        QString caption;
        QString unit;
        QString value;    // formatted as on the page
        QString standard; // the value list's default, formatted; empty when the field has no list
        bool differs = false;
    };
    struct InputGroup {
        QString title; // empty: no heading
        QList<Input> inputs;
    };
    struct InputPage {
        QString title;
        QList<InputGroup> groups;
    };
    // A small table: column titles and rows of cells already formatted.
    struct Table {
        QStringList header;
        QList<QStringList> rows;
    };
    // One source behind the defaults the project uses.
    struct Source {
        QString fields; // the captions of the inputs, joined
        QString text;   // title, publisher, year, place
    };

    int projectId = 0;
    QString projekt;
    QString beschreibung;
    int pg = 0;
    QString pgName;
    int bezugsjahr = 0;
    MasterProvenance herkunft; // where the master data behind the results come from
    // The inputs were changed after the calculation: the results belong to earlier inputs. Such a
    // report says so on every page, and its break-even table is left out (it would be calculated
    // from the new inputs and not fit the stored results beside it).
    bool outdated = false;

    ReportOptions options;
    KeyFigures municipality;    // the chosen cost bearer(s) at the chosen rate
    QList<KeyFigures> byBearer; // every cost bearer, then all together
    QList<InputPage> inputs;    // as on the input pages
    Table buildingMix;          // Bebauung
    Table settlement;           // Besiedelung
    QString unbuiltNote;        // how much is not yet built by year 20; empty when everything is
    Table specialExpenditures;  // Sonderausgaben
    Table balanceByYearAndType; // Gemeinde, years 1..20 x evaluation types
    Table population;           // dwelling units, inhabitants, children, per year
    Table breakEven;            // the rates at which the Gemeinde's 20-year balance would be 0;
                                // empty for an outdated report
    // The range of the scenarios (Basis, optimistisch, pessimistisch, P10-P90), calculated in memory
    // from the same inputs; none for an outdated report, or when the calculation fails (scenarioNote
    // says why).
    std::optional<ScenarioComparison> scenarios;
    QString scenarioNote;
    // Each scenario parameter alone at its two values, from the same inputs; present with scenarios.
    std::optional<Sensitivity::Tornado> tornado;
    // The municipality's calculated project groups in calendar years, this project standing for its
    // group; present when the municipality has at least one other calculated project group.
    std::optional<MunicipalityOverview::Overview> municipalityOverview;
    QList<Source> sources;
    // The plan the inputs were measured from (file empty: none).
    PlanReading plan;

    // Reads the project, everything in one read transaction of the user database, so that all
    // parts show one state even while the project is being calculated elsewhere. Throws TavoError
    // "Unbekanntes Projekt: N" for a missing project record and "Das Projekt N hat keine
    // Ergebnisse. …" for a project never calculated.
    static ReportData load(Databases& dbs, int projectId, const ReportOptions& options = {});
};

// "Gemeinde" or "alle Kostenträger zusammen" for the empty name.
QString reportBearerName(const QString& costBearer);

} // namespace tavo
