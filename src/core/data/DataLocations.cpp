#include "core/data/DataLocations.h"

#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "core/data/Databases.h"
#include "core/data/TavoError.h"

#ifndef TAVO_INSTALLED_DATA_RELATIVE
#define TAVO_INSTALLED_DATA_RELATIVE "../share/tavo"
#endif

namespace tavo {

namespace {

// Creates the folder (and the folders above it) unless it exists; the folder itself is open to its
// owner only (0700), as it holds the user database with every project of its planner.
bool makePrivateFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    return QDir().mkpath(info.absolutePath()) &&
           QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

DataLocations::NewUserDatabaseStep& newUserDatabaseStep() {
    static DataLocations::NewUserDatabaseStep step;
    return step;
}

} // namespace

void DataLocations::setNewUserDatabaseStep(NewUserDatabaseStep step) {
    newUserDatabaseStep() = std::move(step);
}

const QString DataLocations::InstalledDataRelative = QStringLiteral(TAVO_INSTALLED_DATA_RELATIVE);
const QString DataLocations::UserDatabaseSetting = QStringLiteral("Datenbank/Benutzerdatenbank");
const QString DataLocations::ManualFileName = QStringLiteral("TAVO_Handbuch.pdf");

DataLocations::DataLocations(const QString& programDir, const QString& userDataDir)
    : m_programDir(QDir::cleanPath(QFileInfo(programDir).absoluteFilePath())),
      m_userDataDir(userDataDir.isEmpty() ? QString()
                                          : QDir::cleanPath(QFileInfo(userDataDir).absoluteFilePath())) {}

DataLocations DataLocations::ofRunningProgram() {
    return DataLocations(Databases::programDir(),
                         QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void DataLocations::setApplicationIdentity() {
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setOrganizationDomain(QString());
    QCoreApplication::setApplicationName(QStringLiteral("TAVO"));
}

QString DataLocations::installedDataDir() const {
    return QDir::cleanPath(QDir(m_programDir).filePath(InstalledDataRelative));
}

QString DataLocations::sharedFile(const QString& name) const {
    const QString beside = QDir(m_programDir).filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir(installedDataDir()).filePath(name);
    return QFileInfo::exists(installed) ? installed : beside;
}

const QString DataLocations::ImportedMasterFileName = QStringLiteral("TAVO_Master_Import.db");

QString DataLocations::importedMasterPath() const {
    return m_userDataDir.isEmpty() ? QString() : QDir(m_userDataDir).filePath(ImportedMasterFileName);
}

QString DataLocations::shippedMasterPath() const {
    return sharedFile(Databases::MasterFileName);
}

QString DataLocations::masterPath() const {
    const QString imported = importedMasterPath();
    return !imported.isEmpty() && QFileInfo::exists(imported) ? imported : shippedMasterPath();
}

QString DataLocations::manualPath() const {
    return sharedFile(ManualFileName);
}

bool DataLocations::userBesideProgram() const {
    return QFileInfo::exists(QDir(m_programDir).filePath(Databases::UserFileName)) || m_userDataDir.isEmpty();
}

QString DataLocations::userPath() const {
    return QDir(userBesideProgram() ? m_programDir : m_userDataDir).filePath(Databases::UserFileName);
}

QString DataLocations::configuredUserDatabase() {
    const QSettings settings(QStringLiteral("TAVO"), QStringLiteral("TAVO"));
    return settings.value(UserDatabaseSetting).toString().trimmed();
}

Databases DataLocations::open(const QString& masterOverride, const QString& userOverride,
                              Databases::Access access) const {
    const QString master = masterOverride.isEmpty() ? masterPath() : masterOverride;
    // A user database named in the settings (a shared server, say) counts as if given by --user.
    if (userOverride.isEmpty() && !configuredUserDatabase().isEmpty()) {
        try {
            return open(masterOverride, configuredUserDatabase(), access);
        } catch (const TavoError& e) {
            const QSettings settings(QStringLiteral("TAVO"), QStringLiteral("TAVO"));
            throw TavoError(QStringLiteral("%1\n\nDie Benutzerdatenbank ist in den Einstellungen „%2“ "
                                           "(Eintrag Benutzerdatenbank im Abschnitt [Datenbank]) angegeben.")
                                .arg(e.message(), QDir::toNativeSeparators(settings.fileName())));
        }
    }
    const QString user = userOverride.isEmpty() ? userPath() : userOverride;
    if (userOverride.isEmpty() && !userBesideProgram() && !QFileInfo::exists(user) &&
        QFileInfo::exists(master)) {
        if (!makePrivateFolder(m_userDataDir))
            throw TavoError(
                QStringLiteral("Der Ordner „%1“ für die Benutzerdatenbank kann nicht angelegt werden.")
                    .arg(QDir::toNativeSeparators(m_userDataDir)));
        Databases::createUserDatabase(user);
        // A first start shows what the program puts into a new file. A failure there must not stop
        // the start: the new file is usable without it.
        Databases dbs(master, user);
        if (newUserDatabaseStep()) {
            try {
                newUserDatabaseStep()(dbs);
            } catch (const TavoError&) {
            }
        }
        return dbs;
    }
    return Databases(master, user, access);
}

} // namespace tavo
