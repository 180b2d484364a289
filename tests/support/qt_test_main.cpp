// The main of the desktop program's tests: an offscreen QApplication whose
// settings live in a temp folder, then every test of the program.
#include "support/user_folders.h"
#include "ui/application_identity.h"

#include <QApplication>
#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Nothing a test does may reach the user's own settings, trash or caches.
  const orvel::test::PrivateUserFolders userFolders;
  const QString settingsDir = QString::fromStdString(userFolders.Config());
  // Nor the user's session bus: a test that needs a bus starts its own.
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvel-test-bus");
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir);
  QApplication app(argc, argv);
  orvel::ui::SetApplicationIdentity();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
