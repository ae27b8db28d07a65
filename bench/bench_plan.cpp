// Reading and measuring a plan of 5,000 features (readPlan: open, transform, check, measure,
// connection lengths), from a GeoPackage in MGI / Austria Lambert and the same in WGS 84.

#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "core/plan/PlanReader.h"
#include "support/PlanFixture.h"

using namespace tavo;

namespace {

// A Baugebiet of 1,000 m x 1,000 m; 50 streets (polygons) and 50 lines across it, one every 20 m,
// each line split into 10 pieces (500 lines); 4,399 plots of 8 m x 8 m between them, two types.
QVector<FixtureLayer> bigPlan(int epsg) {
    FixtureLayer area{QStringLiteral("Baugebiet"), epsg, {}, {{fixtureRect(0, 0, 1000, 1000), {}}}};
    FixtureLayer streets{QStringLiteral("Verkehrsfläche"), epsg, {}, {}};
    FixtureLayer lines{QStringLiteral("Leitung"), epsg, {QStringLiteral("Netz")}, {}};
    FixtureLayer plots{QStringLiteral("Bauplatz"), epsg, {QStringLiteral("Typ")}, {}};
    for (int row = 0; row < 50; ++row) {
        const double y = 20.0 * row;
        streets.features.append({fixtureRect(0, y, 1000, y + 4), {}});
        for (int piece = 0; piece < 10; ++piece)
            lines.features.append(
                {fixtureLine({{100.0 * piece, y + 2}, {100.0 * piece + 100, y + 2}}),
                 {{QStringLiteral("Netz"), piece % 2 ? QStringLiteral("Wasser") : QString()}}});
    }
    for (int i = 0; plots.features.size() < 5000 - 1 - 50 - 500; ++i) {
        const double x = 10.0 * (i % 99), y = 20.0 * (i / 99) + 6;
        plots.features.append(
            {fixtureRect(x, y, x + 8, y + 8),
             {{QStringLiteral("Typ"), i % 3 ? QStringLiteral("EFHg") : QStringLiteral("RHk")}}});
    }
    return {area, streets, lines, plots};
}

void measure(const QString& label, const QString& file) {
    QVector<double> ms;
    PlanReading last;
    for (int run = 0; run < 8; ++run) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        const PlanAssignment assignment = guessAssignment(planLayers(file, &error));
        last = readPlan(file, assignment, false, &error);
        const double elapsed = timer.nsecsElapsed() / 1e6;
        if (run > 0) // the first run warms the caches of GDAL and PROJ
            ms.append(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s %5lld Objekte  Median %7.1f ms  schnellster %7.1f ms  langsamster %7.1f ms"
                "  (Anschluss %.0f m)\n",
                qPrintable(label), static_cast<long long>(last.features.size()), ms[ms.size() / 2],
                ms.first(), ms.last(), last.measures.anschlussM);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    for (int epsg : {31287, 4326}) {
        const QString file = dir.filePath(QStringLiteral("plan%1.gpkg").arg(epsg));
        const QString error = writePlanFixture(file, "GPKG", bigPlan(epsg));
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        measure(QStringLiteral("GeoPackage EPSG:%1").arg(epsg), file);
    }
    return 0;
}
