#include "core/services/CalculationRun.h"

#include <chrono>
#include <cmath>
#include <thread>

#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/Databases.h"
#include "core/data/Interruption.h"
#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"
#include "core/engine/Calculation.h"
#include "core/engine/EngineInput.h"
#include "core/engine/ResultWriter.h"
#include "core/projects/CalculationState.h"
#include "core/projects/InputCheck.h"
#include "core/projects/StoredInputs.h"

namespace tavo {

namespace {

constexpr int kDefaultReferenceYear = 2012;

// The project's municipality, which must be a whole number in the range of the keys.
int municipalityOf(const QSqlRecord& project) {
    const double pg = std::trunc(NumberFormat::toDouble(project.value(QStringLiteral("PG"))));
    if (!std::isfinite(pg) || std::fabs(pg) > 2147483647.0)
        throw TavoError(
            QStringLiteral("Ungültiger Wert im Feld PG: keine ganze Zahl im zulässigen Bereich."));
    return static_cast<int>(pg);
}

// Deletes what the previous run of the project wrote; gBvB belongs to the municipality and is
// written again by the first step.
void deletePreviousResults(const QSqlDatabase& user, int projectId, int pg) {
    Sql::exec(user, QStringLiteral("DELETE FROM \"Auswertung\" WHERE \"TAVO\" = ?"), {projectId});
    Sql::exec(user, QStringLiteral("DELETE FROM \"bBvB\" WHERE \"TAVO\" = ?"), {projectId});
    Sql::exec(user, QStringLiteral("DELETE FROM \"gBvB\" WHERE \"PG\" = ?"), {pg});
    Sql::exec(user, QStringLiteral("DELETE FROM \"bWvB\" WHERE \"TAVO\" = ?"), {projectId});
}

// Takes the server's transaction lock (kind, key), asking again every 50 ms: a lock not granted
// after 20 seconds ends the step with busyMessage and leaves the transaction intact.
void waitForServerLock(const QSqlDatabase& user, int kind, int key, const QString& busyMessage) {
    QSqlQuery lock(user);
    Sql::prepare(lock,
                 QStringLiteral("SELECT pg_try_advisory_xact_lock(CAST(? AS INTEGER), CAST(? AS INTEGER))"));
    lock.addBindValue(kind);
    lock.addBindValue(key);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        Sql::execPrepared(lock);
        if (lock.next() && lock.value(0).toBool())
            return;
        if (std::chrono::steady_clock::now() > giveUp)
            throw TavoError(busyMessage);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// On a server several planners calculate at once. A run holds two locks until its transaction ends:
// its project's, so a second run of the same project waits for the first one and then calculates
// anew (or, after a while, gives up with a message), and its municipality's, since projects of one
// municipality rewrite the municipality's population rows. The project's lock is always taken
// first, so two runs can never wait for each other. SQLite lets one writer in at a time anyway.
void lockProject(const QSqlDatabase& user, int projectId) {
    if (!SqlDialect::isPostgres(user))
        return;
    waitForServerLock(user, 1, projectId,
                      QStringLiteral("Das Projekt %1 wird gerade an einem anderen Arbeitsplatz berechnet. "
                                     "Bitte später erneut berechnen.")
                          .arg(projectId));
}

// The project's stored inputs, read once for the input check and the engine; an unknown project
// ends the run before anything is written.
StoredInputs readInputs(const QSqlDatabase& user, int projectId) {
    StoredInputs inputs = StoredInputs::read(user, projectId);
    if (!inputs.found)
        throw UnknownProject(QStringLiteral("Das Projekt mit der ID %1 gibt es nicht.").arg(projectId));
    return inputs;
}

void checkInputs(const Databases& dbs, const StoredInputs& inputs, const WarningsHandler& onWarnings) {
    if (!onWarnings) {
        InputCheck::requireNoRefusal(InputCheck::refusals(inputs));
        return;
    }
    const InputCheck::Findings findings = InputCheck::check(dbs.master(), inputs);
    if (!findings.warnings.isEmpty())
        onWarnings(findings.warnings);
    InputCheck::requireNoRefusal(findings.refusals);
}

void calculateAndWrite(const Databases& dbs, int projectId, const WarningsHandler& onWarnings) {
    const QSqlDatabase user = dbs.user();
    lockProject(user, projectId);
    StoredInputs inputs = readInputs(user, projectId);
    // Inputs that cannot be calculated stop the run before anything is written, whoever started it.
    checkInputs(dbs, inputs, onWarnings);
    const int year = referenceYear(dbs.master());
    Sql::exec(user, QStringLiteral("UPDATE \"TAVO\" SET \"Bezugsjahr\" = ? WHERE \"ID\" = ?"),
              {year, projectId});
    inputs.project.setValue(QStringLiteral("Bezugsjahr"), year);
    const int pg = municipalityOf(inputs.project);
    lockMunicipalityRows(user, pg);
    deletePreviousResults(user, projectId, pg);
    const EngineInput input = EngineInput::fromRows(dbs.master(), projectId, inputs.project, inputs.buildings,
                                                    inputs.settlements, inputs.specials);
    // Computed completely before anything is written: after an error the run is rolled back, and after
    // a full disk SQLite may already have ended the transaction, so a further write would be committed
    // on its own.
    const EngineResult result = calculate(input);
    ResultWriter::write(user, result);
}

} // namespace

void lockMunicipalityRows(const QSqlDatabase& user, int pg) {
    if (!SqlDialect::isPostgres(user))
        return;
    waitForServerLock(user, 2, pg,
                      QStringLiteral("Die Bevölkerungszahlen der Gemeinde %1 werden gerade an einem anderen "
                                     "Arbeitsplatz neu geschrieben. Bitte später erneut versuchen.")
                          .arg(pg));
}

int referenceYear(const QSqlDatabase& master) {
    const QVariant value = Sql::scalar(master,
                                       QStringLiteral("SELECT Wert FROM FeldWerte WHERE Tabelle = ? AND "
                                                      "Feld = ? ORDER BY Nummer LIMIT 1"),
                                       {QStringLiteral("TAVO"), QStringLiteral("Bezugsjahr")});
    if (!value.isValid())
        return kDefaultReferenceYear;
    // An entry without a value reads 0, like any empty number; Wert is stored locale-neutral ("2024").
    if (value.isNull() || value.toString().trimmed().isEmpty())
        return 0;
    bool ok = false;
    const double year = NumberFormat::neutral(value.toString(), &ok);
    if (!ok || std::fabs(year) > 1e9)
        throw TavoError(QStringLiteral("Ungültiges Bezugsjahr in den Feldwerten: %1")
                            .arg(NumberFormat::excerpt(value.toString())));
    return static_cast<int>(std::trunc(year));
}

void runCalculation(const Databases& dbs, int projectId, const WarningsHandler& onWarnings) {
    // A run is all or nothing: after an error the transaction is rolled back, so the ledger, the
    // population tables, the municipality's rows and the reference year stay as they were before the
    // run. A half-written ledger would be shown as if it were a result.
    Transaction transaction(dbs.user());
    try {
        calculateAndWrite(dbs, projectId, onWarnings);
        // The inputs these results belong to, so that a later change of them can be seen.
        CalculationState::store(dbs.user(), projectId);
        // A stop requested meanwhile (Ctrl+C) takes the whole run back.
        Interruption::throwIfRequested();
    } catch (const TavoError&) {
        transaction.rollback();
        throw;
    } catch (const std::exception& e) {
        transaction.rollback();
        throw TavoError(
            QStringLiteral("Fehler bei der Berechnung: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    transaction.commit();
}

} // namespace tavo
