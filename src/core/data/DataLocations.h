#pragma once

#include <functional>

#include <QString>

#include "core/data/Databases.h"

namespace tavo {

// Where a running program finds its files. A database beside the executable wins, so a portable
// copy (one folder holding the program and both databases) keeps working wherever it lies. An
// installed program has nothing beside it: the master database and the manual come from the
// installed share folder, found relative to the executable so that any installation prefix works,
// and the user database from the user's own data folder, created there on the first start.
class DataLocations {
public:
    // What open() does with a user database it has just created in the user data folder before it
    // hands it out; the programs put their calculated example project there (ExampleProject). A
    // TavoError of the step does not stop the open: the new file is usable without it. Nothing by
    // default; one step for the whole process, like Databases::setNoticeHandler.
    using NewUserDatabaseStep = std::function<void(const Databases&)>;
    static void setNewUserDatabaseStep(NewUserDatabaseStep step);

    // The share folder relative to the program folder ("../share/tavo" for a usual installation).
    static const QString InstalledDataRelative;
    static const QString ManualFileName; // "TAVO_Handbuch.pdf"
    // The settings entry naming the user database when no --user is given: a file or a server's
    // address ("postgresql://planer@server/tavo"), in ~/.config/TAVO/TAVO.conf.
    static const QString UserDatabaseSetting;

    // That entry's value, empty when there is none.
    static QString configuredUserDatabase();

    // programDir: the folder of the executable; userDataDir: the user's data folder for the program.
    DataLocations(const QString& programDir, const QString& userDataDir);

    // The running program's folder and QStandardPaths::AppDataLocation: ~/.local/share/TAVO on
    // Linux, %APPDATA%\TAVO on Windows, given the names setApplicationIdentity() sets.
    static DataLocations ofRunningProgram();

    // Names the application "TAVO" without an organisation; the user data folder is named after it.
    // Both programs call it right after creating their application object.
    static void setApplicationIdentity();

    QString programDir() const { return m_programDir; }
    QString installedDataDir() const;
    QString userDataDir() const { return m_userDataDir; }

    // The master database and the manual: beside the program, else in the installed share folder.
    // When neither exists the path beside the program is returned, so a message names that one.
    // A master the planner imported (tavo-cli stammdaten import, the window's import wizard) lies in
    // the user data folder under ImportedMasterFileName and wins over the shipped example master.
    QString masterPath() const;
    QString manualPath() const;

    // The imported master's place in the user data folder, whether or not it exists.
    static const QString ImportedMasterFileName; // "TAVO_Master_Import.db"
    QString importedMasterPath() const;
    // The shipped master alone, ignoring an imported one.
    QString shippedMasterPath() const;

    // The user database: beside the program when one lies there, else in the user data folder.
    QString userPath() const;
    bool userBesideProgram() const;

    // Opens both databases. A non-empty override is used as it is given and never created. Without
    // one the lookup above applies, and a missing user database in the user data folder is created
    // first (with its folder, which only its owner may open), just as `tavo-cli init` creates one; that
    // happens only when the master database is there, so a program without its master database leaves nothing
    // behind. access: what the program means to do with the user database (Databases::Access).
    Databases open(const QString& masterOverride = QString(), const QString& userOverride = QString(),
                   Databases::Access access = Databases::Access::Write) const;

private:
    QString sharedFile(const QString& name) const;

    QString m_programDir;
    QString m_userDataDir;
};

} // namespace tavo
