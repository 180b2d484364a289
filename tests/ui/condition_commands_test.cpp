// The condition commands in the desktop program: the name dialog, new, rename
// and delete as the condition bar and the list box show them.
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/dialogs/condition_name_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace orvel {
namespace {

using test::AppRig;
using test::MakeCondition;
using test::TempDir;
using ui::CConditionNameDlg;
namespace cmd = ui::cmd;

const QString kTitle = QStringLiteral("条件名称設定");

// Shows the dialog as the modal loop would and waits until it has the keyboard.
CConditionNameDlg& Shown(QDialog& dialog) {
  auto* nameDialog = qobject_cast<CConditionNameDlg*>(&dialog);
  EXPECT_NE(nameDialog, nullptr) << "not the name dialog: " << dialog.windowTitle().toStdString();
  dialog.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog, 1000));
  return *nameDialog;
}

// A script that replaces the dialog's text by typing `name` and clicks OK.
std::function<int(QDialog&)> TypeAndOk(const QString& name) {
  return [name](QDialog& dialog) {
    CConditionNameDlg& d = Shown(dialog);
    d.Edit()->selectAll();
    QTest::keyClick(d.Edit(), Qt::Key_Delete);
    QTest::keyClicks(d.Edit(), name);
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    return dialog.result();
  };
}

class ConditionCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { AppRig::ClearSettings(); }

  // Starts with three conditions from a file; the second has both extension
  // boxes ticked so that a cleared box can be told from an untouched one.
  void StartWithThree() {
    std::string path = dir / "three.ORV";
    engine::CCondition second = MakeCondition("second", "/a2", "/b2");
    second.ChkExt = 1;
    second.Ext = "txt";
    second.ChkNoExt = 1;
    second.NoExt = "bak";
    test::WriteConditionFile(path, {MakeCondition("first", "/a1", "/b1"), second, MakeCondition("third", "/a3", "/b3")});
    rig.Start({QString::fromStdString(path)});
  }
  void StartWithOne() {
    std::string path = dir / "one.ORV";
    test::WriteConditionFile(path, {MakeCondition("only", "/a", "/b")});
    rig.Start({QString::fromStdString(path)});
  }
  void Choose(int line) {
    rig.Bar().ConditionList()->setCurrentRow(line);
    QCoreApplication::processEvents();  // the choice reaches the view as a posted message
    ASSERT_EQ(rig.State().CurrentIndex(), line);
  }
  bool Run(int id) { return rig.Frame().Commands().Execute(id); }
  QStringList Names() {
    QStringList names;
    for (int i = 0; i < rig.Bar().ConditionList()->count(); ++i) names << rig.Bar().ConditionList()->item(i)->text();
    return names;
  }
  int SelectedLine() {
    QListWidget* list = rig.Bar().ConditionList();
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) return -1;
    EXPECT_EQ(selected.size(), 1);
    return list->row(selected.front());
  }
  QStringList BarTexts() {
    return {rig.Bar().BaseEdit()->text(), rig.Bar().TargetEdit()->text(), rig.Bar().ExtEdit()->text(),
            rig.Bar().NoExtEdit()->text()};
  }

  TempDir dir;
  AppRig rig;
};

TEST_F(ConditionCommandsTest, NewConditionBecomesTheFourthCurrentAndEmptyOne) {
  StartWithThree();
  Choose(1);
  ASSERT_TRUE(rig.Bar().ExtCheck()->isChecked());
  rig.Bar().BaseEdit()->setText("/typed/not/taken");

  bool emptyAtStart = false;
  bool focusInEdit = false;
  rig.dialogs.modal.push_back([&](QDialog& dialog) {
    CConditionNameDlg& d = Shown(dialog);
    emptyAtStart = d.Edit()->text().isEmpty();
    focusInEdit = d.Edit()->hasFocus();
    QTest::keyClicks(d.Edit(), "fourth");
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    return dialog.result();
  });
  ASSERT_TRUE(Run(cmd::kNewCondition));

  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{kTitle});
  EXPECT_TRUE(emptyAtStart);
  EXPECT_TRUE(focusInEdit);
  EXPECT_EQ(Names(), (QStringList{"first", "second", "third", "fourth"}));
  EXPECT_EQ(SelectedLine(), 3);
  EXPECT_EQ(rig.State().CurrentIndex(), 3);
  EXPECT_EQ(BarTexts(), (QStringList{"", "", "", ""}));
  EXPECT_FALSE(rig.Bar().ExtCheck()->isChecked());
  EXPECT_FALSE(rig.Bar().NoExtCheck()->isChecked());
  EXPECT_EQ(rig.State().Working().Complete, 0);

  // The second condition keeps what was typed for it before the new one came.
  Choose(1);
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/typed/not/taken");
  // And the new one keeps its empty values when left and chosen again.
  Choose(3);
  EXPECT_EQ(BarTexts(), (QStringList{"", "", "", ""}));
}

