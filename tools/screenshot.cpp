// orvel-screenshot [--lang en] [--options] BASE TARGET OUT.png: starts the
// desktop program with the two folders in the condition bar, runs a list
// creation, selects one line and saves a picture of the main window; with
// --options, a picture of the options sheet instead, its three pages side by
// side. Used by scripts/screenshot.sh under Xvfb.
#include "folder_pair_window.h"
#include "ui/startup/application_identity.h"
#include "ui/main_window/main_frame.h"
#include "ui/dialogs/options_sheet.h"
#include "ui/startup/orvel_app.h"
#include "ui/result_list/orvel_view.h"
#include "ui/result_list/result_model.h"
#include "ui/dialogs/user_dialogs.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The sheet with each page shown in turn, the pictures side by side.
QPixmap OptionsPicture(orvel::ui::CMainFrame& frame, orvel::ui::IUserDialogs& dialogs) {
  orvel::ui::COptionsSheet sheet(dialogs, &frame);
  sheet.Values() = frame.View().State().Working();
  sheet.Begin();
  sheet.show();
  std::vector<QPixmap> pages;
  for (int page = 0; page < sheet.Tabs()->count(); ++page) {
    sheet.Tabs()->setCurrentIndex(page);
    QCoreApplication::processEvents();
    pages.push_back(sheet.grab());
  }
  constexpr int kGap = 12;
  QSize size(0, 0);
  for (const QPixmap& page : pages) size = QSize(size.width() + page.width() + kGap, std::max(size.height(), page.height()));
  QPixmap all(size.width() - kGap, size.height());
  all.fill(frame.palette().color(QPalette::Window).darker(115));
  QPainter painter(&all);
  int x = 0;
  for (const QPixmap& page : pages) {
    painter.drawPixmap(x, 0, page);
    x += page.width() + kGap;
  }
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  QStringList appArguments;
  bool options = false;
  for (qsizetype i = 0; i < arguments.size();) {
    if (arguments[i] == QLatin1String("--lang") && i + 1 < arguments.size()) {
      appArguments << arguments[i] << arguments[i + 1];
      arguments.remove(i, 2);
    } else if (arguments[i] == QLatin1String("--options")) {
      options = true;
      arguments.remove(i);
    } else {
      ++i;
    }
  }
  if (arguments.size() != 3) {
    std::fputs("usage: orvel-screenshot [--lang en] [--options] BASE TARGET OUT.png\n", stderr);
    return 2;
  }
  orvel::ui::SetApplicationIdentity();
  orvel::ui::QtUserDialogs dialogs;
  orvel::ui::COrvelApp orvel(dialogs);
  orvel.InitInstance(appArguments);
  orvel::ui::CMainFrame& frame = *orvel.MainFrame();
  dialogs.SetOwner(&frame);
  // Room for a few lines rather than the first start's 25.
  frame.resize(1000, 500);
  const QByteArray base = arguments[0].toLocal8Bit(), target = arguments[1].toLocal8Bit();
  orvel::tools::ShowFolderPair(frame, base.constData(), target.constData());
  const QString out = arguments[2];
  int status = 1;
  QTimer::singleShot(200, &frame, [&] {
    frame.View().ListCreation();
    frame.View().setCurrentIndex(frame.View().model()->index(1, 0));
    QTimer::singleShot(300, &frame, [&] {
      const QPixmap picture = options ? OptionsPicture(frame, dialogs) : frame.grab();
      status = picture.save(out) ? 0 : 1;
      QApplication::quit();
    });
  });
  app.exec();
  return status;
}
