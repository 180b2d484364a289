// The main of the desktop program's tests: an offscreen QApplication whose
// settings live in a temp folder, then every test of the program.
#include "support/user_folders.h"
#include "ui/startup/application_identity.h"

#include <QApplication>
#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Sets the variables of "--env=NAME=VALUE" arguments and removes them, before
// Qt or the tests read either.
void TakeEnvironmentArguments(int& argc, char** argv) {
  constexpr std::string_view kPrefix = "--env=";
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const std::size_t equals = argument.find('=', kPrefix.size());
    if (argument.starts_with(kPrefix) && equals != std::string_view::npos) {
      const std::string name(argument.substr(kPrefix.size(), equals - kPrefix.size()));
      ::setenv(name.c_str(), argv[i] + equals + 1, 1);
    } else {
      argv[kept++] = argv[i];
    }
  }
  argv[kept] = nullptr;
  argc = kept;
}

}  // namespace

int main(int argc, char** argv) {
  TakeEnvironmentArguments(argc, argv);
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
