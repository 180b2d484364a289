// orvel-screenshot BASE TARGET OUT.png: starts the desktop program with the two
// folders in the condition bar, runs a list creation, selects one line and
// saves a picture of the main window. Used by scripts/screenshot.sh under Xvfb.
#include "folder_pair_window.h"
#include "ui/application_identity.h"
#include "ui/main_frame.h"
#include "ui/orvel_app.h"
#include "ui/orvel_view.h"
#include "ui/result_model.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: orvel-screenshot BASE TARGET OUT.png\n", stderr);
    return 2;
  }
  QApplication app(argc, argv);
  orvel::ui::SetApplicationIdentity();
  orvel::ui::QtUserDialogs dialogs;
  orvel::ui::COrvelApp orvel(dialogs);
  orvel.InitInstance({});
  orvel::ui::CMainFrame& frame = *orvel.MainFrame();
  frame.resize(880, 430);
  // Wide enough for whole dates and paths, as a user would drag them.
  frame.View().ApplyColumnWidths(QStringLiteral("130:140:46:140:330"));
  orvel::tools::ShowFolderPair(frame, argv[1], argv[2]);
  const QString out = QString::fromLocal8Bit(argv[3]);
  int status = 1;
  QTimer::singleShot(200, &frame, [&] {
    frame.View().ListCreation();
    frame.View().setCurrentIndex(frame.View().model()->index(1, 0));
    QTimer::singleShot(300, &frame, [&] {
      status = frame.grab().save(out) ? 0 : 1;
      QApplication::quit();
    });
  });
  app.exec();
  return status;
}
