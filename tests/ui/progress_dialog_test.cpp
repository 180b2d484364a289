#include "ui/dialogs/progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

namespace orvel::ui {
namespace {

using namespace std::chrono_literals;

// Long enough that the next SetBarPos or PollCancel turns the event loop.
void WaitForNextDrain() { std::this_thread::sleep_for(25ms); }

// The dialog's controls, found as a user's tools would find them: by name.
template <typename T>
T& Control(const CProgressDlg& dlg, const char* name) {
  T* control = dlg.findChild<T*>(QLatin1String(name));
  if (!control) throw std::runtime_error(std::string("no control ") + name);
  return *control;
}
QString Text(const CProgressDlg& dlg, const char* name) { return Control<QLabel>(dlg, name).text(); }
QString PercentText(const CProgressDlg& dlg) { return Text(dlg, "progressPercent"); }
QString StatusText(const CProgressDlg& dlg) { return Text(dlg, "progressStatus"); }
QString ConditionText(const CProgressDlg& dlg) { return Text(dlg, "progressCondition"); }
QString PathText(const CProgressDlg& dlg) { return Text(dlg, "progressPath"); }
QProgressBar& PercentBar(const CProgressDlg& dlg) { return Control<QProgressBar>(dlg, "progressBar"); }
QProgressBar& ConditionBar(const CProgressDlg& dlg) { return Control<QProgressBar>(dlg, "progressConditionBar"); }
QPushButton* Cancel(const CProgressDlg& dlg) { return &Control<QPushButton>(dlg, "progressCancel"); }

QString ShowPercentFor(CProgressDlg& dlg, int lower, int upper, int position) {
  dlg.SetBarRange(lower, upper);
  dlg.SetBarPos(position);
  return PercentText(dlg);
}

TEST(ProgressDialogTest, TemplateControlsInOrderWithTheirTexts) {
  CProgressDlg dlg(nullptr);
  ASSERT_TRUE(dlg.CreateModeless());
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("同期実行中..."));

