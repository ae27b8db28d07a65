// The tornado of the realistic project (15 in-memory calculations: the project and each of the seven
// scenario parameters alone at its two values) and the municipality overview of 20 calculated
// projects in 10 project groups, read from the user database.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "core/data/Sql.h"
#include "core/engine/EngineInput.h"
#include "core/scenarios/Sensitivity.h"
#include "core/services/CalculationRun.h"
#include "core/services/MunicipalityOverview.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

constexpr int kRuns = 30;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestDb db;
    const int project = EngineFixture::insertRealisticProject(db);
    const EngineInput input = EngineInput::load(db.dbs(), project);
    const Scenarios::Settings settings = Scenarios::builtInSettings();

    std::vector<double> tornado;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        Sensitivity::compute(input, settings, KeyFigureOptions());
        tornado.push_back(timer.nsecsElapsed() / 1e6);
    }

    // 20 calculated projects of municipality 301, two variants in each of ten groups.
    for (int i = 0; i < 20; ++i) {
        const int id = i == 0 ? project : EngineFixture::insertRealisticProject(db);
        Sql::exec(db.user(), QStringLiteral("UPDATE \"TAVO\" SET \"Projekt\" = ? WHERE \"ID\" = ?"),
                  {QStringLiteral("Gebiet %1").arg(i / 2), id});
        runCalculation(db.dbs(), id);
    }
    std::vector<double> overview;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        MunicipalityOverview::compute(db.user(), 301, {}, QStringLiteral("Gemeinde"));
        overview.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("tornado (15 in-memory runs), median of %d:     %7.1f ms (slowest %.1f ms)\n", kRuns,
                median(tornado), *std::max_element(tornado.begin(), tornado.end()));
    std::printf("municipality overview (20 projects), median of %d: %7.1f ms (slowest %.1f ms)\n", kRuns,
                median(overview), *std::max_element(overview.begin(), overview.end()));
    return 0;
}
