#pragma once

#include <array>
#include <optional>

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include "core/results/CapacityFigures.h"

namespace tavo {

struct EngineInput;
struct EngineResult;

// The key figures of a calculated project: what the building area costs and brings one cost bearer
// (or all of them together) over the 20 project years, when its cumulative balance is lowest and when
// it turns positive for good, its net present value and its balance per dwelling unit and inhabitant.
// Everything is computed from the written results (ledger Auswertung, bWvB, bBvB) of years 1 to 20,
// unrounded. Shared by the key-figure page, the variant comparison, the report and `tavo-cli kennzahlen`.

// What the figures are computed for.
struct KeyFigureOptions {
    QString costBearer = QStringLiteral("Gemeinde"); // a cost bearer of the ledger; empty: all together
    double discountRate = 3.0;                       // percent per year, for the net present value
};

// Expenditure, revenue and balance (revenue minus expenditure) of one evaluation type.
struct TypeTotals {
    QString typ; // the ledger's Typ; empty for rows without one
    double ausgaben = 0.0;
    double einnahmen = 0.0;
    double saldo = 0.0;
};

// The lowest cumulative balance and its year.
struct LowPoint {
    int jahr = 1;
    double betrag = 0.0;
};

struct KeyFigures {
    static constexpr int Years = 20;
    // Indexed by project year 1..Years; element 0 is unused and stays 0.
    using YearValues = std::array<double, Years + 1>;

    // The project record and the options the figures were computed with.
    int projectId = 0;
    QString projekt;      // project group name, empty when NULL
    QString beschreibung; // description, empty when NULL
    int pg = 0;           // municipality
    QString costBearer;   // as in the options; empty: all cost bearers together
    double discountRate = 3.0;

    // False when the project has no ledger row at all (never calculated); every figure is then 0.
    bool hasResults = false;

    // Sums over years 1..20 for the chosen cost bearer; saldo = einnahmen - ausgaben.
    double ausgaben = 0.0;
    double einnahmen = 0.0;
    double saldo = 0.0;
    QList<TypeTotals> jeTyp; // one entry per evaluation type with rows, ordered by Typ

    YearValues saldoJeJahr{}; // revenue minus expenditure of each year
    YearValues kumuliert{};   // running sum of saldoJeJahr from year 1

    LowPoint tiefpunkt;                   // smallest kumuliert; the first such year on ties
    std::optional<int> amortisationsjahr; // first year from which kumuliert stays >= 0 through year 20
    double barwert = 0.0;                 // sum of saldoJeJahr[j] / (1 + rate/100)^j

    double wohneinheiten = 0.0; // dwelling units of the building area in year 20 (all building types)
    double bewohner = 0.0;      // inhabitants of the building area in year 20 (all ages)
    std::optional<double> saldoJeWohneinheit; // saldo / wohneinheiten; none when there are none
    std::optional<double> saldoJeBewohner;    // saldo / bewohner; none when there are none

    // Capacity of kindergarten and primary school, where the project states it.
    CapacityFigures kapazitaet;
};

// Computes the key figures of a project from the user database. Throws TavoError "Unbekanntes
// Projekt: N" when the project record is missing, and with the driver's text on a database error.
// A project without results gives hasResults false. All figures are read in one read transaction.
KeyFigures computeKeyFigures(const QSqlDatabase& userDb, int projectId, const KeyFigureOptions& options);

// The same figures from a calculation in memory (see calculate()), without any database: the project's
// name, description and municipality from the input, the sums from the result's ledger.
KeyFigures computeKeyFigures(const EngineInput& input, const EngineResult& result,
                             const KeyFigureOptions& options);

// The figures that follow from the balances of the years alone (kumuliert, tiefpunkt,
// amortisationsjahr, barwert), filled into figures from its saldoJeJahr and discountRate.
void deriveYearFigures(KeyFigures& figures);

// The cost bearers of the master database (the Anteil_ columns of Auswertung_Typen without the
// prefix), in column order: the choices besides "all together".
QStringList keyFigureCostBearers(const QSqlDatabase& master);

// Throws TavoError "Unbekannter Kostenträger: …" (naming the possible ones) when bearer is neither
// empty (all together) nor a cost bearer of the master database.
void requireCostBearer(const QSqlDatabase& master, const QString& bearer);

// One line of the key-figure table: a caption and one value per project, NULL where a figure is
// missing (no payback year, a per-unit balance without units). The same lines feed the text and CSV
// output of `tavo-cli kennzahlen` and suit any table of the figures, one column per project.
struct KeyFigureLine {
    enum class Kind {
        Text,     // QString
        Integer,  // int: municipality, years
        Amount,   // double, money (two decimals when shown)
        Quantity, // double, dwelling units and inhabitants (one decimal when shown)
        Rate      // double, percent as entered
    };
    // Which value of a line is the better one when projects are compared.
    enum class Better { None, Higher, Lower };
    // The block a line belongs to, in table order.
    enum class Section { Project, Figures, ByType, ByYear };

    QString caption;
    Section section = Section::Figures;
    Kind kind = Kind::Amount;
    Better better = Better::None;
    QString missingText; // what a NULL value means in words ("nicht erreicht", "–")
    QVariantList values;
};

// The figures of several projects as table lines: project, description, municipality, cost bearer
// ("alle" for all together) and rate; the 20-year totals, low point, payback year, net present value,
// dwelling units, inhabitants and balances per unit; where any project states the capacity of
// kindergarten or school, the year its places run out and the further groups (classes) the project
// needs; the totals per evaluation type (every type that
// any of the projects has, by name); the balance and cumulative balance of every year.
QList<KeyFigureLine> keyFigureTable(const QList<KeyFigures>& projects);

} // namespace tavo