  const char* order[] = {
      "progressConditionCaption", "progressCondition", "progressConditionBar", "progressStatus", "progressPath",
      "progressFigures",          "progressPercent",   "progressBar",          "progressCancel"};
  QList<QWidget*> children = dlg.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_EQ(children.size(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(children[i]->objectName(), QLatin1String(order[i])) << i;

  EXPECT_EQ(qobject_cast<QLabel*>(children[0])->text(), QStringLiteral("同期条件:"));
  EXPECT_EQ(PercentText(dlg), QStringLiteral(" 0 %"));
  EXPECT_EQ(StatusText(dlg), QString());
  EXPECT_EQ(Cancel(dlg)->text(), QStringLiteral("ｷｬﾝｾﾙ"));
  EXPECT_TRUE(Cancel(dlg)->isDefault());

  // Fixed size, every control inside it, none covering another.
  EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
  const QRect client(QPoint(0, 0), dlg.size());
  // (The figures' line shows only while a run's figures are watched.)
  EXPECT_TRUE(children[5]->isHidden());
  for (int i = 0; i < 9; ++i) {
    if (i == 5) continue;
    EXPECT_TRUE(client.contains(children[i]->geometry())) << i;
    for (int j = i + 1; j < 9; ++j) {
      if (j == 5) continue;
      EXPECT_FALSE(children[i]->geometry().intersects(children[j]->geometry())) << i << j;
    }
  }
  // The template puts the percentage above the percent bar and Cancel below it.
  EXPECT_LT(children[6]->geometry().bottom(), children[7]->geometry().top());
  EXPECT_LT(children[7]->geometry().bottom(), children[8]->geometry().top());

  // "100%" must not be clipped by the narrow percentage label.
  auto* percent = qobject_cast<QLabel*>(children[6]);
  EXPECT_GE(percent->contentsRect().width(), percent->fontMetrics().horizontalAdvance(QStringLiteral("100%")));

  CProgressDlg other(nullptr, QStringLiteral("外部ツール"));
  EXPECT_EQ(other.windowTitle(), QStringLiteral("外部ツール"));
}

TEST(ProgressDialogTest, PercentTexts) {
  CProgressDlg dlg(nullptr);
  dlg.CreateModeless();
  EXPECT_EQ(ShowPercentFor(dlg, 0, 100, 25), "25%");
  EXPECT_EQ(ShowPercentFor(dlg, 0, 100, 50), "50%");
  EXPECT_EQ(ShowPercentFor(dlg, 0, 100, 100), "100%");
  EXPECT_EQ(ShowPercentFor(dlg, 0, 3, 1), "33%");
  EXPECT_EQ(ShowPercentFor(dlg, 0, 3, 2), "66%");
  EXPECT_EQ(ShowPercentFor(dlg, 0, 3, 3), "100%");
  // Past the end the percentage wraps, except exactly 100.
  EXPECT_EQ(ShowPercentFor(dlg, 0, 100, 150), "50%");
  EXPECT_EQ(ShowPercentFor(dlg, 10, 20, 15), "50%");
  // An empty range shows 0% instead of dividing by zero.
  EXPECT_EQ(ShowPercentFor(dlg, 7, 7, 7), "0%");
  // Large ranges (a selection of millions of items) must not overflow.
  EXPECT_EQ(ShowPercentFor(dlg, 0, 2000000000, 1000000000), "50%");
}

TEST(ProgressDialogTest, ControlsFollowTheOperationAndStartAfreshWithTheLastRange) {
  CProgressDlg dlg(nullptr);
  dlg.CreateModeless();
  auto* bar = dlg.findChild<QProgressBar*>("progressBar");
  ASSERT_NE(bar, nullptr);
  dlg.ShowCondition(3, 2, "写真 <b>");
  EXPECT_EQ(ConditionBar(dlg).maximum(), 3);
  EXPECT_EQ(ConditionBar(dlg).value(), 2);
  EXPECT_EQ(ConditionText(dlg), QStringLiteral("写真 <b>"));
  EXPECT_EQ(dlg.findChild<QLabel*>("progressCondition")->textFormat(), Qt::PlainText);
  dlg.ShowStatus(engine::RunStatus::BasePass);
  EXPECT_EQ(StatusText(dlg), QStringLiteral("基本同期実行中..."));

  dlg.SetBarRange(0, 40);
  dlg.SetBarPos(10);
  EXPECT_EQ(PercentBar(dlg).value(), 10);
  EXPECT_EQ(PercentText(dlg), "25%");
  dlg.SetBarPos(90);  // beyond the range: the bar stays full
  EXPECT_EQ(PercentBar(dlg).value(), 40);
  dlg.DestroyWindow();

  // The next operation starts from the last range, at its lower end, with the
  // template's texts again.
  dlg.SetBarRange(5, 25);
  dlg.CreateModeless();
  EXPECT_EQ(bar->minimum(), 5);
  EXPECT_EQ(bar->maximum(), 25);
  EXPECT_EQ(PercentBar(dlg).value(), 5);
  EXPECT_EQ(PercentText(dlg), " 0 %");
  EXPECT_EQ(ConditionText(dlg), QString());
  EXPECT_EQ(ConditionBar(dlg).value(), 0);
  EXPECT_EQ(StatusText(dlg), QString());
  dlg.SetBarPos(15);
  EXPECT_EQ(PercentText(dlg), "50%");
}

TEST(ProgressDialogTest, CancelIsReportedOncePerPoll) {
  CProgressDlg dlg(nullptr);
  dlg.CreateModeless();
  EXPECT_FALSE(dlg.PollCancel());
  QTest::mouseClick(Cancel(dlg), Qt::LeftButton);
  QTest::mouseClick(Cancel(dlg), Qt::LeftButton);
  EXPECT_TRUE(dlg.PollCancel());
  EXPECT_FALSE(dlg.PollCancel());
  EXPECT_TRUE(dlg.isVisible());

  // A click between two throttled drains is still seen by the next poll.
  QTest::mouseClick(Cancel(dlg), Qt::LeftButton);
  dlg.SetBarPos(1);
  EXPECT_TRUE(dlg.PollCancel());

  // A press no poll read belongs to the operation that ended, not to the next one.
  QTest::mouseClick(Cancel(dlg), Qt::LeftButton);
  dlg.DestroyWindow();
  dlg.CreateModeless();
  EXPECT_FALSE(dlg.PollCancel());
}

TEST(ProgressDialogTest, EscAndCloseBoxRequestCancelAndKeepTheDialogOpen) {
  CProgressDlg dlg(nullptr);
  dlg.CreateModeless();

  QTest::keyClick(&dlg, Qt::Key_Escape);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(dlg.PollCancel());

  EXPECT_FALSE(dlg.close());
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(dlg.PollCancel());

  // OK neither closes nor cancels.
  QMetaObject::invokeMethod(&dlg, "accept");
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_FALSE(dlg.PollCancel());
}

TEST(ProgressDialogTest, OwnerIsDisabledWhileShownAndEnabledOnlyIfItWasEnabled) {
  QWidget main;
  main.show();
  {
    CProgressDlg dlg(&main);
    ASSERT_TRUE(dlg.CreateModeless());
    EXPECT_FALSE(main.isEnabled());
    dlg.DestroyWindow();
    EXPECT_TRUE(main.isEnabled());
    EXPECT_FALSE(dlg.isVisible());

    // Not the dialog's to enable: it was disabled before.
    main.setEnabled(false);
    dlg.CreateModeless();
    dlg.DestroyWindow();
    EXPECT_FALSE(main.isEnabled());
    main.setEnabled(true);

    // An owner given to CreateModeless stands for its window, in place of the main window.
    QWidget other;
    auto* inner = new QWidget(&other);
    other.show();
    dlg.CreateModeless(inner);
    EXPECT_FALSE(other.isEnabled());
    EXPECT_TRUE(main.isEnabled());
    dlg.DestroyWindow();
    EXPECT_TRUE(other.isEnabled());

    // The destructor ends a dialog that is still shown.
    dlg.CreateModeless();
    EXPECT_FALSE(main.isEnabled());
  }
  EXPECT_TRUE(main.isEnabled());
}

TEST(ProgressDialogTest, CancelWorksWhileTheMainWindowIsDisabled) {
  QWidget main;
  main.show();
  CProgressDlg dlg(&main);
  dlg.CreateModeless();
  ASSERT_FALSE(main.isEnabled());
  EXPECT_TRUE(dlg.isEnabled());
  EXPECT_TRUE(Cancel(dlg)->isEnabled());
  QTest::mouseClick(Cancel(dlg), Qt::LeftButton);
  EXPECT_TRUE(dlg.PollCancel());
  QTest::keyClick(&dlg, Qt::Key_Escape);
  EXPECT_TRUE(dlg.PollCancel());
  dlg.DestroyWindow();
}

TEST(ProgressDialogTest, PathLineShortensInTheMiddleAndShowsTheLatestPath) {
  CProgressDlg dlg(nullptr);
  dlg.CreateModeless();
  auto* label = dlg.findChild<QLabel*>("progressPath");
  ASSERT_NE(label, nullptr);

  dlg.ShowPath("docs/a.txt");
  WaitForNextDrain();
  dlg.PollCancel();
  EXPECT_EQ(PathText(dlg), "docs/a.txt");

  std::string longPath = "begin";
  for (int i = 0; i < 40; ++i) longPath += "/folder" + std::to_string(i);
  longPath += "/last-file.txt";
  dlg.ShowPath("never/shown.txt");
  dlg.ShowPath(longPath);
  WaitForNextDrain();
  dlg.PollCancel();
  const QString shown = PathText(dlg);
  EXPECT_TRUE(shown.startsWith("begin/")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("last-file.txt")) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
  EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());

  // Bytes that are not UTF-8 still show, as replacement characters.
  dlg.ShowPath(
      "bad\xff"
      "name");
  WaitForNextDrain();
  dlg.PollCancel();
  EXPECT_EQ(PathText(dlg), QStringLiteral("bad\uFFFDname"));

  dlg.ShowPath("");
  WaitForNextDrain();
  dlg.PollCancel();
  EXPECT_EQ(PathText(dlg), QString());
}

TEST(ProgressDialogTest, EventLoopTurnsAreThrottledAndTheLongestGapIsMeasured) {
  CProgressDlg dlg(nullptr);
  int drains = 0;
  dlg.SetBeforeDrain([&] { ++drains; });
  dlg.CreateModeless();

  // The first call after opening turns the loop at once.
  dlg.SetBarPos(0);
  EXPECT_EQ(drains, 1);

  // The calls of a run over many entries: a path, a position and a poll per
  // entry, the position moving through a quarter of the bar.
  constexpr int kEntries = 300000;
  const std::string path = "some/folder/file.txt";
  const auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < kEntries; ++k) {
    dlg.ShowPath(path);
    dlg.SetBarPos(50 + static_cast<int>(25LL * k / kEntries));
    dlg.PollCancel();
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LE(drains, 1 + elapsed / 20ms + 1) << "drains: " << drains;
  EXPECT_EQ(PercentText(dlg), "74%");
  // Between turns a call costs next to nothing (typically well under 50 ms for all of them).
  EXPECT_LT(elapsed, 2s);

  // A long pause between two calls shows as the longest gap; a new operation starts afresh.
  WaitForNextDrain();
  dlg.SetBarPos(1);
  std::this_thread::sleep_for(60ms);
  dlg.SetBarPos(2);
  EXPECT_GE(dlg.LongestGap(), 60ms);

  // A long turn (a list laying out many lines) is followed by another at once,
  // not after the usual interval of work.
  WaitForNextDrain();
  bool slowRan = false;
  QTimer::singleShot(0, [&] {
    slowRan = true;
    std::this_thread::sleep_for(30ms);
  });
  dlg.SetBarPos(3);
  ASSERT_TRUE(slowRan);
  bool nextRan = false;
  QTimer::singleShot(0, [&] { nextRan = true; });
  dlg.PollCancel();
  EXPECT_TRUE(nextRan);
  dlg.DestroyWindow();
  dlg.CreateModeless();
  EXPECT_EQ(dlg.LongestGap(), 0ms);
  const int before = drains;
  dlg.PollCancel();
  EXPECT_EQ(drains, before + 1);
}

}  // namespace
}  // namespace orvel::ui
