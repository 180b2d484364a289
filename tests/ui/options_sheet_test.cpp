// The options sheet in the running program: what it shows from the working
// set, what OK and Cancel leave behind in the working set, the condition, the
// condition bar and the menu ticks, and the tolerance amount's validation.
#include "ui/dialogs/options_sheet.h"
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

namespace orvel {
namespace {

using storage::WorkingSet;
using test::AppRig;
using test::MakeCondition;
using test::TempDir;
namespace cmd = ui::cmd;

constexpr int kSync = 0;
constexpr int kSearch = 1;
constexpr int kEnv = 2;

template <typename T>
T* Find(QDialog& sheet, const char* name) {
  T* widget = sheet.findChild<T*>(QLatin1String(name));
  if (!widget) ADD_FAILURE() << "no widget " << name;
  return widget;
}

// The text a button, a static or a group box shows.
QString ShownText(QWidget* widget) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  return QStringLiteral("<no text>");
}

QTabWidget* Tabs(QDialog& sheet) { return Find<QTabWidget>(sheet, "optionsTabs"); }

void OpenTab(QDialog& sheet, int index) {
  QTabBar* bar = Tabs(sheet)->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

int ClickOk(QDialog& sheet) {
  QTest::mouseClick(Find<QPushButton>(sheet, "optionsOk"), Qt::LeftButton);
  return sheet.result();
}

int ClickCancel(QDialog& sheet) {
  QTest::mouseClick(Find<QPushButton>(sheet, "optionsCancel"), Qt::LeftButton);
  return sheet.result();
}

void Retype(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  for (QChar c : text) {
    // QtTest types Latin-1 only; other characters arrive as an input method would put them.
    if (c.unicode() < 0x80) {
      QTest::keyClick(edit, c.toLatin1());
    } else {
      edit->insert(QString(c));
    }
  }
}

auto Globals(const WorkingSet& w) { return std::make_tuple(w.DblClk, w.ConfDlg, w.ExeName1, w.ExePath1); }

// The ticks of the option toggles, in menu order.
const int kToggles[] = {cmd::kComplete,    cmd::kDeleteTrash, cmd::kSubFolder,  cmd::kRecyclerFolder,
                        cmd::kEmptyFolder, cmd::kSameDisp,    cmd::kIncludeExt, cmd::kExcludeExt};

class OptionsSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppRig::ClearSettings();
    std::string file = dir / "two.ORV";
    test::WriteConditionFile(
        file, {MakeCondition("first", dir / "a1", dir / "b1"), MakeCondition("second", dir / "a2", dir / "b2")});
    rig.Start({QString::fromStdString(file)});
    // The second condition is current, so that storing into the wrong one shows.
    rig.Bar().ConditionList()->setCurrentRow(1);
    QCoreApplication::processEvents();
    ASSERT_EQ(rig.State().CurrentIndex(), 1);
  }

  // Makes `w` (with the current folders) the current condition, shown in the bar.
  void Prepare(WorkingSet w) {
    w.AFolder = rig.State().Working().AFolder;
    w.BFolder = rig.State().Working().BFolder;
    rig.State().Working() = w;
    rig.State().StoreCondition(1);
    rig.State().ShowWorkingSet();
    Idle();
  }
  void Idle() {
    rig.Frame().Commands().UpdateAll();
    QCoreApplication::processEvents();
  }
  // Runs the options command with `script` driving the shown sheet.
  void Options(std::function<int(QDialog&)> script) {
    rig.dialogs.modal.push_back([script = std::move(script)](QDialog& sheet) {
      sheet.show();
      return script(sheet);
    });
    ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kOptions));
    Idle();
  }
  WorkingSet& Working() { return rig.State().Working(); }
  // The current condition as stored in the set.
  WorkingSet Stored() {
    WorkingSet stored;
    stored.LoadFrom(rig.State().Set().Element(1));
    return stored;
  }
  std::vector<bool> Ticks() {
    std::vector<bool> ticks;
    for (int id : kToggles) ticks.push_back(rig.Frame().Commands().Action(id)->isChecked());
    return ticks;
  }

  TempDir dir;
  AppRig rig;
};

