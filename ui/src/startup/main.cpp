// orvel: the desktop program.
#include "ui/startup/application_icon.h"
#include "ui/startup/application_identity.h"
#include "ui/startup/orvel_app.h"
#include "ui/main_window/main_frame.h"
#include "ui/dialogs/askpass_dialog.h"
#include "ui/dialogs/user_dialogs.h"
#include "ui/startup/language.h"
#include "ui/startup/own_askpass.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: orvel [FILE.ORV] [-R] [-X] [--lang en]\n"
    "Keeps pairs of folder trees in step.\n"
    "\n"
    "  FILE.ORV  condition file to load at start-up\n"
    "  -R        start the sync run as soon as the window is up (no confirmation)\n"
    "  -X        with -R: close the program when the sync run ends\n"
    "  --lang en show the program in English (also ORVEL_LANG=en, or Language=en\n"
    "            under [Settings] in the settings file); Japanese otherwise\n"
    "  --help    show this help\n"
    "  --version show the version\n"
    "\n"
    "The switches may also be written /R and /X, in any case.\n"
    "For a run without a window see orvel-cli.\n";

// Started by ssh as its askpass: one dialog, the answer on standard output.
int AskpassMain(int argc, char** argv) {
  QApplication app(argc, argv);
  orvel::ui::SetApplicationIdentity();
  QApplication::setWindowIcon(orvel::ui::ApplicationIcon());
  const orvel::ui::Translations translations(orvel::ui::LanguageAskedFor(QString()));
  orvel::ui::QtUserDialogs dialogs;
  const char* hint = std::getenv("SSH_ASKPASS_PROMPT");
  return orvel::ui::RunAskpass(QString::fromLocal8Bit(argv[1]), hint ? QString::fromLocal8Bit(hint) : QString(), dialogs,
                               stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (orvel::ui::IsAskpassCall(argc, std::getenv(orvel::ui::kAskpassMarker))) return AskpassMain(argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("orvel %s\n", ORVEL_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  // ssh asks for passwords, passphrases and unknown host keys through this
  // program's own dialog, not on a terminal the user may not be looking at.
  orvel::ui::UseOwnAskpass(QCoreApplication::applicationFilePath().toStdString());
  orvel::ui::SetApplicationIdentity();
  QApplication::setWindowIcon(orvel::ui::ApplicationIcon());
  // Lets the desktop match the window to orvel.desktop and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("orvel"));

  orvel::ui::QtUserDialogs dialogs;
  orvel::ui::COrvelApp orvel(dialogs);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  orvel.InitInstance(arguments);
  dialogs.SetOwner(orvel.MainFrame());
  // Run from cron or a session that ends: a kill still saves the settings and
  // ends a run as Cancel does.
  orvel.CloseOnTerminationSignals();
  return app.exec();
}