TEST_F(ConditionCommandsTest, BlankNameIsRefusedAndALeadingBlankIsKept) {
  StartWithThree();
  bool openAfterBlank = false, focusAfterBlank = false, openAfterEnter = false, focusAfterEnter = false;
  rig.dialogs.modal.push_back([&](QDialog& dialog) {
    CConditionNameDlg& d = Shown(dialog);
    QTest::keyClicks(d.Edit(), "   ");
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    openAfterBlank = dialog.isVisible() && dialog.result() != QDialog::Accepted;
    focusAfterBlank = d.Edit()->hasFocus();

    d.Edit()->setText(QStringLiteral(" \t "));
    d.OkButton()->setFocus();
    QTest::keyClick(d.OkButton(), Qt::Key_Return);
    openAfterEnter = dialog.isVisible() && dialog.result() != QDialog::Accepted;
    focusAfterEnter = d.Edit()->hasFocus();

    d.Edit()->setText(QStringLiteral(" 予備 "));
    QTest::keyClick(d.Edit(), Qt::Key_Return);  // Enter presses the default button
    return dialog.result();
  });
  ASSERT_TRUE(Run(cmd::kNewCondition));

  EXPECT_TRUE(openAfterBlank);
  EXPECT_TRUE(focusAfterBlank);
  EXPECT_TRUE(openAfterEnter);
  EXPECT_TRUE(focusAfterEnter);
  EXPECT_EQ(Names(), (QStringList{"first", "second", "third", " 予備 "}));
  EXPECT_EQ(rig.State().Set().Get(3).Name, " 予備 ");
  EXPECT_EQ(SelectedLine(), 3);
}

TEST_F(ConditionCommandsTest, CancelEscapeAndTheCloseBoxChangeNothing) {
  StartWithThree();
  Choose(2);
  const QStringList texts = BarTexts();
  rig.dialogs.modal.push_back([](QDialog& dialog) {
    CConditionNameDlg& d = Shown(dialog);
    QTest::keyClicks(d.Edit(), "not wanted");
    QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
    return dialog.result();
  });
  rig.dialogs.modal.push_back([](QDialog& dialog) {
    CConditionNameDlg& d = Shown(dialog);
    QTest::keyClicks(d.Edit(), "not wanted");
    QTest::keyClick(d.Edit(), Qt::Key_Escape);
    return dialog.isVisible() ? QDialog::Accepted : dialog.result();
  });
  rig.dialogs.modal.push_back([](QDialog& dialog) {
    CConditionNameDlg& d = Shown(dialog);
    QTest::keyClicks(d.Edit(), "not wanted");
    dialog.close();
    return dialog.isVisible() ? QDialog::Accepted : dialog.result();
  });
  Run(cmd::kNewCondition);
  Run(cmd::kRenameCondition);
  Run(cmd::kNewCondition);

  EXPECT_EQ(rig.dialogs.dialogTitles.size(), 3);
  EXPECT_EQ(Names(), (QStringList{"first", "second", "third"}));
  EXPECT_EQ(rig.State().CurrentIndex(), 2);
  EXPECT_EQ(SelectedLine(), 2);
  EXPECT_EQ(BarTexts(), texts);
}

TEST_F(ConditionCommandsTest, RenamingTheSecondOfThreeChangesOnlyItsLine) {
  StartWithThree();
  Choose(1);
  rig.Bar().BaseEdit()->setText("/typed/not/taken");

  QString shown, selected;
  bool focusInEdit = false;
  rig.dialogs.modal.push_back([&](QDialog& dialog) {
    CConditionNameDlg& d = Shown(dialog);
    shown = d.Edit()->text();
    selected = d.Edit()->selectedText();
    focusInEdit = d.Edit()->hasFocus();
    QTest::keyClicks(d.Edit(), "renamed");  // replaces the selected name
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    return dialog.result();
  });
  ASSERT_TRUE(Run(cmd::kRenameCondition));

  EXPECT_EQ(shown, "second");
  EXPECT_EQ(selected, "second");
  EXPECT_TRUE(focusInEdit);
  EXPECT_EQ(Names(), (QStringList{"first", "renamed", "third"}));
  EXPECT_EQ(SelectedLine(), 1);
  EXPECT_EQ(rig.State().CurrentIndex(), 1);
  // Nothing but the name: the bar is not rewritten and nothing was stored.
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/typed/not/taken");
  EXPECT_EQ(rig.State().Set().Get(1).AFolder, "/a2");
  EXPECT_EQ(rig.State().Set().Get(1).Ext, "txt");

  // A later toggle stores the flags under the new name.
  ASSERT_TRUE(Run(cmd::kComplete));
  EXPECT_EQ(rig.State().Set().Get(1).Name, "renamed");
}

