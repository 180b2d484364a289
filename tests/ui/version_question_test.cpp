// Updating a "!" line asks one question, which version to keep, with each
// side's date and size; Return keeps everything, keeping one sends the other
// to the trash, and the two files can be compared in the external tool first.
#include "platform/local_time.h"
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/dialogs/user_dialogs.h"
#include "ui/dialogs/version_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/result_model.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace orvel {
namespace {

using test::Time;

// A remembered pair whose x.txt was then edited on both sides: one "!" line,
// selected, with the generic "go on?" switched on.
struct ConflictRig {
  test::TempDir dir;
  test::AppRig rig;
  ConflictRig() {
    test::AppRig::ClearSettings();
    test::WriteFile(dir / "a/x.txt", "v1", Time(1000));
    test::MakeFolder(dir / "b", Time(1000));
    engine::CCondition c = test::MakeCondition("c", dir / "a", dir / "b");
    c.Memory = 1;
    test::WriteConditionFile(dir / "set.ORV", {c});
    rig.Start({QString::fromStdString(dir / "set.ORV")});
    rig.State().Working().ConfDlg = 0;
    rig.Frame().Commands().Execute(ui::cmd::kSyncRun);
    test::WriteFile(dir / "a/x.txt", "base edit", Time(2000));
    test::WriteFile(dir / "b/x.txt", "the target's edit", Time(3000));
    rig.Frame().Commands().Execute(ui::cmd::kListCreation);
    rig.State().Working().ConfDlg = 1;
    rig.View().setCurrentIndex(rig.View().model()->index(0, 0));
  }
  std::string Result() { return rig.View().Results().ItemText(0, ui::ResultModel::kResult); }
};

TEST(VersionQuestionTest, OneQuestionWithDatesAndSizesWhoseReturnKeepsEverything) {
  ConflictRig t;
  ASSERT_EQ(t.Result(), "!");
  const std::string tool = t.dir / "tool.sh", compared = t.dir / "compared";
  std::ofstream(tool) << "#!/bin/sh\nprintf '%s\\n%s\\n' \"$1\" \"$2\" > '" << compared << ".part' && mv '"
                      << compared << ".part' '" << compared << "'\n";
  ::chmod(tool.c_str(), 0755);
  t.rig.State().Working().ExePath1 = tool;
  QString text;
  std::vector<engine::KeepVersion> choices;
  t.rig.dialogs.modal.push_back([&](QDialog& dialog) {
    auto& question = dynamic_cast<ui::VersionDialog&>(dialog);
    text = question.Text();
    dialog.show();
    QTest::mouseClick(question.CompareButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());  // comparing answers nothing
    // Return on any button, and on the dialog itself, is Cancel.
    for (QWidget* target : {static_cast<QWidget*>(question.BaseButton()), static_cast<QWidget*>(question.TargetButton()),
                            static_cast<QWidget*>(question.BothButton()), static_cast<QWidget*>(&dialog)}) {
      dialog.show();
      target->setFocus();
      QTest::keyClick(target, Qt::Key_Return);
      choices.push_back(dialog.result() == QDialog::Rejected ? question.Choice() : engine::KeepVersion::Both);
    }
    return dialog.result();
  });
  t.rig.Frame().Commands().Execute(ui::cmd::kUpdateSelected);
  EXPECT_EQ(t.rig.dialogs.questions.size(), 1);  // nothing asked before it
  EXPECT_EQ(choices, std::vector<engine::KeepVersion>(4, engine::KeepVersion::Neither));
  for (const std::string& part : {platform::FormatDate(Time(2000)), platform::FormatDate(Time(3000)), std::string("9 B"),
                                  std::string("17 バイト"), std::string(t.dir / "b/x.txt")})
    EXPECT_TRUE(text.contains(QString::fromStdString(part))) << part << " not in: " << text.toStdString();
  EXPECT_EQ(test::ReadFile(t.dir / "a/x.txt"), "base edit");
  EXPECT_EQ(test::ReadFile(t.dir / "b/x.txt"), "the target's edit");
  EXPECT_EQ(t.Result(), "!");
  for (int i = 0; i < 100 && !test::Exists(compared); ++i) QTest::qWait(50);
  EXPECT_EQ(test::ReadFile(compared), (t.dir / "a/x.txt") + "\n" + (t.dir / "b/x.txt") + "\n");
}

TEST(VersionQuestionTest, KeepingTheBaseSendsTheTargetsVersionToTheTrash) {
  ConflictRig t;
  const std::string trash = qEnvironmentVariable("XDG_DATA_HOME").toStdString() + "/Trash/files/";
  t.rig.dialogs.versions = {engine::KeepVersion::Base};
  t.rig.Frame().Commands().Execute(ui::cmd::kUpdateSelected);
  EXPECT_EQ(t.rig.dialogs.questions.size(), 1);
  EXPECT_EQ(test::FolderNames(t.dir / "b"), std::vector<std::string>{"x.txt"});
  EXPECT_EQ(test::ReadFile(t.dir / "b/x.txt"), "base edit");
  EXPECT_EQ(t.Result(), ">=");
  const std::vector<std::string> trashed = test::FolderNames(trash);
  ASSERT_EQ(trashed.size(), 1u);
  EXPECT_EQ(test::ReadFile(trash + trashed[0]), "the target's edit");
}

// The program's own yes/no questions: Return is No.
TEST(VersionQuestionTest, ReturnOnAYesNoQuestionIsNo) {
  ui::QtUserDialogs dialogs;
  QTimer press;
  QObject::connect(&press, &QTimer::timeout, [] {
    if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
  });
  press.start(50);
  EXPECT_FALSE(dialogs.AskYesNo(QStringLiteral("同期実行します\nよろしいですか？")));
}

}  // namespace
}  // namespace orvel
