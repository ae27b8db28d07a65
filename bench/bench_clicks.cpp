// Speed after a click in the real main window, offscreen, on the example project of a new user
// database: each figure runs from the click until the event loop has nothing left to do (every
// posted event, layout and repaint of the visible page handled).
//   - "Berechnen" (F9) with an input page shown and with each result page shown;
//   - switching from an input page to each result tab;
//   - the report preview ("Bericht..." → "Vorschau und Drucken...") until its pages are drawn.
// Prints the median, fastest and slowest of the runs after one warm-up.
//   bench_clicks [RUNS]     (default 15)

#include <algorithm>
#include <cstdio>
#include <functional>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "core/data/NumberFormat.h"
#include "core/services/ExampleProject.h"
#include "core/projects/InputTables.h"
#include "gui/mainwindow/MainWindow.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// Handles events until none is left (a timer due later, such as a cursor blink, does not count).
void drainEvents() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int round = 0; round < 10000; ++round) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            return;
    }
}

struct Figures {
    double median = 0;
    double fastest = 0;
    double slowest = 0;
};

// prepare (not timed), then action until the event loop is idle; runs + 1 times, the first is warm-up.
Figures measure(int runs, const std::function<void()>& prepare, const std::function<void()>& action) {
    QList<double> times;
    for (int run = 0; run <= runs; ++run) {
        prepare();
        drainEvents();
        QElapsedTimer timer;
        timer.start();
        action();
        drainEvents();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (run > 0)
            times << ms;
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.first(), times.last()};
}

void print(const char* what, const Figures& f) {
    std::printf("%-48s median %8.1f ms  fastest %8.1f ms  slowest %8.1f ms\n", what, f.median, f.fastest,
                f.slowest);
    std::fflush(stdout);
}

// Opens the report preview through the menu of "Bericht..."; the preview's own event loop runs until
// its pages are drawn and the loop is idle, then the preview is closed.
void openReportPreview(MainWindow& window) {
    QMenu* menu = window.button(QStringLiteral("btBericht"))->menu();
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!preview || !preview->isVisible())
            return;
        poll->stop();
        drainEvents();
        preview->reject();
        poll->deleteLater();
    });
    poll->start(0);
    menu->actions().first()->trigger();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    NumberFormat::install();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 15;

    TestDb db;
    const int id = ExampleProject::create(db.dbs());
    MainWindow window(db.dbs());
    window.setProjectId(id);
    window.resize(1280, 780);
    window.show();
    drainEvents();
    QPushButton* calculate = window.button(QStringLiteral("btBerechnen"));
    QTabWidget* pages = window.pages();
    const int firstResultPage = static_cast<int>(InputTables::inputPages().size());
    std::printf("bench_clicks: example project %d, %d runs, window %dx%d, platform %s\n", id, runs,
                window.width(), window.height(), qPrintable(QGuiApplication::platformName()));

    const auto showPage = [pages](int index) { return [pages, index] { pages->setCurrentIndex(index); }; };
    const auto click = [calculate] { calculate->click(); };
    print("Berechnen, Eingabeseite 1 sichtbar", measure(runs, showPage(0), click));
    for (int page = firstResultPage; page < pages->count(); ++page) {
        const QByteArray what = QStringLiteral("Berechnen, %1 sichtbar").arg(pages->tabText(page)).toUtf8();
        print(what.constData(), measure(runs, showPage(page), click));
    }
    for (int page = firstResultPage; page < pages->count(); ++page) {
        const QByteArray what = QStringLiteral("Wechsel auf %1").arg(pages->tabText(page)).toUtf8();
        print(what.constData(), measure(runs, showPage(0), showPage(page)));
    }
    print("Bericht-Vorschau", measure(
                                  std::max(3, runs / 3), [] {}, [&window] { openReportPreview(window); }));
    return 0;
}
