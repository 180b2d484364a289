// The main of the desktop program's tests: an offscreen QApplication whose
// settings live in a temp folder, then every test of the program.
#include "ui/application_identity.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir settingsDir;
  // Nothing a test does may reach the user's own settings or trash.
  qputenv("XDG_CONFIG_HOME", settingsDir.path().toUtf8());
  qputenv("XDG_DATA_HOME", (settingsDir.path() + "/data").toUtf8());
  // Nor the user's session bus: a test that needs a bus starts its own.
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvel-test-bus");
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
  QApplication app(argc, argv);
  orvel::ui::SetApplicationIdentity();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
