#pragma once

#include <QStringList>

namespace tavo {

// The disclaimer of the selection window, line by line as it stands there (an empty line between
// its two paragraphs); the council report quotes it.
inline QStringList disclaimerLines() {
    return {QStringLiteral("Die Berechnungsergebnisse dienen als grober Anhaltspunkt für die Bewertung"),
            QStringLiteral("der Kosten und Einnahmen aus Siedlungserweiterungen."), QString(),
            QStringLiteral("Das Land Talland und die beteiligten Firmen übernehmen keine Haftung für"),
            QStringLiteral("die Richtigkeit der Berechnungen!")};
}

} // namespace tavo
