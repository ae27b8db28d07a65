#pragma once

#include <QSqlDatabase>
#include <QString>

// The two database connections of a running program: the master database with the reference data
// (opened read-only) and the user database with the projects and results. Created once at start by
// the object that owns the selection window; every window and the engine reach them through it.
class Databases {
public:
    static const QString MasterFileName; // "TAVO_Master.db"
    static const QString UserFileName;   // "TAVO_User.db"

    // The folder of the running executable, where both databases live.
    static QString programDir();

    // Opens both files beside the executable.
    static Databases openBesideProgram();

    // Opens the two given files. A missing or unreadable file throws TavoError with a German message
    // naming its full path; nothing is ever created. The user database is upgraded to the current
    // schema (missing project columns added).
    Databases(const QString& masterPath, const QString& userPath);
    ~Databases();
    Databases(Databases&& other) noexcept;
    Databases& operator=(Databases&&) = delete;
    Databases(const Databases&) = delete;
    Databases& operator=(const Databases&) = delete;

    // True when location names a database on a PostgreSQL server ("postgresql://…") rather than a file.
    static bool isServerLocation(const QString& location);
    bool isServer() const { return isServerLocation(m_userPath); }

    QSqlDatabase master() const;
    QSqlDatabase user() const;

    QString masterPath() const { return m_masterPath; }
    // The user database: a file's full path or a server's address.
    QString userPath() const { return m_userPath; }

    // Creates a new, empty user database with the full current schema at path. Throws if the file exists.
    // For a server address the (empty) database gets the tables; throws if it holds them already.
    static void createUserDatabase(const QString& path);

    // Takes back what createUserDatabase made when filling it failed: the file, or the server's tables.
    static void removeNewUserDatabase(const QString& location);

private:
    QString m_masterPath;
    QString m_userPath;
    QString m_masterName;
    QString m_userName;
};