TEST_F(OptionsSheetTest, PagesCaptionsAndControlsInTheirOrder) {
  Options([](QDialog& sheet) {
    EXPECT_EQ(sheet.windowTitle(), "オプション");
    QTabWidget* tabs = Tabs(sheet);
    EXPECT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "同期");
    EXPECT_EQ(tabs->tabText(1), "検索");
    EXPECT_EQ(tabs->tabText(2), "環境");
    EXPECT_EQ(tabs->currentIndex(), kSync);
    EXPECT_EQ(tabs->widget(kSync)->objectName(), "syncPage");

    // The keyboard reaches each page's controls in the template's order.
    auto focusOrder = [](QWidget* page) {
      QStringList names;
      for (QWidget* w = page->nextInFocusChain(); w != page; w = w->nextInFocusChain()) {
        if (w->isAncestorOf(page) || !page->isAncestorOf(w)) break;
        if (w->focusPolicy() & Qt::TabFocus) names << w->objectName();
      }
      return names;
    };
    EXPECT_EQ(focusOrder(tabs->widget(kSync)), (QStringList{"syncComplete", "syncDeleteTrash", "syncMemory"}));
    EXPECT_EQ(focusOrder(tabs->widget(kSearch)),
              (QStringList{"searchSubFolder", "searchHideSame", "searchIncludeExt", "searchExtEdit", "searchExcludeExt",
                           "searchNoExtEdit", "searchDiffTime", "searchDiffSel", "searchEmptyFolder",
                           "searchRecyclerFolder"}));
    QStringList env = focusOrder(tabs->widget(kEnv));
    env.removeAll("envDblClkProperties");  // radio buttons of one group share a tab stop
    env.removeAll("envDblClkTool");
    EXPECT_EQ(env, (QStringList{"envDblClkUpdate", "envToolName", "envToolPath", "envConfirm"}));

    // Every text as the templates give it.
    const std::pair<const char*, QString> texts[] = {
        {"syncComplete", "完全同期(&C)"},
        {"syncCompleteNote",
         "基本フォルダに存在せず，対照フォルダだけに存在\nするファイル/フォルダを削除します\n"
         "（対照フォルダのファイル/フォルダが削除されます）"},
        {"syncDeleteTrash", "削除はゴミ箱へ(&D)"},
        {"syncMemory", "前回の同期を記憶する(&M)"},
        {"syncMemoryNote", "一方で削除したファイルは他方でも削除し，両方での変更は「!」で止めます"},
        {"syncPerCondition", "※このオプションは条件ごとに保存されます"},
        {"searchPerCondition", "※このオプションは条件ごとに保存されます"},
        {"searchSubFolder", "サブフォルダも検索する(&S)"},
        {"searchHideSame", "同じファイルは表示しない(&D)"},
        {"searchIncludeExt", "以下の拡張子だけ同期に含める(&E)"},
        {"searchExcludeExt", "以下の拡張子は同期に含めない(&N)"},
        {"searchExtNote", "拡張子の複数指定はスペース区切り\n例）EXE COM BAT"},
        {"searchEmptyFolder", "空フォルダを同期に含める(&M)"},
        {"searchRecyclerFolder", "ゴミ箱を同期に含めない(&T)"},
        {"envDblClkUpdate", "更新(&X)"},
        {"envDblClkProperties", "プロパティ(R)"},
        {"envDblClkTool", "外部ツール起動(&T)"},
        {"envConfirm", "同期実行前に確認ダイアログ表示(&D)"},
        {"envToolNameLabel", "名称(&N)"},
        {"envToolPathLabel", "パス(&P)"},
        {"envDoubleClickGroup", "ダブルクリック"},
        {"envToolGroup", "外部ツール"},
        {"searchDiffTimeLabel", "以内の時差は同期に含めない(&T)"},
    };
    for (const auto& [name, text] : texts) EXPECT_EQ(ShownText(Find<QWidget>(sheet, name)), text) << name;
    // Mnemonics of statics lead to the control after them.
    EXPECT_EQ(Find<QLabel>(sheet, "searchDiffTimeLabel")->buddy(), Find<QLineEdit>(sheet, "searchDiffTime"));
    QComboBox* unit = Find<QComboBox>(sheet, "searchDiffSel");
    QStringList units;
    for (int i = 0; i < unit->count(); ++i) units << unit->itemText(i);
    EXPECT_EQ(units, (QStringList{"秒", "分", "時間", "日"}));
    EXPECT_FALSE(unit->isEditable());
    EXPECT_EQ(Find<QLabel>(sheet, "envToolNameLabel")->buddy(), Find<QLineEdit>(sheet, "envToolName"));
    EXPECT_EQ(Find<QLabel>(sheet, "envToolPathLabel")->buddy(), Find<QLineEdit>(sheet, "envToolPath"));
    return ClickCancel(sheet);
  });
  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{"オプション"});
}