TEST_F(ConditionCommandsTest, DeletingTheMiddleMakesTheFormerThirdCurrent) {
  StartWithThree();
  Choose(1);
  rig.dialogs.answers.push_back(true);
  ASSERT_TRUE(Run(cmd::kDeleteCondition));

  EXPECT_EQ(rig.dialogs.questions, QStringList{"second\nを削除します\nよろしいですか？"});
  EXPECT_EQ(Names(), (QStringList{"first", "third"}));
  EXPECT_EQ(SelectedLine(), 1);
  EXPECT_EQ(rig.State().CurrentIndex(), 1);
  EXPECT_EQ(BarTexts(), (QStringList{"/a3", "/b3", "", ""}));
  EXPECT_FALSE(rig.Bar().ExtCheck()->isChecked());
}

TEST_F(ConditionCommandsTest, DeletingTheLastMakesTheSecondCurrent) {
  StartWithThree();
  Choose(2);
  rig.dialogs.answers.push_back(true);
  ASSERT_TRUE(Run(cmd::kDeleteCondition));

  EXPECT_EQ(rig.dialogs.questions, QStringList{"third\nを削除します\nよろしいですか？"});
  EXPECT_EQ(Names(), (QStringList{"first", "second"}));
  EXPECT_EQ(SelectedLine(), 1);
  EXPECT_EQ(rig.State().CurrentIndex(), 1);
  EXPECT_EQ(BarTexts(), (QStringList{"/a2", "/b2", "txt", "bak"}));
  EXPECT_TRUE(rig.Bar().ExtCheck()->isChecked());
  EXPECT_TRUE(rig.Bar().NoExtCheck()->isChecked());
}

TEST_F(ConditionCommandsTest, NoAtTheQuestionDeletesNothing) {
  StartWithThree();
  Choose(1);
  rig.dialogs.answers.push_back(false);
  ASSERT_TRUE(Run(cmd::kDeleteCondition));

  EXPECT_EQ(rig.dialogs.questions.size(), 1);
  EXPECT_EQ(rig.State().Set().Count(), 3);
  EXPECT_EQ(Names(), (QStringList{"first", "second", "third"}));
  EXPECT_EQ(SelectedLine(), 1);
  EXPECT_EQ(rig.State().CurrentIndex(), 1);
  EXPECT_EQ(BarTexts(), (QStringList{"/a2", "/b2", "txt", "bak"}));
}

TEST_F(ConditionCommandsTest, DeletingTheOnlyConditionThenAddingANewOne) {
  StartWithOne();
  rig.dialogs.answers.push_back(true);
  ASSERT_TRUE(Run(cmd::kDeleteCondition));

  EXPECT_EQ(rig.State().Set().Count(), 0);
  EXPECT_EQ(rig.State().CurrentIndex(), -1);
  EXPECT_TRUE(Names().isEmpty());
  EXPECT_EQ(SelectedLine(), -1);
  EXPECT_EQ(BarTexts(), (QStringList{"/a", "/b", "", ""}));

  // Without a condition, rename and delete neither ask nor change anything.
  ASSERT_TRUE(Run(cmd::kRenameCondition));
  ASSERT_TRUE(Run(cmd::kDeleteCondition));
  EXPECT_TRUE(rig.dialogs.dialogTitles.isEmpty());
  EXPECT_EQ(rig.dialogs.questions.size(), 1);
  EXPECT_EQ(rig.State().Set().Count(), 0);
  EXPECT_EQ(rig.State().CurrentIndex(), -1);
  EXPECT_EQ(BarTexts(), (QStringList{"/a", "/b", "", ""}));

  rig.dialogs.modal.push_back(TypeAndOk("again"));
  ASSERT_TRUE(Run(cmd::kNewCondition));
  EXPECT_EQ(rig.State().CurrentIndex(), 0);
  EXPECT_EQ(Names(), QStringList{"again"});
  EXPECT_EQ(SelectedLine(), 0);
  EXPECT_EQ(BarTexts(), (QStringList{"", "", "", ""}));
}

