// The legend of the result marks and the About box, opened from the program's
// help menu and toolbar.
#include "support/app_rig.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/dialogs/legend_dialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace orvel {
namespace {

using test::AppRig;
namespace cmd = ui::cmd;

// The help menu's item whose text begins with `text`.
QAction* HelpItem(ui::CMainFrame& frame, const QString& text) {
  for (QAction* top : frame.menuBar()->actions()) {
    if (top->text() != QStringLiteral("ﾍﾙﾌﾟ(&H)") || !top->menu()) continue;
    for (QAction* item : top->menu()->actions())
      if (item->text().startsWith(text)) return item;
  }
  return nullptr;
}

QPushButton* OkButton(QDialog& dialog) {
  for (auto* button : dialog.findChildren<QPushButton*>())
    if (button->text() == QStringLiteral("OK")) return button;
  return nullptr;
}

class LegendAboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppRig::ClearSettings();
    rig.Start();
  }
  AppRig rig;
};

TEST_F(LegendAboutTest, LegendFromTheHelpMenuListsEveryMarkInOrder) {
  const std::vector<std::pair<QString, QString>> expected = {
      {"=", "同じ"},
      {">", "基本フォルダが新しい"},
      {">>", "基本フォルダにしかファイルが存在しない"},
      {"<", "対照フォルダが新しい"},
      {"<<", "対照フォルダにしかファイルが存在しない"},
      {">=", "基本が新しく同期済み"},
      {"<=", "対照が新しく同期済み"},
      {"?", "同期失敗"},
      {"X", "完全同期 削除予定（対照フォルダのファイル）"},
      {"X=", "完全同期 削除済み（対照フォルダのファイル）"},
      {"<X", "前回の同期の後に対照フォルダで削除 削除予定（基本フォルダのファイル）"},
      {"<X=", "前回の同期の後に対照フォルダで削除 削除済み（基本フォルダのファイル）"},
      {"!", "競合 前回の同期の後に両方で変更（一方で変更・他方で削除）"},
  };
  const int marks = static_cast<int>(expected.size());
  bool ran = false;
  rig.dialogs.modal.push_back([&](QDialog& dialog) -> int {
    ran = true;
    dialog.show();
    auto* list = dialog.findChild<QTreeWidget*>();
    EXPECT_NE(list, nullptr);
    if (!list) return QDialog::Rejected;
    EXPECT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), "結果");
    EXPECT_EQ(list->headerItem()->text(1), "意味");
    EXPECT_FALSE(list->header()->isHidden());
    // The marks' column keeps its width and fits its title; the meanings'
    // column is wide enough for the longest meaning; the list shows both whole.
    EXPECT_GE(list->columnWidth(0), 40);
    EXPECT_GE(list->columnWidth(0), list->header()->sectionSizeHint(0));
    for (const auto& [mark, meaning] : expected)
      EXPECT_GE(list->columnWidth(1), list->fontMetrics().horizontalAdvance(meaning)) << mark.toStdString();
    EXPECT_GE(list->viewport()->width(), list->columnWidth(0) + list->columnWidth(1));
    // Every row shows without scrolling.
    const QRect last = list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 1));
    EXPECT_TRUE(list->viewport()->rect().contains(last)) << last.bottom() << " " << list->viewport()->height();
    EXPECT_EQ(list->topLevelItemCount(), marks);
    for (int row = 0; row < list->topLevelItemCount() && row < marks; ++row) {
      QTreeWidgetItem* item = list->topLevelItem(row);
      EXPECT_EQ(item->text(0), expected[row].first) << "row " << row;
      EXPECT_EQ(item->text(1), expected[row].second) << "row " << row;
      EXPECT_FALSE(item->flags() & Qt::ItemIsEditable) << "row " << row;
      EXPECT_EQ(item->childCount(), 0);
    }
    // Nothing can be edited: a double click, F2 or typing on a row leaves it as it was.
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    list->setCurrentItem(list->topLevelItem(1), 1);
    QTest::keyClick(list, Qt::Key_F2);
    QTest::keyClicks(list, "abc");
    const QRect cell = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(list->topLevelItem(1)->text(1), "基本フォルダが新しい");
    EXPECT_EQ(list->topLevelItem(1)->text(0), ">");
    EXPECT_EQ(dialog.findChild<QLineEdit*>(), nullptr);  // no open editor
    EXPECT_EQ(list->topLevelItemCount(), marks);

    QPushButton* ok = OkButton(dialog);
    EXPECT_NE(ok, nullptr);
    if (!ok) return QDialog::Rejected;
    EXPECT_TRUE(ok->isDefault());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    return dialog.result();
  });
  QAction* item = HelpItem(rig.Frame(), QStringLiteral("結果の意味(&K)..."));
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_TRUE(ran);
  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{"結果の意味"});
  EXPECT_TRUE(rig.dialogs.modal.empty());
}

