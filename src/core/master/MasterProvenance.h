#pragma once

#include <QSqlDatabase>
#include <QString>

namespace tavo {

// Where the data of a master database come from: one row of its table "Herkunft". The shipped
// master holds invented example data; an imported master names the published files it was made
// from. line() is the one line every window, printout, report and text output shows.
struct MasterProvenance {
    QString datensatz;     // the data set's name, e.g. "Beispieldaten (fiktives Land Talland)"
    QString land;          // the land (federal state) the municipalities belong to, may be empty
    QString quelle;        // the source of the figures
    QString stand;         // as-of date of the figures
    QString lizenz;        // licence of the source data
    bool beispiel = false; // true for invented example data

    // "Stammdaten: <Datensatz>, <Land>, Quelle: …, Stand …, Lizenz …"; for example data a warning
    // that the figures are invented instead of source and licence.
    QString line() const;

    // True when the master had no provenance row (an old or hand-made master).
    bool isUnknown() const { return datensatz.isEmpty(); }

    // The provenance of a master. A master without the table (or with an empty one) gives an
    // unknown provenance, whose line says so. Throws TavoError when the table cannot be read.
    static MasterProvenance read(const QSqlDatabase& master);

    // Replaces the provenance of a master by this one row, creating the table when it is missing.
    // Runs inside the caller's transaction, if any. Throws TavoError.
    static void write(QSqlDatabase& master, const MasterProvenance& provenance);
};

} // namespace tavo
