// orvel-ui-bench BASE TARGET: the desktop program's list creation over two
// trees (subfolders on, identical files shown), timed from inside the program.
// Prints one JSON object: rows, seconds of the list creation, the longest time
// between two turns of the event loop during it, the seconds of a sort by each
// column, and the process's peak resident memory. Run it offscreen with
// settings in a temp folder (bench/run.py does).
#include "folder_pair_window.h"
#include "ui/application_identity.h"
#include "ui/command_ids.h"
#include "ui/command_table.h"
#include "ui/main_frame.h"
#include "ui/orvel_app.h"
#include "ui/orvel_view.h"
#include "ui/progress_dialog.h"
#include "ui/result_model.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QHeaderView>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A line of /proc/self/status in KiB ("VmRSS:", "RssAnon:", "RssFile:").
long StatusKib(const char* field) {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, field, std::strlen(field)) == 0) {
      kib = std::strtol(line + std::strlen(field), nullptr, 10);
      break;
    }
  }
  std::fclose(status);
  return kib;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: orvel-ui-bench BASE TARGET\n", stderr);
    return 2;
  }
  QApplication app(argc, argv);
  orvel::ui::SetApplicationIdentity();
  orvel::ui::QtUserDialogs dialogs;
  orvel::ui::COrvelApp orvel(dialogs);
  orvel.InitInstance({});
  orvel::ui::CMainFrame& frame = *orvel.MainFrame();
  orvel::ui::COrvelView& view = frame.View();
  frame.resize(1000, 700);
  QCoreApplication::processEvents();

  orvel::tools::ShowFolderPair(frame, argv[1], argv[2]);

  auto start = std::chrono::steady_clock::now();
  frame.Commands().Execute(orvel::ui::cmd::kListCreation);
  QCoreApplication::processEvents();  // the list paints its first screen
  const double listSeconds = Since(start);
  const long long gapMs = view.Progress().LongestGap().count();
  const int rows = view.Results().ItemCount();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  const long listPeakKib = usage.ru_maxrss;
  const long listResidentKib = StatusKib("VmRSS:");

  std::string sorts;
  for (int column = 0; column < 5; ++column) {
    start = std::chrono::steady_clock::now();
    Q_EMIT view.header()->sectionClicked(column);
    view.viewport()->repaint();
    sorts += (column ? ", " : "") + std::to_string(Since(start));
  }

  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "{\"rows\": %d, \"list_s\": %.3f, \"longest_gap_ms\": %lld, \"sort_s\": [%s], \"list_peak_rss_kib\": %ld, "
      "\"list_rss_kib\": %ld, \"peak_rss_kib\": %ld, \"rss_kib\": %ld, "
      "\"rss_anon_kib\": %ld, \"rss_file_kib\": %ld}\n",
      rows, listSeconds, gapMs, sorts.c_str(), listPeakKib, listResidentKib, usage.ru_maxrss, StatusKib("VmRSS:"),
      StatusKib("RssAnon:"), StatusKib("RssFile:"));
  frame.close();
  return rows > 0 ? 0 : 1;
}
