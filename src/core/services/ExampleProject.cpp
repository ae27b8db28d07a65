#include "core/services/ExampleProject.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/projects/ProjectRecords.h"
#include "core/services/CalculationRun.h"

namespace tavo {

namespace ExampleProject {
namespace {

constexpr int kMunicipality = 306; // Mühlbach, 2650 inhabitants

// Gross area 32,000 m2: 8 % green (2,560 m2) and 15 % roads (4,800 m2) leave 24,640 m2 of building
// land. The inner roads run 800 m at 6 m width (4,800 m2); water, separate sewer, lighting, power
// and data lines follow them (0.025 Lfm per m2 of gross area); no gas, no district heating. The
// connection to the village runs 120 m along an existing road (720 m2 to rebuild).
QVariantMap projectValues() {
    return {
        {QStringLiteral("Projekt"), QStringLiteral("Beispiele")},
        {QStringLiteral("Beschreibung"), name()},
        {QStringLiteral("bgFlBaulandBrutto"), 32000},
        {QStringLiteral("bgAntGrünflächen"), 8},
        {QStringLiteral("bgFlGrünflächen"), 2560},
        {QStringLiteral("bgAntVerkehrsflächen"), 15},
        {QStringLiteral("bgFlVerkehrsflächen"), 4800},
        {QStringLiteral("bgFlBaulandNetto"), 24640},
        {QStringLiteral("ifFaktorLeitungslängen"), 0.025},
        {QStringLiteral("ifLfmWasserleitung"), 800},
        {QStringLiteral("ifLfmKanalTrennsystem"), 800},
        {QStringLiteral("ifLfmKanalMischsystem"), 0},
        {QStringLiteral("ifLfmKanalStrEntwässerung"), 0},
        {QStringLiteral("ifLfmStraßenbeleuchtung"), 800},
        {QStringLiteral("ifLfmStromleitung"), 800},
        {QStringLiteral("ifLfmDatenleitung"), 800},
        {QStringLiteral("ifLfmGasleitung"), 0},
        {QStringLiteral("ifLfmNahwärme"), 0},
        {QStringLiteral("ifOberflächeInJahr"), 5},
        {QStringLiteral("ifFlAnschlStraße"), 720},
        {QStringLiteral("ifLfmAnschlWasserleitung"), 120},
        {QStringLiteral("ifLfmAnschlKanalTrennsystem"), 120},
        {QStringLiteral("ifLfmAnschlStraßenbeleuchtung"), 120},
        {QStringLiteral("ifLfmAnschlStromleitung"), 120},
        {QStringLiteral("ifLfmAnschlDatenleitung"), 120},
        {QStringLiteral("ifAnschlOberflächeInJahr"), 2},
        {QStringLiteral("auAnteilZuzug"), 60},
        // No municipal subsidy of the levies: the subsidised rates are 0.
        {QStringLiteral("auAntGemFörderungAufschl"), 0},
        {QStringLiteral("auGemFörderungAufschl"), 0},
        {QStringLiteral("auAntGemFörderungWasser"), 0},
        {QStringLiteral("auGemFörderungWasser"), 0},
        {QStringLiteral("auAntGemFörderungKanalSchmutz"), 0},
        {QStringLiteral("auGemFörderungKanalSchmutz"), 0},
        {QStringLiteral("auAntGemFörderungKanalMisch"), 0},
        {QStringLiteral("auGemFörderungKanalMisch"), 0},
    };
}

// The defaults of the value lists for the project table.
QVariantMap defaultValues(const QSqlDatabase& master) {
    QVariantMap values;
    QSqlQuery query = Sql::exec(
        master,
        QStringLiteral("SELECT Feld, Wert FROM FeldWerte WHERE Tabelle = 'TAVO' AND \"Default\" = 1"));
    while (query.next())
        values.insert(query.value(0).toString(), query.value(1));
    return values;
}

int insertProject(const Databases& dbs) {
    QVariantMap values = defaultValues(dbs.master());
    const QVariantMap own = projectValues();
    for (auto it = own.constBegin(); it != own.constEnd(); ++it)
        values.insert(it.key(), it.value());
    values.insert(QStringLiteral("PG"), kMunicipality);
    values.insert(QStringLiteral("PG_Name"),
                  lookupMunicipalityName(dbs.master(), QString::number(kMunicipality)));
    QStringList columns, marks;
    QVariantList params;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        columns << Sql::quoted(it.key());
        marks << QStringLiteral("?");
        params << it.value();
    }
    Sql::exec(dbs.user(),
              QStringLiteral("INSERT INTO \"TAVO\" (%1) VALUES (%2)")
                  .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
              params);
    return Sql::scalar(dbs.user(), QStringLiteral("SELECT max(\"ID\") FROM \"TAVO\"")).toInt();
}

// Share of the building land per building type and its building class.
void insertBuildings(const QSqlDatabase& user, int id) {
    const struct {
        const char* type;
        const char* bauklasse;
        int anteil;
    } buildings[] = {
        {"EFHg", "II", 35}, {"EFHk", "II", 20}, {"RHg", "II", 10}, {"RHk", "II", 15}, {"GWB", "III", 20}};
    for (const auto& b : buildings)
        Sql::exec(user,
                  QStringLiteral("INSERT INTO \"Bebauung\" (\"TAVO\", \"bbTyp\", \"bbBauklasse\", "
                                 "\"bbAnteil\") VALUES (?, ?, ?, ?)"),
                  {id, QString::fromUtf8(b.type), QString::fromUtf8(b.bauklasse), b.anteil});
}

// Percent of each type completed per year: the houses over eight years, the terraces over four,
// the two blocks of flats in years 2 and 4. Each type sums to 100.
void insertSettlement(const QSqlDatabase& user, int id) {
    const double houses[] = {10, 20, 20, 15, 10, 10, 8, 7};
    const double terraces[] = {0, 30, 30, 20, 20};
    const double blocks[] = {0, 50, 0, 50};
    for (int year = 1; year <= 20; ++year) {
        const double h = year <= 8 ? houses[year - 1] : 0;
        const double t = year <= 5 ? terraces[year - 1] : 0;
        const double b = year <= 4 ? blocks[year - 1] : 0;
        Sql::exec(user,
                  QStringLiteral("INSERT INTO \"Besiedelung\" (\"TAVO\", \"Jahr\", \"EFHg\", \"EFHk\", "
                                 "\"RHg\", \"RHk\", \"GWB\") VALUES (?, ?, ?, ?, "
                                 "?, ?, ?)"),
                  {id, year, h, h, t, t, b});
    }
}

void insertSpecialExpenditures(const QSqlDatabase& user, int id) {
    const QString sql =
        QStringLiteral("INSERT INTO \"Sonderausgaben\" (\"TAVO\", \"Jahr\", \"Typ\", \"Bezeichnung\", "
                       "\"Kostenträger\", \"Ausgabe\") VALUES (?, ?, ?, ?, ?, ?)");
    Sql::exec(user, sql,
              {id, 3, QStringLiteral("soz. Infrastruktur Errichtung"),
               QStringLiteral("Kindergarten: zusätzliche Gruppe"), QStringLiteral("Gemeinde"), 420000.0});
    Sql::exec(user, sql,
              {id, 5, QStringLiteral("Sonstiges"), QStringLiteral("Spielplatz"), QStringLiteral("Gemeinde"),
               45000.0});
}

} // namespace

QString name() {
    return QStringLiteral("Beispiel: Siedlungserweiterung Am Mühlbach");
}

int create(const Databases& dbs) {
    int id = 0;
    {
        Transaction transaction(dbs.user());
        id = insertProject(dbs);
        insertBuildings(dbs.user(), id);
        insertSettlement(dbs.user(), id);
        insertSpecialExpenditures(dbs.user(), id);
        transaction.commit();
    }
    runCalculation(dbs, id);
    return id;
}

void addToNewUserDatabases() {
    DataLocations::setNewUserDatabaseStep([](const Databases& dbs) { create(dbs); });
}

} // namespace ExampleProject

} // namespace tavo
