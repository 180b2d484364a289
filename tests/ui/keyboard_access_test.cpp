// The window from the keyboard and through assistive technology: every edit,
// list and button has an accessible name; the Menu key and Shift+F10 open the
// row menu at the current line, Enter does what a double click does, Ctrl+,
// opens the options sheet, and the header shows how the lines are sorted.
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/filter_bar.h"
#include "ui/result_list/result_model.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

namespace orvel {
namespace {

using test::Time;
using test::WriteFile;

// The edits, lists and buttons a user can reach in `window` that assistive
// technology cannot name.
QStringList Unnamed(QWidget& window) {
  QStringList unnamed;
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    // (A list's header is read as part of its list.)
    const bool counts = qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
                        (qobject_cast<QAbstractItemView*>(widget) && !qobject_cast<QHeaderView*>(widget));
    if (!counts || !widget->isVisibleTo(&window)) continue;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty()) {
      unnamed << QString::fromLatin1(widget->metaObject()->className()) + " in " + widget->parentWidget()->objectName();
    }
  }
  return unnamed;
}

class KeyboardAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::AppRig::ClearSettings();
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      WriteFile(dir / ("a/" + std::string(name)), "new", Time(2000));
      WriteFile(dir / ("b/" + std::string(name)), "old", Time(1000));
    }
    test::WriteConditionFile(dir / "set.ORV", {test::MakeCondition("c", dir / "a", dir / "b")});
    rig.Start({QString::fromStdString(dir / "set.ORV")});
    rig.Frame().Commands().Execute(ui::cmd::kListCreation);
    // Keys reach the window's shortcuts while it is active again after the run's dialog.
    rig.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.Frame()));
  }
  test::TempDir dir;
  test::AppRig rig;
};

TEST_F(KeyboardAccessTest, EveryEditListAndButtonHasAnAccessibleName) {
  rig.Frame().Filters().Open();
  EXPECT_EQ(Unnamed(rig.Frame()), QStringList());
  // The options sheet on every page, the legend, About, and the progress dialog.
  QStringList dialogs;
  for (const int command : {ui::cmd::kOptions, ui::cmd::kLegend, ui::cmd::kAbout}) {
    rig.dialogs.modal.push_back([&](QDialog& dialog) {
      dialogs << Unnamed(dialog);
      return QDialog::Rejected;
    });
    rig.Frame().Commands().Execute(command);
  }
  EXPECT_EQ(rig.dialogs.dialogTitles.size(), 3);
  EXPECT_EQ(dialogs, QStringList());
  ASSERT_TRUE(rig.View().Progress().CreateModeless());
  EXPECT_EQ(Unnamed(rig.View().Progress()), QStringList());
  rig.View().Progress().DestroyWindow();
}

TEST_F(KeyboardAccessTest, KeysOpenTheRowMenuAtTheCurrentLineRunTheDoubleClickAndTheOptions) {
  ui::COrvelView& view = rig.View();
  // Ctrl+, opens the options sheet, as Alt+F7 does.
  QTest::keyClick(&rig.Frame(), Qt::Key_Comma, Qt::ControlModifier);
  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{"オプション"});
  view.setFocus();
  view.setCurrentIndex(view.model()->index(2, 0));
  const QRect line(view.viewport()->mapToGlobal(view.LineRect(2).topLeft()), view.LineRect(2).size());
  for (const QKeyCombination key : {QKeyCombination(Qt::Key_Menu), QKeyCombination(Qt::ShiftModifier, Qt::Key_F10)}) {
    QPoint opened(-1, -1);
    QTimer::singleShot(0, [&] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        opened = menu->pos();
        menu->close();
      }
    });
    QTest::keyClick(&view, key.key(), key.keyboardModifiers());
    // Just below the line, inside the list: not wherever the mouse pointer is.
    EXPECT_EQ(opened.y(), line.bottom()) << key.key();
    EXPECT_TRUE(line.left() <= opened.x() && opened.x() < line.right()) << key.key();
  }

  rig.State().Working().DblClk = 0;  // a double click executes the line
  QTest::keyClick(&view, Qt::Key_Return);
  EXPECT_EQ(view.Results().RowText(2, ui::ResultModel::kResult), ">=");
  EXPECT_EQ(view.Results().RowText(1, ui::ResultModel::kResult), ">");

  QHeaderView* head = view.header();
  EXPECT_FALSE(head->isSortIndicatorShown());
  Q_EMIT head->sectionClicked(0);
  EXPECT_TRUE(head->isSortIndicatorShown());
  EXPECT_EQ(head->sortIndicatorSection(), 0);
  const Qt::SortOrder first = head->sortIndicatorOrder();
  Q_EMIT head->sectionClicked(3);  // the direction alternates whichever header
  EXPECT_EQ(head->sortIndicatorSection(), 3);
  EXPECT_NE(head->sortIndicatorOrder(), first);
}

}  // namespace
}  // namespace orvel
