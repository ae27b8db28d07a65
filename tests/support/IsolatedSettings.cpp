// Linked into every test program: what the windows remember (QSettings) goes to a folder of this
// test run, never to the settings of the user running the tests. It is set up when the application
// object is created, before any window reads a setting.

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

namespace tavo {

namespace {

void isolateSettings() {
    static QTemporaryDir settingsDir;
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, settingsDir.path());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(isolateSettings)

} // namespace tavo
