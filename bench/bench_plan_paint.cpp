// Paint time of one frame of the Plan page's view with a plan of 5,000 features (offscreen): the
// whole plan in view, zoomed in four and sixteen times while panning, zoomed out. A frame is one
// paint of the viewport (items, scale bar and north arrow) into a pixmap, as a pan or a wheel step
// causes it. Prints the median and slowest frame of each view; target: under 50 ms.
//   bench_plan_paint [FRAMES]     (default 30)

#include <algorithm>
#include <cstdio>
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include "gui/plan/PlanView.h"

using namespace tavo;

namespace {

QVector<QPointF> rectangle(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

// A building area of 1.2 km x 1 km: 4,000 plots (20 x 25 m, eight corners each), 900 road and line
// pieces, 99 green areas and the area itself: 5,000 features.
PlanReading bigPlan() {
    PlanReading plan;
    plan.file = QStringLiteral("gross.gpkg");
    const double e = 600000, n = 5300000;
    PlanFeature area;
    area.role = PlanRole::Baugebiet;
    area.kind = 2;
    area.parts = {rectangle(e, n, e + 1200, n + 1000)};
    plan.features << area;
    for (int i = 0; i < 4000; ++i) {
        const double x = e + 10 + (i % 80) * 14.8, y = n + 10 + (i / 80) * 19.6;
        PlanFeature plot;
        plot.role = PlanRole::Bauplatz;
        plot.kind = 2;
        plot.fid = i;
        plot.parts = {{{x, y},
                       {x + 6, y},
                       {x + 12, y},
                       {x + 12, y + 8},
                       {x + 12, y + 16},
                       {x + 6, y + 16},
                       {x, y + 16},
                       {x, y + 8},
                       {x, y}}};
        plan.features << plot;
    }
    for (int i = 0; i < 900; ++i) {
        PlanFeature line;
        line.role = PlanRole::Leitung;
        line.kind = 1;
        line.fid = i;
        const double y = n + 5 + (i % 50) * 19.6;
        const double x = e + (i / 50) * 66;
        line.parts = {{{x, y}, {x + 22, y + 0.5}, {x + 44, y}, {x + 66, y + 0.5}}};
        plan.features << line;
    }
    for (int i = 0; i < 99; ++i) {
        PlanFeature green;
        green.role = PlanRole::Gruenflaeche;
        green.kind = 2;
        const double x = e + (i % 11) * 108, y = n + (i / 11) * 110;
        green.parts = {rectangle(x, y, x + 9, y + 9)};
        plan.features << green;
    }
    plan.extent = QRectF(e, n, 1200, 1000);
    return plan;
}

struct Figures {
    double median = 0;
    double slowest = 0;
};

Figures measure(int frames, PlanView& view, const std::function<void(int)>& move) {
    QList<double> times;
    for (int frame = 0; frame <= frames; ++frame) {
        move(frame);
        QElapsedTimer timer;
        timer.start();
        const QPixmap picture = view.viewport()->grab();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (frame > 0 && !picture.isNull())
            times << ms;
    }
    std::sort(times.begin(), times.end());
    return {times.value(times.size() / 2), times.isEmpty() ? 0 : times.last()};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    PlanView view;
    view.resize(1000, 680);
    view.show();
    QElapsedTimer build;
    build.start();
    view.setPlan(bigPlan());
    std::printf("plan of %lld features set into the view: %.1f ms\n",
                static_cast<long long>(view.plan().features.size()), build.nsecsElapsed() / 1e6);
    const QPointF centre = view.mapToScene(view.viewport()->rect().center());
    const auto pan = [&view, centre](double step) {
        return [&view, centre, step](int frame) {
            view.centerOn(centre + QPointF((frame % 10) * step, (frame % 7) * step));
        };
    };
    std::printf("%-32s %10s %10s\n", "view", "median", "slowest");
    const auto report = [](const char* name, Figures f) {
        std::printf("%-32s %7.1f ms %7.1f ms\n", name, f.median, f.slowest);
    };
    report("whole plan", measure(frames, view, [](int) {}));
    view.zoomBy(4);
    report("zoomed in x4, panning", measure(frames, view, pan(15)));
    view.zoomBy(4);
    report("zoomed in x16, panning", measure(frames, view, pan(4)));
    view.fitPlan();
    view.zoomBy(0.25);
    report("zoomed out x4", measure(frames, view, [](int) {}));
    return 0;
}
