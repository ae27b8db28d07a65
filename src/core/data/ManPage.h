#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tavo {

// The manual page (man(1), groff) of a program, written by the program itself from the same tables
// its --help text comes from, so the page installed with the package says what the program does.
namespace ManPage {

// A term and its explanation (an option, a command, a file).
struct Entry {
    QString term;
    QString text;
};

// A section: its heading, paragraphs (separated by an empty line), then its entries.
struct Section {
    QString heading;
    QString text;
    QList<Entry> entries;
};

struct Page {
    QString program;         // "tavo-cli"
    QString summary;         // the one-line description after the name, without a full stop
    QString version;         // the program's version
    QStringList synopsis;    // the program's calls, each without the program name
    QList<Section> sections; // after the synopsis
};

// The page in groff's man macros, UTF-8. Line breaks inside a paragraph become spaces (groff fills
// the lines), hyphens become minus signs as options need them, and a leading dot is kept literal.
QString render(const Page& page);

// The files both programs use: the user database, the master database, the manual and the settings.
Section filesSection();

} // namespace ManPage

} // namespace tavo