TEST_F(OptionsSheetTest, AltF7OpensTheSheetOnItsFirstPageFilledFromTheWorkingSet) {
  WorkingSet w;
  w.Complete = 1;
  w.DeleteTrash = 0;
  w.Ext = "stored";
  Prepare(w);
  rig.Bar().ExtEdit()->setText("typed ext");
  int page = -1;
  bool complete = false;
  bool trash = true;
  QString ext;
  rig.dialogs.modal.push_back([&](QDialog& sheet) {
    // The first page is filled before the sheet is shown.
    page = Tabs(sheet)->currentIndex();
    complete = Find<QCheckBox>(sheet, "syncComplete")->isChecked();
    trash = Find<QCheckBox>(sheet, "syncDeleteTrash")->isChecked();
    sheet.show();
    OpenTab(sheet, kSearch);
    ext = Find<QLineEdit>(sheet, "searchExtEdit")->text();
    return ClickCancel(sheet);
  });
  QTest::keyClick(&rig.Frame(), Qt::Key_F7, Qt::AltModifier);
  EXPECT_EQ(rig.dialogs.dialogTitles, QStringList{"オプション"});
  EXPECT_EQ(page, kSync);
  EXPECT_TRUE(complete);
  EXPECT_FALSE(trash);
  EXPECT_EQ(ext, "typed ext");  // the bar's edit, not the stored text
}

TEST_F(OptionsSheetTest, CancelKeepsEverythingButTheTakenExtensionTexts) {
  WorkingSet w;
  w.SubFolder = 1;
  w.SameDisp = 1;
  w.ChkExt = 1;
  w.Ext = "jpg";
  w.ChkNoExt = 0;
  w.NoExt = "tmp";
  w.DiffTime = 2;
  w.DiffSel = 1;
  w.DblClk = 1;
  w.ConfDlg = 1;
  w.ExeName1 = "diff";
  w.ExePath1 = "/usr/bin/diff";
  Prepare(w);
  const engine::CCondition before = rig.State().Set().Element(1);
  const engine::CCondition other = rig.State().Set().Element(0);
  const auto globals = Globals(Working());
  const std::vector<bool> ticks = Ticks();
  rig.Bar().ExtEdit()->setText("txt doc");
  rig.Bar().NoExtEdit()->setText("bak");
  rig.Bar().BaseEdit()->setText("/typed/base");

  // Every page edited, then Cancel; the second time the same with Esc.
  auto editAll = [](QDialog& sheet) {
    QTest::mouseClick(Find<QCheckBox>(sheet, "syncComplete"), Qt::LeftButton);
    QTest::mouseClick(Find<QCheckBox>(sheet, "syncDeleteTrash"), Qt::LeftButton);
    OpenTab(sheet, kSearch);
    EXPECT_EQ(Find<QLineEdit>(sheet, "searchExtEdit")->text(), "txt doc");
    EXPECT_EQ(Find<QLineEdit>(sheet, "searchNoExtEdit")->text(), "bak");
    for (const char* name : {"searchSubFolder", "searchHideSame", "searchIncludeExt", "searchExcludeExt",
                             "searchEmptyFolder", "searchRecyclerFolder"}) {
      QTest::mouseClick(Find<QCheckBox>(sheet, name), Qt::LeftButton);
    }
    Retype(Find<QLineEdit>(sheet, "searchExtEdit"), "png");
    Retype(Find<QLineEdit>(sheet, "searchNoExtEdit"), "o");
    Retype(Find<QLineEdit>(sheet, "searchDiffTime"), "99");
    Find<QComboBox>(sheet, "searchDiffSel")->setCurrentIndex(3);
    OpenTab(sheet, kEnv);
    QTest::mouseClick(Find<QRadioButton>(sheet, "envDblClkTool"), Qt::LeftButton);
    Retype(Find<QLineEdit>(sheet, "envToolName"), "other");
    Retype(Find<QLineEdit>(sheet, "envToolPath"), "/bin/other");
    QTest::mouseClick(Find<QCheckBox>(sheet, "envConfirm"), Qt::LeftButton);
  };
  Options([&](QDialog& sheet) {
    editAll(sheet);
    return ClickCancel(sheet);
  });
  Options([&](QDialog& sheet) {
    editAll(sheet);
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_FALSE(sheet.isVisible());
    return sheet.result();
  });
  ASSERT_EQ(rig.dialogs.dialogTitles.size(), 2);
  EXPECT_TRUE(rig.dialogs.messages.isEmpty());

  EXPECT_EQ(rig.State().Set().Element(1), before);  // nothing stored, not even the texts
  EXPECT_EQ(rig.State().Set().Element(0), other);
  EXPECT_EQ(Globals(Working()), globals);
  WorkingSet expected = w;
  expected.AFolder = Working().AFolder;
  expected.BFolder = Working().BFolder;
  expected.Ext = "txt doc";
  expected.NoExt = "bak";
  EXPECT_EQ(Working().ToCondition("x"), expected.ToCondition("x"));
  EXPECT_EQ(Working().AFolder, dir / "a2");  // the folder edits are not taken
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/typed/base");
  EXPECT_EQ(rig.Bar().ExtEdit()->text(), "txt doc");
  EXPECT_EQ(rig.Bar().NoExtEdit()->text(), "bak");
  EXPECT_TRUE(rig.Bar().ExtCheck()->isChecked());
  EXPECT_FALSE(rig.Bar().NoExtCheck()->isChecked());
  EXPECT_EQ(Ticks(), ticks);
}

