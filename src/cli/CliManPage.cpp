// tavo-cli --manpage: the manual page of tavo-cli, written from the command table, so that the page
// the package installs names every command with its usage line exactly as --help does.

#include <QHash>

#include "cli/Commands.h"
#include "core/data/ManPage.h"

namespace tavo {

namespace {

// What each command does, for the page. A command of the table without a line here stops the
// page (the build that writes it fails), so a new command cannot be left out.
QString commandSummary(const QString& name) {
    static const QHash<QString, QString> summaries = {
        {QStringLiteral("init"),
         QStringLiteral(
             "Legt eine neue Benutzerdatenbank an, als Datei (nur für den Benutzer les- und "
             "schreibbar) oder als Tabellen einer leeren Datenbank auf einem PostgreSQL-Server; sie "
             "enthält das berechnete Beispielprojekt, mit --leer kein Projekt. Eine vorhandene Datei "
             "wird nicht überschrieben.")},
        {QStringLiteral("calc"),
         QStringLiteral(
             "Berechnet ein Projekt oder mit --all alle Projekte der Benutzerdatenbank, genau wie "
             "die Schaltfläche „Berechnen“ des Hauptfensters, und speichert die Ergebnisse. Strg+C "
             "bricht ab; der laufende Projektlauf wird zurückgenommen.")},
        {QStringLiteral("export"),
         QStringLiteral(
             "Gibt eine Ergebnisansicht (Ausgaben, Einnahmen, Saldo, Wohneinheiten, Bewohner) mit "
             "den Filtern der Ergebnisseiten aus: als Text mit Tabulatoren wie die Zwischenablage, als "
             "CSV für eine deutsche Tabellenkalkulation oder als Excel-Arbeitsmappe; mit --alles "
             "alle Ansichten und die Eingaben in einer Arbeitsmappe.")},
        {QStringLiteral("kennzahlen"),
         QStringLiteral("Gibt die Kennzahlen berechneter Projekte aus (Ausgaben, Einnahmen, Saldo, "
                        "Barwert, Amortisationsjahr und weitere), für einen Kostenträger oder alle zusammen, "
                        "mit dem Zinssatz in Prozent "
                        "(Vorgabe 3); als Tabelle, CSV, JSON oder Excel-Arbeitsmappe.")},
        {QStringLiteral("szenarien"),
         QStringLiteral("Rechnet ein Projekt wie eingegeben, optimistisch und pessimistisch und mit N "
                        "zufälligen Läufen (Monte Carlo) und gibt die Bandbreite der Kennzahlen aus. Es wird "
                        "nichts gespeichert.")},
        {QStringLiteral("breakeven"),
         QStringLiteral("Sucht den Wert eines Eingabefelds (--feld, der Spaltenname), bei dem der Saldo "
                        "oder der Barwert über 20 Jahre null wird. Es wird nichts gespeichert.")},
        {QStringLiteral("bericht"),
         QStringLiteral("Schreibt den Bericht für den Gemeinderat eines berechneten Projekts als PDF-Datei "
                        "(A4); mit --berechnen wird das Projekt vorher berechnet.")},
        {QStringLiteral("kopieren"),
         QStringLiteral("Kopiert Projekte mit ihren Detailzeilen und Ergebnissen aus einer Benutzerdatenbank "
                        "in eine andere (Datei oder PostgreSQL-Server) als neue Projekte, alles in einer "
                        "Transaktion.")},
        {QStringLiteral("plan"),
         QStringLiteral(
             "Liest den Plan des Baugebiets (GeoPackage, Shapefile, GeoJSON, DXF, GML oder KML) mit "
             "GDAL, misst Flächen, Leitungslängen, Anschlusslängen und Bauplätze in Metern und "
             "zeigt, welche Eingaben des Projekts sich ändern würden; mit --anwenden werden sie in "
             "einer Transaktion übernommen und als „aus Plan“ markiert. Ohne --zuordnung gelten "
             "Ebenen, die wie eine Rolle heißen (Baugebiet, Verkehrsfläche, Grünfläche, "
             "Straßenachse, Leitung, Bauplatz), als diese Rolle. Eine Ebene ohne Koordinatensystem "
             "braucht --crs; ungültige Geometrien repariert --reparieren.")},
    };
    return summaries.value(name);
}

} // namespace

QString cliManPage() {
    ManPage::Page page;
    page.program = QStringLiteral("tavo-cli");
    page.summary = QStringLiteral("Kosten und Erträge eines neuen Baugebiets für die Gemeinde berechnen, "
                                  "ohne Fenster");
    page.version = QStringLiteral(TAVO_VERSION);
    ManPage::Section commands{
        QStringLiteral("BEFEHLE"),
        QStringLiteral("Optionen nehmen ihren Wert als --user DATEI oder --user=DATEI. "
                       "Ohne --master und --user gelten die Datenbanken unter DATEIEN."),
        {}};
    for (const CliCommand& command : cliCommands()) {
        const QString name = QString::fromUtf8(command.name);
        const QString summary = commandSummary(name);
        if (summary.isEmpty())
            throw TavoError(
                QStringLiteral("Für den Befehl %1 fehlt die Beschreibung der Handbuchseite.").arg(name));
        page.synopsis << QString::fromUtf8(command.usage);
        commands.entries << ManPage::Entry{name, summary};
    }
    page.synopsis << QStringLiteral("BEFEHL --help") << QStringLiteral("--help | --version");
    page.sections << ManPage::Section{
        QStringLiteral("BESCHREIBUNG"),
        QStringLiteral(
            "tavo-cli ist das Kommandozeilenprogramm des Tavorechners: es berechnet die Projekte "
            "einer Benutzerdatenbank, gibt ihre Ergebnisse, Kennzahlen und Szenarien aus, schreibt "
            "den Bericht für den Gemeinderat und kopiert Projekte zwischen Datenbanken, für Skripte "
            "und Stapelarbeit. Jede Meldung ist deutsch und geht nach stderr."),
        {}};
    page.sections << commands;
    page.sections << ManPage::Section{
        QStringLiteral("OPTIONEN"),
        QString(),
        {{QStringLiteral("-h, --help"),
          QStringLiteral("Zeigt den Aufruf; nach einem Befehl den Aufruf dieses Befehls.")},
         {QStringLiteral("-v, --version"), QStringLiteral("Zeigt die Version.")}}};
    page.sections << ManPage::Section{QStringLiteral("VERALTETE ERGEBNISSE"), staleResultsText(), {}};
    page.sections << ManPage::Section{
        QStringLiteral("RÜCKGABEWERT"), QString(exitCodeText()).remove(QStringLiteral("Rückgabewert: ")), {}};
    page.sections << ManPage::filesSection();
    page.sections << ManPage::Section{QStringLiteral("SIEHE AUCH"), QStringLiteral("tavo(1)"), {}};
    return ManPage::render(page);
}

} // namespace tavo
