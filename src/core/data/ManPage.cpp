#include "core/data/ManPage.h"

#include <QRegularExpression>

#include "core/data/DataLocations.h"

namespace tavo {

namespace ManPage {

namespace {

// groff text: a backslash written as \e; the hyphens of options ("--user", "-h") and of program
// names ("tavo-cli") as the minus sign \-, so that they can be copied from the page, while the
// hyphen of a German compound ("PostgreSQL-Server") stays a hyphen; a line that would start with a
// dot or an apostrophe protected by \&.
QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size() + 16);
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool wordStart = i == 0 || !text.at(i - 1).isLetterOrNumber();
        const bool programName =
            text.mid(i - 4, 8).compare(QLatin1String("tavo-cli"), Qt::CaseInsensitive) == 0;
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\e");
        else if (c == QLatin1Char('-') && (wordStart || programName))
            out += QStringLiteral("\\-");
        else
            out += c;
    }
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

// One paragraph as one filled line: the line breaks and indents of a terminal text become spaces.
QString filled(const QString& paragraph) {
    return escaped(paragraph.simplified());
}

QString paragraphs(const QString& text) {
    QString out;
    const QStringList parts =
        text.split(QRegularExpression(QStringLiteral("\\n\\s*\\n")), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].trimmed().isEmpty())
            continue;
        if (i > 0)
            out += QStringLiteral(".PP\n");
        out += filled(parts[i]) + QLatin1Char('\n');
    }
    return out;
}

} // namespace

QString render(const Page& page) {
    QString out = QStringLiteral("'\\\" -*- coding: UTF-8 -*-\n"
                                 ".\\\" Written by the program itself (%1 --manpage).\n")
                      .arg(page.program);
    out += QStringLiteral(".TH %1 1 \"\" \"%2 %3\" \"TAVO \\- Tavorechner\"\n")
               .arg(escaped(page.program.toUpper()), escaped(page.program), escaped(page.version));
    // Left-aligned and without hyphenation: the options and file names stay whole.
    out += QStringLiteral(".nh\n.ad l\n");
    out += QStringLiteral(".SH BEZEICHNUNG\n%1 \\- %2\n").arg(escaped(page.program), filled(page.summary));
    out += QStringLiteral(".SH ÜBERSICHT\n");
    // Each call with a hanging indent under the program name.
    for (const QString& call : page.synopsis)
        out += QStringLiteral(".SY %1\n%2\n.YS\n").arg(escaped(page.program), filled(call));
    for (const Section& section : page.sections) {
        out += QStringLiteral(".SH %1\n").arg(escaped(section.heading));
        out += paragraphs(section.text);
        for (const Entry& entry : section.entries)
            out += QStringLiteral(".TP\n.B %1\n%2").arg(filled(entry.term), paragraphs(entry.text));
    }
    return out;
}

Section filesSection() {
    return {
        QStringLiteral("DATEIEN"),
        QStringLiteral("Liegen neben dem Programm eine %1 oder eine %2, gelten diese (eine tragbare "
                       "Kopie in einem Ordner); sonst gelten die folgenden Dateien.")
            .arg(Databases::MasterFileName, Databases::UserFileName),
        {{QStringLiteral("~/.local/share/TAVO/%1").arg(Databases::UserFileName),
          QStringLiteral("Die Benutzerdatenbank mit den Projekten, beim ersten Start angelegt: der Ordner "
                         "nur für den Benutzer zugänglich, die Datei nur für ihn les- und schreibbar.")},
         {QStringLiteral("/usr/share/tavo/%1").arg(Databases::MasterFileName),
          QStringLiteral("Die Stammdatenbank mit den Gemeinden, Kostensätzen und Vorgabewerten.")},
         {QStringLiteral("/usr/share/tavo/%1").arg(DataLocations::ManualFileName),
          QStringLiteral("Das Handbuch.")},
         {QStringLiteral("~/.config/TAVO/TAVO.conf"),
          QStringLiteral("Die Einstellungen; der Eintrag %1 (Abschnitt [Datenbank]) nennt eine andere "
                         "Benutzerdatenbank, etwa auf einem PostgreSQL-Server.")
              .arg(DataLocations::UserDatabaseSetting.section(QLatin1Char('/'), 1))}}};
}

} // namespace ManPage

} // namespace tavo