TEST_F(OptionsSheetTest, OkWithoutOpeningSearchOrEnvironmentCopiesTheirValuesBackUnchanged) {
  WorkingSet w;
  w.Complete = 0;
  w.SubFolder = 0;
  w.SameDisp = 0;
  w.ChkExt = 1;
  w.Ext = "a b";
  w.ChkNoExt = 1;
  w.NoExt = "c";
  w.DiffTime = -5;  // neither shown nor validated: the page is never opened
  w.DiffSel = 9;
  w.EmptyFolder = 1;
  w.RecyclerFolder = 0;
  w.DblClk = 7;
  w.ConfDlg = 0;
  w.ExeName1 = "tool";
  w.ExePath1 = "/opt/tool";
  Prepare(w);
  Options([](QDialog& sheet) {
    QTest::mouseClick(Find<QCheckBox>(sheet, "syncComplete"), Qt::LeftButton);
    return ClickOk(sheet);
  });
  EXPECT_TRUE(rig.dialogs.messages.isEmpty());
  WorkingSet expected = w;
  expected.AFolder = Working().AFolder;
  expected.BFolder = Working().BFolder;
  expected.Complete = 1;
  EXPECT_EQ(Working().ToCondition("x"), expected.ToCondition("x"));
  EXPECT_EQ(Globals(Working()), Globals(w));
  EXPECT_EQ(rig.State().Set().Element(1), expected.ToCondition("second"));
  EXPECT_EQ(Stored().DiffSel, 9);
  EXPECT_EQ(Stored().DiffTime, -5);
}

