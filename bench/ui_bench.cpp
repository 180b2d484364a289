// orvel-ui-bench BASE TARGET: the desktop program's list creation over two
// trees (subfolders on, identical files shown), timed from inside the program.
// Prints one JSON object: rows, seconds of the list creation, the longest time
// between two turns of the event loop during it (as the progress dialog saw it,
// and as a 5 ms timer saw it, which also counts a turn that took long), the
// seconds of a sort by each column until the event loop is idle again with the
// memory it took on top, the milliseconds of a filter keystroke (a name typed
// letter by letter, a kind toggled, the filter cleared) until the list is idle,
// the milliseconds the plan of the list and the run's summary cost, and the
// process's resident memory. Run it offscreen with settings in a temp folder
// (bench/run.py does).
#include "folder_pair_window.h"
#include "ui/startup/application_identity.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/main_window/main_frame.h"
#include "ui/startup/orvel_app.h"
#include "ui/result_list/orvel_view.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/result_list/result_model.h"
#include "ui/startup/report_texts.h"
#include "ui/dialogs/user_dialogs.h"

#include <QApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
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

// Sets the process's peak resident memory (VmHWM) back to what is resident now.
void ResetPeak() {
  if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", refs);
    std::fclose(refs);
  }
}

// Lets the event loop run until nothing is waiting (a zero timer fires only
// after the events posted before it).
void UntilIdle() {
  for (int i = 0; i < 3; ++i) {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

// The longest time between two firings of a short timer: how long the event
// loop could not answer, whether it was not turned or a turn took that long.
class StallMeter {
 public:
  StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const auto now = std::chrono::steady_clock::now();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void Start() {
    last_ = std::chrono::steady_clock::now();
    timer_.start();
  }
  long long StopMs() {
    timer_.stop();
    longest_ = std::max(longest_, std::chrono::steady_clock::now() - last_);
    return std::chrono::duration_cast<std::chrono::milliseconds>(longest_).count();
  }

 private:
  QTimer timer_;
  std::chrono::steady_clock::time_point last_;
  std::chrono::steady_clock::duration longest_{};
};

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

  StallMeter stalls;
  stalls.Start();
  auto start = std::chrono::steady_clock::now();
  frame.Commands().Execute(orvel::ui::cmd::kListCreation);
  QCoreApplication::processEvents();  // the list paints its first screen
  const double listSeconds = Since(start);
  const long long stallMs = stalls.StopMs();
  const long long gapMs = view.Progress().LongestGap().count();
  const int rows = view.Results().ItemCount();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  const long listPeakKib = usage.ru_maxrss;
  const long listResidentKib = StatusKib("VmRSS:");

  UntilIdle();
  std::string sorts;
  std::string transients;
  // Resetting the high-water mark hides the list's peak from getrusage and
  // from the parent's wait4 alike: the whole run's peak is kept here.
  long peakKib = listPeakKib;
  for (int column = 0; column < 5; ++column) {
    const long before = StatusKib("VmRSS:");
    ResetPeak();
    start = std::chrono::steady_clock::now();
    Q_EMIT view.header()->sectionClicked(column);
    view.viewport()->repaint();
    UntilIdle();
    sorts += (column ? ", " : "") + std::to_string(Since(start));
    const long sortPeak = StatusKib("VmHWM:");
    peakKib = std::max(peakKib, sortPeak);
    transients += (column ? ", " : "") + std::to_string(sortPeak - before);
  }

  // A filter keystroke, from the key to an idle list with its first screen
  // painted: "f", "f0", "f00" (each narrowing the last), a name that matches
  // nothing, the failures and conflicts only, then every line again.
  std::string filters;
  const orvel::ui::ResultModel::Filter steps[] = {
      {0, QStringLiteral("f")},
      {0, QStringLiteral("f0")},
      {0, QStringLiteral("f00")},
      {0, QStringLiteral("写真 6")},
      {0, QStringLiteral("zzz")},
      {orvel::ui::ResultModel::kFailures | orvel::ui::ResultModel::kConflicts, QString()},
      {},
  };
  for (const auto& step : steps) {
    start = std::chrono::steady_clock::now();
    view.ApplyFilter(step);
    view.viewport()->repaint();
    UntilIdle();
    filters += (filters.empty() ? "" : ", ") + std::to_string(Since(start) * 1000);
  }

  // What the plan in the sync run's question and the summary after a run add
  // to a list creation: the plan of the whole list, both texts.
  start = std::chrono::steady_clock::now();
  const std::optional<orvel::engine::RunPlan> plan = view.Data().Plan();
  [[maybe_unused]] const QString planText = plan ? orvel::ui::PlanText(*plan) : QString();
  [[maybe_unused]] const QString summaryText = orvel::ui::SummaryText(view.Data().LastSummary());
  const double planMs = Since(start) * 1000;

  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "{\"rows\": %d, \"list_s\": %.3f, \"longest_gap_ms\": %lld, \"longest_stall_ms\": %lld, \"sort_s\": [%s], "
      "\"sort_transient_kib\": [%s], \"filter_ms\": [%s], \"plan_summary_ms\": %.3f, \"list_peak_rss_kib\": %ld, "
      "\"list_rss_kib\": %ld, \"peak_rss_kib\": %ld, \"rss_kib\": %ld, "
      "\"rss_anon_kib\": %ld, \"rss_file_kib\": %ld}\n",
      rows, listSeconds, gapMs, stallMs, sorts.c_str(), transients.c_str(), filters.c_str(),
      planMs, listPeakKib, listResidentKib,
      std::max(peakKib, static_cast<long>(usage.ru_maxrss)), StatusKib("VmRSS:"), StatusKib("RssAnon:"),
      StatusKib("RssFile:"));
  frame.close();
  return rows > 0 ? 0 : 1;
}
