// Every window of the desktop program shows its texts whole: each label,
// button, check box, radio button and group title is at least as large as its
// text asks for and lies inside its window, with the Japanese font, with a
// Latin one, in both languages. The program runs this file again at twice the
// scale (see tests/CMakeLists.txt).
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/dialogs/condition_name_dialog.h"
#include "ui/dialogs/legend_dialog.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/dialogs/properties_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace orvel {
namespace {

using test::AppRig;

// The text a widget shows, or nothing when it is not one of the kinds checked.
QString ShownText(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (const auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  return {};
}

// Checks every shown text of a window: its widget as large as its size hint,
// and inside each of its parents up to the window, so that nothing clips it.
// Returns how many texts were checked.
int ExpectTextsFit(QWidget* window, const std::string& where) {
  int checked = 0;
  for (QWidget* widget : window->findChildren<QWidget*>()) {
    const QString text = ShownText(widget);
    if (text.isEmpty() || !widget->isVisibleTo(window)) continue;
    ++checked;
    const std::string what = where + " / " + widget->objectName().toStdString() + " \"" + text.toStdString() + "\"";
    const QSize hint = widget->sizeHint();
    EXPECT_GE(widget->width(), hint.width()) << what;
    EXPECT_GE(widget->height(), hint.height()) << what;
    QRect rect = widget->rect();
    for (QWidget* child = widget; child != window; child = child->parentWidget()) {
      rect.translate(child->pos());
      EXPECT_TRUE(child->parentWidget()->rect().contains(rect))
          << what << " leaves " << child->parentWidget()->objectName().toStdString();
    }
  }
  return checked;
}

// Shows a window as the user would see it and checks its texts.
void ShowAndCheck(QWidget& window, const std::string& where, int atLeast) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << where;
  QCoreApplication::processEvents();
  EXPECT_GE(ExpectTextsFit(&window, where), atLeast) << where;
}

class TextFitTest : public ::testing::Test {
 protected:
  void SetUp() override { AppRig::ClearSettings(); }
  void TearDown() override { QApplication::setFont(original_); }
  const QFont original_ = QApplication::font();
};

TEST_F(TextFitTest, EveryTextOfEveryWindowFitsInBothFontsAndBothLanguages) {
  const struct {
    const char* family;
    int points;
  } fonts[] = {{"IPAGothic", 10}, {"DejaVu Sans", 10}};
  const struct {
    const char* name;
    QStringList arguments;
  } languages[] = {{"Japanese", {}}, {"English", {"--lang", "en"}}};
  test::TempDir dir;
  test::WriteFile(dir / "a file with a long name.txt", "x", test::Time(1000));

  for (const auto& font : fonts) {
    QApplication::setFont(QFont(font.family, font.points));
    ASSERT_EQ(QFontInfo(QApplication::font()).family(), font.family) << "the font is not installed";
    for (const auto& language : languages) {
      const std::string where = std::string(font.family) + ", " + language.name;
      SCOPED_TRACE(where);
      AppRig rig;
      rig.Start(language.arguments);
      ui::CMainFrame& frame = rig.Frame();
      QCoreApplication::processEvents();
      // The condition bar's two buttons and two check boxes at least.
      EXPECT_GE(ExpectTextsFit(&frame, where + ", main window"), 4);

      // The options sheet, each page shown in turn.
      rig.dialogs.modal.push_back([&](QDialog& sheet) {
        auto* tabs = sheet.findChild<QTabWidget*>("optionsTabs");
        EXPECT_NE(tabs, nullptr);
        if (!tabs) return int(QDialog::Rejected);
        for (int page = 0; page < tabs->count(); ++page) {
          QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(page).center());
          EXPECT_EQ(tabs->currentIndex(), page);
          ShowAndCheck(sheet, where + ", options page " + std::to_string(page), 4);
        }
        sheet.reject();
        return int(QDialog::Rejected);
      });
      frame.Commands().Execute(ui::cmd::kOptions);
      EXPECT_TRUE(rig.dialogs.modal.empty());

      // The progress dialog with its longest status line.
      ui::CProgressDlg& progress = rig.View().Progress();
      ASSERT_TRUE(progress.CreateModeless());
      progress.ShowStatus(engine::RunStatus::TargetPass);
      progress.ShowCondition(2, 1, "condition");
      progress.SetBarRange(0, 100);
      progress.SetBarPos(100);
      ShowAndCheck(progress, where + ", progress", 3);
      progress.DestroyWindow();

      ui::CConditionNameDlg name(&frame);
      ShowAndCheck(name, where + ", name dialog", 3);
      name.hide();
      ui::CLegendDlg legend(&frame);
      ShowAndCheck(legend, where + ", legend", 1);
      legend.hide();
      ui::CAboutDlg about(&frame);
      about.SetAddress(QString::fromUtf8(ui::kHomePageAddress));
      ShowAndCheck(about, where + ", About", 3);
      about.hide();
      auto* properties = new ui::PropertiesDialog(dir / "a file with a long name.txt", &frame);
      ShowAndCheck(*properties, where + ", properties", 18);
      properties->close();
      frame.close();
    }
  }
}

}  // namespace
}  // namespace orvel