TEST_F(OptionsSheetTest, ToleranceAmountAcceptsZeroToFortyThousandOnly) {
  WorkingSet w;
  w.DiffTime = 3;
  w.DiffSel = 2;
  Prepare(w);
  Options([&](QDialog& sheet) {
    OpenTab(sheet, kSearch);
    QLineEdit* amount = Find<QLineEdit>(sheet, "searchDiffTime");
    EXPECT_EQ(amount->text(), "3");
    EXPECT_EQ(amount->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    Retype(amount, "40001");
    EXPECT_NE(ClickOk(sheet), QDialog::Accepted);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(rig.dialogs.messages, QStringList{"0 から 40000 までの整数を入力してください。"});
    EXPECT_EQ(sheet.focusWidget(), amount);
    EXPECT_EQ(amount->selectedText(), "40001");

    // Leaving the page is refused the same way.
    amount->setText("");
    OpenTab(sheet, kEnv);
    EXPECT_EQ(Tabs(sheet)->currentIndex(), kSearch);
    EXPECT_EQ(rig.dialogs.messages.value(1), "正の整数を入力してください。");
    EXPECT_EQ(sheet.focusWidget(), amount);

    // Enter goes to OK; a number too long for 32 bits is out of range, not wrapped.
    amount->setText("4294967296");
    QTest::keyClick(amount, Qt::Key_Return);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(rig.dialogs.messages.value(2), "0 から 40000 までの整数を入力してください。");

    // Pasted text that is not a number.
    amount->setText("12a");
    EXPECT_NE(ClickOk(sheet), QDialog::Accepted);
    EXPECT_EQ(rig.dialogs.messages.value(3), "正の整数を入力してください。");
    EXPECT_EQ(rig.dialogs.messages.size(), 4);
    EXPECT_EQ(Working().DiffTime, 3);  // nothing copied back while refused

    // Typing letters does not get into the edit at all.
    Retype(amount, "4x0000");
    EXPECT_EQ(amount->text(), "40000");
    return ClickOk(sheet);
  });
  EXPECT_EQ(rig.dialogs.messages.size(), 4);
  EXPECT_EQ(Working().DiffTime, 40000);
  EXPECT_EQ(Stored().DiffTime, 40000);
  EXPECT_EQ(Stored().DiffSel, 2);

  Options([](QDialog& sheet) {
    OpenTab(sheet, kSearch);
    Retype(Find<QLineEdit>(sheet, "searchDiffTime"), "0");
    return ClickOk(sheet);
  });
  EXPECT_EQ(Stored().DiffTime, 0);

  // A runner that reports OK although the sheet refused it copies nothing back.
  Options([](QDialog& sheet) {
    QTest::mouseClick(Find<QCheckBox>(sheet, "syncComplete"), Qt::LeftButton);
    OpenTab(sheet, kSearch);  // the sync page is read back on leaving
    Retype(Find<QLineEdit>(sheet, "searchDiffTime"), "40001");
    ClickOk(sheet);
    return int(QDialog::Accepted);
  });
  EXPECT_EQ(rig.dialogs.messages.size(), 5);
  EXPECT_EQ(Stored().DiffTime, 0);
  EXPECT_EQ(Stored().Complete, 0);
  EXPECT_EQ(Working().Complete, 0);

  // A refused value does not hold up Cancel.
  Options([](QDialog& sheet) {
    OpenTab(sheet, kSearch);
    Retype(Find<QLineEdit>(sheet, "searchDiffTime"), "50000");
    return ClickCancel(sheet);
  });
  EXPECT_EQ(rig.dialogs.messages.size(), 5);
  EXPECT_EQ(Stored().DiffTime, 0);
}

TEST_F(OptionsSheetTest, ANegativeToleranceFromAFileIsShownAsTheZeroItCountsAs) {
  WorkingSet w;
  w.DiffTime = -1;
  Prepare(w);
  QString shown;
  Options([&](QDialog& sheet) {
    OpenTab(sheet, kSearch);
    shown = Find<QLineEdit>(sheet, "searchDiffTime")->text();
    return ClickOk(sheet);
  });
  EXPECT_EQ(shown, "0");
  EXPECT_TRUE(rig.dialogs.messages.isEmpty());
  EXPECT_EQ(Stored().DiffTime, 0);
}

TEST_F(OptionsSheetTest, ValuesOutsideTheListAndTheRadioGroupShowNoneAndStoreMinusOne) {
  WorkingSet w;
  w.DiffSel = 7;
  w.DblClk = 5;
  Prepare(w);
  Options([](QDialog& sheet) {
    OpenTab(sheet, kSearch);
    EXPECT_EQ(Find<QComboBox>(sheet, "searchDiffSel")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>(sheet, "searchDiffSel")->currentText(), "");
    OpenTab(sheet, kEnv);
    for (const char* name : {"envDblClkUpdate", "envDblClkProperties", "envDblClkTool"}) {
      EXPECT_FALSE(Find<QRadioButton>(sheet, name)->isChecked()) << name;
    }
    return ClickOk(sheet);
  });
  EXPECT_EQ(Working().DiffSel, -1);
  EXPECT_EQ(Stored().DiffSel, -1);
  EXPECT_EQ(Working().DblClk, -1);
}

TEST_F(OptionsSheetTest, ExtensionsTypedInTheSheetReachTheConditionBar) {
  WorkingSet w;
  w.ChkExt = 0;
  w.ChkNoExt = 0;
  w.Ext = "old";
  Prepare(w);
  rig.Bar().BaseEdit()->setText("/typed/not/run");
  Options([](QDialog& sheet) {
    OpenTab(sheet, kSearch);
    QTest::mouseClick(Find<QCheckBox>(sheet, "searchIncludeExt"), Qt::LeftButton);
    Retype(Find<QLineEdit>(sheet, "searchExtEdit"), "txt  ＣＳＶ ");
    Retype(Find<QLineEdit>(sheet, "searchNoExtEdit"), "bak");
    return ClickOk(sheet);
  });
  EXPECT_EQ(rig.Bar().ExtEdit()->text(), "txt  ＣＳＶ ");  // as typed, blanks and all
  EXPECT_EQ(rig.Bar().NoExtEdit()->text(), "bak");
  EXPECT_TRUE(rig.Bar().ExtCheck()->isChecked());
  EXPECT_FALSE(rig.Bar().NoExtCheck()->isChecked());
  EXPECT_EQ(Stored().Ext, "txt  ＣＳＶ ");
  EXPECT_EQ(Stored().NoExt, "bak");
  EXPECT_EQ(Stored().ChkExt, 1);
  EXPECT_EQ(Stored().ChkNoExt, 0);
  EXPECT_TRUE(rig.Frame().Commands().Action(cmd::kIncludeExt)->isChecked());
  // The folder edits keep what was typed; the sheet does not take them.
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/typed/not/run");
  EXPECT_EQ(Working().AFolder, dir / "a2");
  EXPECT_EQ(Stored().AFolder, dir / "a2");
}

// One check box of the sheet and the working-set field it stands for.
struct CheckMapping {
  const char* name;
  int tab;
  int WorkingSet::*field;
  bool inverse;  // ticked when the field is 0
  bool global;   // not part of the condition
};

const CheckMapping kChecks[] = {
    {"syncComplete", kSync, &WorkingSet::Complete, false, false},
    {"syncDeleteTrash", kSync, &WorkingSet::DeleteTrash, false, false},
    {"syncMemory", kSync, &WorkingSet::Memory, false, false},
    {"searchSubFolder", kSearch, &WorkingSet::SubFolder, false, false},
    {"searchHideSame", kSearch, &WorkingSet::SameDisp, true, false},
    {"searchIncludeExt", kSearch, &WorkingSet::ChkExt, false, false},
    {"searchExcludeExt", kSearch, &WorkingSet::ChkNoExt, false, false},
    {"searchEmptyFolder", kSearch, &WorkingSet::EmptyFolder, false, false},
    {"searchRecyclerFolder", kSearch, &WorkingSet::RecyclerFolder, false, false},
    {"envConfirm", kEnv, &WorkingSet::ConfDlg, false, true},
};

TEST_F(OptionsSheetTest, EveryCheckBoxRoundTripsIntoTheWorkingSetAndTheCondition) {
  for (const CheckMapping& check : kChecks) {
    SCOPED_TRACE(check.name);
    for (int start : {0, 1}) {
      WorkingSet w;
      w.*(check.field) = start;
      Prepare(w);
      bool shown = !start;
      Options([&](QDialog& sheet) {
        if (check.tab != kSync) OpenTab(sheet, check.tab);
        QCheckBox* box = Find<QCheckBox>(sheet, check.name);
        shown = box->isChecked();
        QTest::mouseClick(box, Qt::LeftButton);
        return ClickOk(sheet);
      });
      EXPECT_EQ(shown, (start != 0) != check.inverse);
      EXPECT_EQ(Working().*(check.field), 1 - start);
      // Everything else went back as it was shown.
      WorkingSet expected = w;
      expected.AFolder = Working().AFolder;
      expected.BFolder = Working().BFolder;
      expected.*(check.field) = 1 - start;
      EXPECT_EQ(Working().ToCondition("x"), expected.ToCondition("x"));
      EXPECT_EQ(Globals(Working()), Globals(expected));
      EXPECT_EQ(Stored().*(check.field), check.global ? WorkingSet().*(check.field) : 1 - start);
    }
  }
}

TEST_F(OptionsSheetTest, HidingIdenticalFilesTicksTheMenuItemAndTheToggleAgrees) {
  Prepare(WorkingSet{});
  ASSERT_FALSE(rig.Frame().Commands().Action(cmd::kSameDisp)->isChecked());
  rig.dialogs.modal.push_back([](QDialog& sheet) {
    sheet.show();
    OpenTab(sheet, kSearch);
    QTest::mouseClick(Find<QCheckBox>(sheet, "searchHideSame"), Qt::LeftButton);
    QTest::mouseClick(Find<QCheckBox>(sheet, "searchEmptyFolder"), Qt::LeftButton);
    return ClickOk(sheet);
  });
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kOptions));
  // The toolbar's buttons follow at once, not only when the program goes idle.
  EXPECT_TRUE(rig.Frame().Commands().Action(cmd::kSameDisp)->isChecked());
  EXPECT_TRUE(rig.Frame().Commands().Action(cmd::kEmptyFolder)->isChecked());
  Idle();
  EXPECT_EQ(Stored().SameDisp, 0);
  EXPECT_TRUE(rig.Frame().Commands().Action(cmd::kSameDisp)->isChecked());
  EXPECT_TRUE(rig.Frame().Commands().Action(cmd::kEmptyFolder)->isChecked());

  // The menu toggle back, and the sheet shows it.
  rig.Frame().Commands().Action(cmd::kSameDisp)->trigger();
  bool ticked = true;
  Options([&](QDialog& sheet) {
    OpenTab(sheet, kSearch);
    ticked = Find<QCheckBox>(sheet, "searchHideSame")->isChecked();
    return ClickCancel(sheet);
  });
  EXPECT_FALSE(ticked);
}