TEST_F(LegendAboutTest, LegendHasItsOwnerAndEscapeClosesIt) {
  rig.dialogs.modal.push_back([&](QDialog& dialog) -> int {
    EXPECT_EQ(dialog.parentWidget(), &rig.Frame());
    dialog.show();
    // As when it runs modally: the dialog is the active window, so Escape is
    // its own and not the main window's.
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &dialog; }, 1000));
    dialog.setResult(-1);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    return dialog.result();
  });
  EXPECT_TRUE(rig.Frame().Commands().Execute(cmd::kLegend));
  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{"結果の意味"});
  EXPECT_TRUE(rig.dialogs.modal.empty());
}

// Checks the About box's texts and its address edit, then closes it with OK.
int CheckAbout(QDialog& dialog) {
  dialog.show();
  dialog.activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &dialog; }, 1000));
  QStringList texts;
  for (auto* label : dialog.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains("Orvel Version 1.73")) << texts.join('|').toStdString();
  auto* version = dialog.findChild<QLabel*>("aboutVersion");
  EXPECT_NE(version, nullptr);
  if (version) {
    EXPECT_EQ(version->textFormat(), Qt::PlainText);
    EXPECT_GE(version->width(), version->fontMetrics().horizontalAdvance(version->text()));
  }
  auto* maker = dialog.findChild<QLabel*>("aboutMaker");
  EXPECT_TRUE(maker && !maker->text().trimmed().isEmpty());
  // The application's icon is there, not an empty box.
  auto* icon = dialog.findChild<QLabel*>("aboutIcon");
  EXPECT_TRUE(icon && !icon->pixmap().isNull() && icon->pixmap().width() >= 16);

  auto* edit = dialog.findChild<QLineEdit*>();
  EXPECT_NE(edit, nullptr);
  if (!edit) return QDialog::Rejected;
  const QString address = edit->text();
  EXPECT_EQ(address, QString::fromUtf8(ui::kHomePageAddress));
  EXPECT_TRUE(address.startsWith("https://")) << address.toStdString();
  EXPECT_TRUE(edit->isReadOnly());
  EXPECT_FALSE(edit->hasFrame());
  // Typing, pasting and deleting change nothing.
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
  edit->setFocus();
  QTest::keyClicks(edit, "xyz");
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->text(), address);
  // It can be selected and copied.
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(edit->selectedText(), address);
  QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), address);

  QPushButton* ok = OkButton(dialog);
  EXPECT_NE(ok, nullptr);
  if (!ok) return QDialog::Rejected;
  EXPECT_TRUE(ok->isDefault());
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  return dialog.result();
}

TEST_F(LegendAboutTest, AboutFromTheHelpMenuShowsVersionMakerAndACopyableAddress) {
  rig.dialogs.modal.push_back(CheckAbout);
  QAction* item = HelpItem(rig.Frame(), QStringLiteral("Orvel のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{"Orvelのﾊﾞｰｼﾞｮﾝ情報"});
  EXPECT_TRUE(rig.dialogs.modal.empty());
}

TEST_F(LegendAboutTest, TheToolbarsLastButtonOpensAbout) {
  QToolBar* bar = rig.Frame().ToolBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_FALSE(bar->actions().isEmpty());
  QAction* last = bar->actions().last();
  EXPECT_EQ(last, rig.Frame().Commands().Action(cmd::kAbout));
  auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(last));
  ASSERT_NE(button, nullptr);
  rig.dialogs.modal.push_back(CheckAbout);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{"Orvelのﾊﾞｰｼﾞｮﾝ情報"});
  EXPECT_TRUE(rig.dialogs.modal.empty());
  // Opening it again starts from a new box with the same address.
  rig.dialogs.modal.push_back(CheckAbout);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(rig.dialogs.dialogTitles.size(), 2);
  EXPECT_TRUE(rig.dialogs.modal.empty());
}

}  // namespace
}  // namespace orvel
