#pragma once

#include <functional>

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace tavo {

// The two database connections of a running program: the master database with the reference data
// (opened read-only) and the user database with the projects and results. Created once at start by
// the object that owns the selection window; every window and the engine reach them through it.
class Databases {
public:
    static const QString MasterFileName; // "TAVO_Master.db"
    static const QString UserFileName;   // "TAVO_User.db"

    // The folder of the running executable, where both databases live. A helper program installed
    // in a private folder sets the folder of the program it works for instead.
    static QString programDir();
    static void setProgramDir(const QString& dir);

    // Opens both files beside the executable.
    static Databases openBesideProgram();

    // What the program means to do with the user database.
    enum class Access {
        Write,          // calculate, save, copy into it: a file the planner may not write is refused
        Read,           // only read (the reading commands): a read-only connection, nothing written
        WriteIfAllowed, // the windows: writable when the file is, else read-only with a notice
    };

    // Opens the two given files. A missing or unreadable file throws TavoError with a German message
    // naming its full path; nothing is ever created. A user database that is not a complete TAVO user
    // database is refused before anything is written to it. Opened for writing, an older one is
    // upgraded to the current schema (missing project columns added); opened read-only, an older one
    // is refused, since it cannot be brought up to date.
    Databases(const QString& masterPath, const QString& userPath, Access access = Access::Write);
    ~Databases();
    Databases(Databases&& other) noexcept;
    Databases& operator=(Databases&&) = delete;
    Databases(const Databases&) = delete;
    Databases& operator=(const Databases&) = delete;

    // True when location names a database on a PostgreSQL server ("postgresql://…") rather than a file.
    static bool isServerLocation(const QString& location);
    bool isServer() const { return isServerLocation(m_userPath); }

    // True when the user database was opened read-only: every write is refused.
    bool isReadOnly() const { return m_readOnly; }

    // What the planner should know about the user database, found while opening it: a stored query that
    // is not used, a connection with more rights than needed, a file opened read-only. Each was handed
    // to the notice handler once.
    QStringList notices() const { return m_notices; }

    // Receives every notice of a database opened from here on (tavo-cli prints it on stderr). Without
    // one the notices are only kept.
    static void setNoticeHandler(std::function<void(const QString&)> handler);

    QSqlDatabase master() const;
    QSqlDatabase user() const;

    QString masterPath() const { return m_masterPath; }
    // The user database: a file's full path or a server's address.
    QString userPath() const { return m_userPath; }

    // Creates a new, empty user database with the full current schema at path, readable and writable
    // by its owner only (0600). Throws if the file exists.
    // For a server address the (empty) database gets the tables; throws if it holds them already.
    static void createUserDatabase(const QString& path);

    // Takes back what createUserDatabase made when filling it failed: the file, or the server's tables.
    static void removeNewUserDatabase(const QString& location);

private:
    void openServer(const QString& location, Access access);
    void openUserFile(Access access);
    void addNotice(const QString& text);

    QString m_masterPath;
    QString m_userPath;
    QString m_masterName;
    QString m_userName;
    bool m_readOnly = false;
    QStringList m_notices;
};

} // namespace tavo