TEST_F(OptionsSheetTest, CheckBoxValuesOutsideZeroToTwoShowUntickedAndReadBackAsZero) {
  WorkingSet w;
  w.Complete = 5;
  w.DeleteTrash = 2;
  Prepare(w);
  bool complete = true;
  bool trash = false;
  Options([&](QDialog& sheet) {
    complete = Find<QCheckBox>(sheet, "syncComplete")->isChecked();
    trash = Find<QCheckBox>(sheet, "syncDeleteTrash")->isChecked();
    return ClickOk(sheet);
  });
  EXPECT_FALSE(complete);
  EXPECT_TRUE(trash);
  EXPECT_EQ(Stored().Complete, 0);
  EXPECT_EQ(Stored().DeleteTrash, 1);
}

TEST_F(OptionsSheetTest, TheUnitListAndTheDoubleClickGroupRoundTrip) {
  const char* radios[] = {"envDblClkUpdate", "envDblClkProperties", "envDblClkTool"};
  for (int choice = 0; choice < 4; ++choice) {
    SCOPED_TRACE(choice);
    WorkingSet w;
    w.DiffSel = (choice + 1) % 4;
    w.DblClk = (choice + 1) % 3;
    Prepare(w);
    Options([&](QDialog& sheet) {
      OpenTab(sheet, kSearch);
      QComboBox* unit = Find<QComboBox>(sheet, "searchDiffSel");
      EXPECT_EQ(unit->currentIndex(), w.DiffSel);
      unit->setCurrentIndex(choice);
      OpenTab(sheet, kEnv);
      for (int i = 0; i < 3; ++i) EXPECT_EQ(Find<QRadioButton>(sheet, radios[i])->isChecked(), i == w.DblClk);
      if (choice < 3) QTest::mouseClick(Find<QRadioButton>(sheet, radios[choice]), Qt::LeftButton);
      return ClickOk(sheet);
    });
    EXPECT_EQ(Stored().DiffSel, choice);
    EXPECT_EQ(Working().DiffSel, choice);
    EXPECT_EQ(Working().DblClk, choice < 3 ? choice : w.DblClk);
  }
}

