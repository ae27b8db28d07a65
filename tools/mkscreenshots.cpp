// Renders the pictures of the manual from the program itself:
//   tavo-screenshots <TAVO_Master.db> <folder> [<TAVO_User.db to keep>]
// Runs at build time on the offscreen platform. A demo project is created and calculated in a
// temporary user database (or the first calculated project of a new user database is taken, when
// the database comes with one); the selection window, an input page and both result pages are
// grabbed at the size the program takes on a 1280 x 800 screen and written as PNG files.

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/services/CalculationRun.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/ProjectRecords.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/projects/ProjectListWindow.h"

using namespace tavo;

namespace {

// The demo: a building area of 2.4 ha with houses, row houses and a block of flats; the rates are
// the defaults of the value lists, the settlement pace the preset "mit Mobilisierung".
struct DemoValue {
    const char* column;
    QVariant value;
};

const DemoValue kDemoValues[] = {
    {"Beschreibung", QStringLiteral("Am Sonnenhang")},
    {"Projekt", QStringLiteral("Sonnenhang")},
    {"bgFlBaulandBrutto", 24000},
    {"bgAntGrünflächen", 10},
    {"bgFlGrünflächen", 2400},
    {"bgAntVerkehrsflächen", 15},
    {"bgFlVerkehrsflächen", 3600},
    {"bgFlBaulandNetto", 18000},
    {"ifLfmWasserleitung", 960},
    {"ifLfmKanalTrennsystem", 960},
    {"ifLfmStraßenbeleuchtung", 960},
    {"ifLfmStromleitung", 960},
    {"ifLfmDatenleitung", 960},
    {"ifFlAnschlStraße", 850},
    {"ifLfmAnschlWasserleitung", 100},
    {"ifLfmAnschlKanalTrennsystem", 100},
    {"ifLfmAnschlStraßenbeleuchtung", 100},
    {"ifLfmAnschlStromleitung", 100},
    {"ifLfmAnschlDatenleitung", 100},
    {"ifOberflächeInJahr", 3},
    {"ifAnschlOberflächeInJahr", 2},
};

struct DemoBuilding {
    const char* type;
    const char* bauklasse;
    int anteil;
};

const DemoBuilding kDemoBuildings[] = {
    {"EFHg", "I", 40}, {"EFHk", "I", 20}, {"RHg", "II", 20}, {"GWB", "III", 20}};

// A calculated project of the database, or 0.
int calculatedProject(const Databases& dbs) {
    return Sql::scalar(dbs.user(), QStringLiteral("SELECT min(TAVO) FROM Auswertung")).toInt();
}

// The municipality of the demo: the first one with a population forecast.
int demoMunicipality(const Databases& dbs) {
    return Sql::scalar(dbs.master(), QStringLiteral("SELECT min(ID) FROM PG")).toInt();
}

int createDemo(ProjectListWindow& list) {
    Databases& dbs = list.databases();
    const int id = createProject(dbs, demoMunicipality(dbs));
    MainWindow* window = list.acquireMainWindow();
    window->setProjectId(id);
    window->show();
    window->editProjectRow();
    window->setDefaults();
    for (const DemoValue& v : kDemoValues)
        window->record().setValue(QString::fromUtf8(v.column), v.value);
    window->postProjectRow();
    for (const DemoBuilding& b : kDemoBuildings)
        Sql::exec(
            dbs.user(),
            QStringLiteral("INSERT INTO Bebauung (TAVO, bbTyp, bbBauklasse, bbAnteil) VALUES (?, ?, ?, ?)"),
            {id, QString::fromUtf8(b.type), QString::fromUtf8(b.bauklasse), b.anteil});
    runCalculation(dbs, id);
    window->close();
    return id;
}

bool save(QWidget* widget, const QDir& folder, const char* name) {
    QApplication::processEvents();
    const QString path = folder.filePath(QString::fromUtf8(name));
    if (widget->grab().save(path))
        return true;
    std::fprintf(stderr, "Das Bild kann nicht geschrieben werden: %s\n", qPrintable(path));
    return false;
}

int grabAll(const QString& masterPath, const QDir& folder, QString userPath) {
    QTemporaryDir work;
    if (userPath.isEmpty())
        userPath = QDir(work.path()).filePath(Databases::UserFileName);
    if (!QFileInfo::exists(userPath))
        Databases::createUserDatabase(userPath);
    ProjectListWindow list(std::make_unique<Databases>(masterPath, userPath));
    int id = calculatedProject(list.databases());
    if (id <= 0)
        id = createDemo(list);
    list.refreshList();
    list.show();
    list.selectProject(id);
    bool ok = save(&list, folder, "auswahl.png");

    MainWindow* window = list.acquireMainWindow();
    window->setProjectId(id);
    window->show();
    window->resize(window->preferredSize(QRect(0, 0, 1280, 800)));
    // Pages by their tab titles, so that added pages do not shift the pictures.
    const std::pair<const char*, const char*> pages[] = {{"Baugebiet/Bebauung", "eingabe.png"},
                                                         {"Auswertung Finanz", "finanz.png"},
                                                         {"Auswertung Bevölk.", "bevoelkerung.png"},
                                                         {"Kennzahlen", "kennzahlen.png"}};
    for (const auto& [title, name] : pages) {
        QTabWidget* tabs = window->pages();
        int page = 0;
        while (page < tabs->count() && tabs->tabText(page) != QString::fromUtf8(title))
            ++page;
        if (page == tabs->count()) {
            std::fprintf(stderr, "Keine Seite „%s“ im Bearbeitungsfenster\n", title);
            ok = false;
            continue;
        }
        tabs->setCurrentIndex(page);
        ok = save(window, folder, name) && ok;
    }
    window->close();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "Aufruf: tavo-screenshots <TAVO_Master.db> <Ordner> [<TAVO_User.db>]\n");
        return 2;
    }
    // The pictures belong to the manual, a document: numbers in Austrian German on every build machine.
    QLocale::setDefault(NumberFormat::documentLocale());
    // Nothing the user's own program remembered (window places, filters) changes the pictures.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, settingsDir.path());
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "Der Ordner kann nicht angelegt werden: %s\n", argv[2]);
        return 1;
    }
    try {
        return grabAll(QString::fromLocal8Bit(argv[1]), folder,
                       argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString());
    } catch (const TavoError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
}
