// Time to write the council report of a calculated project as its description grows (16 KB to
// 1 MB, as words and as one unbroken word), and with every text input at its maximum length. The
// time must grow linearly with the text; a report at the maximum lengths takes well under 3 s.

#include <cstdio>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/projects/InputCheck.h"
#include "report/CouncilReport.h"
#include "report/ReportData.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

QString words(int length) {
    QString text;
    text.reserve(length + 16);
    for (int i = 0; text.size() < length; ++i)
        text += QStringLiteral("Baugebiet%1 ").arg(i % 97);
    return text.left(length);
}

double secondsForReport(TestDb& db, int id, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    CouncilReport report(ReportData::load(db.dbs(), id));
    report.writePdf(path);
    return timer.nsecsElapsed() / 1e9;
}

void setText(TestDb& db, const QString& table, const QString& column, int id, const QString& text) {
    const QString key = table == QLatin1String("TAVO") ? QStringLiteral("ID") : QStringLiteral("TAVO");
    Sql::exec(db.user(),
              QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?").arg(table, Sql::quoted(column), key),
              {text, id});
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("bericht.pdf"));
    std::printf("Bericht: Zeit nach Länge der Beschreibung\n");
    for (int kilobytes : {16, 64, 256, 1024}) {
        const int length = kilobytes * 1024;
        setText(db, QStringLiteral("TAVO"), QStringLiteral("Beschreibung"), id, words(length));
        const double spaced = secondsForReport(db, id, pdf);
        setText(db, QStringLiteral("TAVO"), QStringLiteral("Beschreibung"), id,
                QString(length, QLatin1Char('x')));
        const double unbroken = secondsForReport(db, id, pdf);
        std::printf("  %4d KB  Wörter %7.2f s  ein Wort %7.2f s\n", kilobytes, spaced, unbroken);
        std::fflush(stdout);
    }
    // Every text input at its maximum: the names with unbroken words, the description with words.
    setText(db, QStringLiteral("TAVO"), QStringLiteral("Beschreibung"), id,
            words(InputCheck::MaxDescriptionLength));
    for (const char* column : {"Projekt", "PG_Name"})
        setText(db, QStringLiteral("TAVO"), QString::fromUtf8(column), id,
                QString(InputCheck::MaxNameLength, QLatin1Char('P')));
    for (const char* column : {"bbTyp", "bbBauklasse"})
        setText(db, QStringLiteral("Bebauung"), QString::fromUtf8(column), id,
                QString(InputCheck::MaxNameLength, QLatin1Char('B')));
    for (const char* column : {"Typ", "Bezeichnung", "Kostenträger"})
        setText(db, QStringLiteral("Sonderausgaben"), QString::fromUtf8(column), id,
                QString(InputCheck::MaxNameLength, QLatin1Char('S')));
    std::printf("  alle Texte in größter Länge: %.2f s\n", secondsForReport(db, id, pdf));
    return 0;
}