TEST_F(OptionsSheetTest, ToolTextsAreTakenAsTypedAndUntouchedBytesStayExact) {
  WorkingSet w;
  w.ExeName1 = "bad \xff\xfe name";      // not UTF-8: shown with replacement characters
  w.ExePath1 = std::string(40000, 'p');  // longer than an edit's usual limit
  Prepare(w);
  qsizetype shownLength = 0;
  Options([&](QDialog& sheet) {
    OpenTab(sheet, kEnv);
    QLineEdit* path = Find<QLineEdit>(sheet, "envToolPath");
    shownLength = path->text().size();
    path->end(false);
    QTest::keyClicks(path, " x");
    return ClickOk(sheet);
  });
  EXPECT_EQ(shownLength, 40000);
  EXPECT_EQ(Working().ExeName1, "bad \xff\xfe name");
  EXPECT_EQ(Working().ExePath1, std::string(40000, 'p') + " x");

  // An edited text is taken as typed, blanks included.
  Options([&](QDialog& sheet) {
    OpenTab(sheet, kEnv);
    Retype(Find<QLineEdit>(sheet, "envToolName"), " meld ");
    return ClickOk(sheet);
  });
  EXPECT_EQ(Working().ExeName1, " meld ");
}

}  // namespace
}  // namespace orvel
