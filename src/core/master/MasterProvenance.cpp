#include "core/master/MasterProvenance.h"

#include <QSqlRecord>
#include <QStringList>

#include "core/data/Sql.h"

namespace tavo {

namespace {

const QString kTable = QStringLiteral("Herkunft");

// The same definition as in data/master/schema.sql, so that the shipped and imported masters
// carry the same table.
QString createStatement() {
    return QStringLiteral("CREATE TABLE IF NOT EXISTS \"Herkunft\" (\n"
                          "    \"Datensatz\" TEXT NOT NULL,\n"
                          "    \"Land\" TEXT,\n"
                          "    \"Quelle\" TEXT,\n"
                          "    \"Stand\" TEXT,\n"
                          "    \"Lizenz\" TEXT,\n"
                          "    \"Beispiel\" BOOLEAN NOT NULL DEFAULT 0\n"
                          ")");
}

bool hasTable(const QSqlDatabase& master) {
    // tables() compares case-sensitively; the name is written the same everywhere.
    return master.tables().contains(kTable);
}

} // namespace

QString MasterProvenance::line() const {
    if (isUnknown())
        return QStringLiteral("Stammdaten: Herkunft nicht angegeben");
    QStringList parts{datensatz};
    if (!land.isEmpty() && !datensatz.contains(land))
        parts << land;
    if (!beispiel && !quelle.isEmpty())
        parts << QStringLiteral("Quelle: %1").arg(quelle);
    if (!stand.isEmpty())
        parts << QStringLiteral("Stand %1").arg(stand);
    if (!beispiel && !lizenz.isEmpty())
        parts << QStringLiteral("Lizenz: %1").arg(lizenz);
    QString text = QStringLiteral("Stammdaten: ") + parts.join(QStringLiteral(", "));
    if (beispiel)
        text += QStringLiteral(" – erfundene Zahlen, keine echte Gemeinde");
    return text;
}

MasterProvenance MasterProvenance::read(const QSqlDatabase& master) {
    MasterProvenance p;
    if (!hasTable(master))
        return p;
    QSqlQuery q =
        Sql::exec(master, QStringLiteral("SELECT %1 FROM %2")
                              .arg(Sql::quotedList({QStringLiteral("Datensatz"), QStringLiteral("Land"),
                                                    QStringLiteral("Quelle"), QStringLiteral("Stand"),
                                                    QStringLiteral("Lizenz"), QStringLiteral("Beispiel")}),
                                   Sql::quoted(kTable)));
    if (!q.next())
        return p;
    p.datensatz = q.value(0).toString();
    p.land = q.value(1).toString();
    p.quelle = q.value(2).toString();
    p.stand = q.value(3).toString();
    p.lizenz = q.value(4).toString();
    p.beispiel = q.value(5).toInt() != 0;
    return p;
}

void MasterProvenance::write(QSqlDatabase& master, const MasterProvenance& provenance) {
    Sql::exec(master, createStatement());
    Sql::exec(master, QStringLiteral("DELETE FROM %1").arg(Sql::quoted(kTable)));
    Sql::exec(master,
              QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?, ?)")
                  .arg(Sql::quoted(kTable),
                       Sql::quotedList({QStringLiteral("Datensatz"), QStringLiteral("Land"),
                                        QStringLiteral("Quelle"), QStringLiteral("Stand"),
                                        QStringLiteral("Lizenz"), QStringLiteral("Beispiel")})),
              {provenance.datensatz, provenance.land, provenance.quelle, provenance.stand, provenance.lizenz,
               provenance.beispiel ? 1 : 0});
}

} // namespace tavo