TEST_F(ConditionCommandsTest, CtrlNOpensTheNameDialogFromTheKeyboard) {
  StartWithThree();
  rig.dialogs.modal.push_back(TypeAndOk("by key"));
  QTest::keyClick(&rig.Frame(), Qt::Key_N, Qt::ControlModifier);

  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{kTitle});
  EXPECT_EQ(Names(), (QStringList{"first", "second", "third", "by key"}));
  EXPECT_EQ(rig.State().CurrentIndex(), 3);
}

TEST_F(ConditionCommandsTest, CtrlRAndCtrlDRenameAndDeleteTheCurrentConditionWhereverTheFocusIs) {
  StartWithThree();
  Choose(1);
  // The keys the menu shows beside the items.
  EXPECT_TRUE(rig.Frame().Commands().Action(cmd::kRenameCondition)->text().endsWith("\tCtrl+R"));
  EXPECT_EQ(rig.Frame().Commands().Action(cmd::kRenameCondition)->shortcut(), QKeySequence("Ctrl+R"));
  EXPECT_EQ(rig.Frame().Commands().Action(cmd::kDeleteCondition)->shortcut(), QKeySequence("Ctrl+D"));

  // From the list, then from an edit of the condition bar, whose own Ctrl+D
  // would delete a character instead.
  struct Step {
    QWidget* focus;
    Qt::Key key;
    QStringList names;
  };
  const Step steps[] = {
      {&rig.View(), Qt::Key_R, {"first", "renamed", "third"}},
      {&rig.View(), Qt::Key_D, {"first", "third"}},
      {rig.Bar().BaseEdit(), Qt::Key_R, {"first", "renamed"}},
      {rig.Bar().BaseEdit(), Qt::Key_D, {"first"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.names.join(',').toStdString());
    if (step.key == Qt::Key_R) rig.dialogs.modal.push_back(TypeAndOk("renamed"));
    if (step.key == Qt::Key_D) rig.dialogs.answers.push_back(true);
    const QString baseText = rig.Bar().BaseEdit()->text();
    // The main window has the keyboard again after the last step's dialog.
    rig.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.Frame(), 1000));
    step.focus->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return step.focus->hasFocus(); }, 1000));
    QTest::keyClick(step.focus, step.key, Qt::ControlModifier);
    EXPECT_EQ(Names(), step.names);
    EXPECT_TRUE(rig.dialogs.modal.empty());
    EXPECT_TRUE(rig.dialogs.answers.empty());
    if (step.key == Qt::Key_R) {
      EXPECT_EQ(rig.dialogs.dialogTitles.last(), kTitle);
      EXPECT_EQ(rig.Bar().BaseEdit()->text(), baseText);  // nothing typed into the edit
    } else {
      EXPECT_TRUE(rig.dialogs.questions.last().endsWith("を削除します\nよろしいですか？"));
    }
  }
}

TEST_F(ConditionCommandsTest, NameDialogLooksAndMovesAsItsTemplate) {
  StartWithThree();
  CConditionNameDlg dialog(&rig.Frame());
  EXPECT_EQ(dialog.windowTitle(), kTitle);
  EXPECT_EQ(dialog.Label()->text(), "条件名(&N)");
  EXPECT_EQ(dialog.OkButton()->text(), "OK");
  EXPECT_EQ(dialog.CancelButton()->text(), "ｷｬﾝｾﾙ");
  EXPECT_TRUE(dialog.OkButton()->isDefault());
  EXPECT_FALSE(dialog.CancelButton()->isDefault());
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);

  dialog.SetName("name");
  Shown(dialog);
  // As shown: label beside the edit, buttons below it, OK before Cancel, all inside.
  const QRect label = dialog.Label()->geometry(), edit = dialog.Edit()->geometry();
  const QRect ok = dialog.OkButton()->geometry(), cancel = dialog.CancelButton()->geometry();
  EXPECT_LT(label.right(), edit.left());
  EXPECT_LT(edit.bottom(), ok.top());
  EXPECT_LT(ok.right(), cancel.left());
  for (const QRect& r : {label, edit, ok, cancel}) EXPECT_TRUE(dialog.rect().contains(r));
  EXPECT_GE(label.width(), dialog.Label()->sizeHint().width());

  // The label's mnemonic takes the keyboard to the edit.
  dialog.OkButton()->setFocus();
  ASSERT_TRUE(dialog.OkButton()->hasFocus());
  QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(dialog.Edit()->hasFocus());
  EXPECT_TRUE(dialog.isVisible());
  dialog.reject();
}

}  // namespace
}  // namespace orvel
