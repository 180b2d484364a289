#include "storage/settings_store.h"

#include "storage/condition_bar.h"
#include "storage/condition_fields.h"
#include "storage/condition_file.h"
#include "storage/condition_state.h"
#include "support/temp_tree.h"

#include <QFile>
#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <memory>

namespace orvel::storage {
namespace {

using test::ExpectSameCondition;
using test::SampleCondition;

// Each test has its own settings file in a temp folder.
class SettingsStoreTest : public ::testing::Test {
 protected:
  std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QString::fromStdString(dir / "Orvel.conf"), QSettings::IniFormat);
  }

  test::TempDir dir;
};

WorkingSet AllDifferentFromDefaults() {
  WorkingSet w;
  w.AFolder = "/home/ユーザー/写真 2024";
  w.BFolder = "/media/バックアップ/Ωmega";
  w.SubFolder = 1;
  w.SameDisp = 0;
  w.DblClk = 2;
  w.ConfDlg = 0;
  w.ExeName1 = "比較ツール";
  w.ExePath1 = "/usr/bin/meld --diff";
  w.ChkExt = 1;
  w.Ext = "txt doc";
  w.ChkNoExt = 1;
  w.NoExt = "bak, tmp";  // a comma must not turn the value into a list
  w.Complete = 1;
  w.DiffTime = 40000;
  w.DiffSel = 3;
  w.EmptyFolder = 1;
  w.RecyclerFolder = 0;
  w.DeleteTrash = 1;
  w.Memory = 1;
  return w;
}

void ExpectSameWorkingSet(const WorkingSet& actual, const WorkingSet& expected) {
  ExpectSameCondition(actual.ToCondition(""), expected.ToCondition(""));
  EXPECT_EQ(actual.DblClk, expected.DblClk);
  EXPECT_EQ(actual.ConfDlg, expected.ConfDlg);
  EXPECT_EQ(actual.ExeName1, expected.ExeName1);
  EXPECT_EQ(actual.ExePath1, expected.ExePath1);
}

TEST_F(SettingsStoreTest, FirstStartGivesOneNewConditionWithTheInstallationDefaults) {
  ConditionState state(nullptr);
  state.Set().Add(SampleCondition("left over", 1));
  state.Set().Add(SampleCondition("left over too", 2));
  state.SetCurrentIndex(0);
  auto settings = OpenSettings();
  LoadSettings(*settings, state);

  ASSERT_EQ(state.Set().Count(), 1);
  EXPECT_EQ(state.CurrentIndex(), 0);
  engine::CCondition expected;
  expected.Name = "新規";
  expected.AFolder = "/";
  expected.BFolder = "/";
  expected.SubFolder = 0;  // the settings default, not the condition's own
  expected.SameDisp = 1;
  expected.ChkExt = 0;
  expected.ChkNoExt = 0;
  expected.Complete = 0;
  expected.DiffTime = 0;
  expected.DiffSel = 0;
  expected.EmptyFolder = 0;
  expected.RecyclerFolder = 1;
  expected.DeleteTrash = 0;
  ExpectSameCondition(state.Set().Get(0), expected);
  ExpectSameCondition(state.Working().ToCondition("新規"), expected);
  EXPECT_EQ(state.Working().DblClk, 1);
  EXPECT_EQ(state.Working().ConfDlg, 1);
  EXPECT_EQ(state.Working().ExeName1, "");
  EXPECT_EQ(state.Working().ExePath1, "");
  // Loading writes nothing.
  EXPECT_TRUE(settings->allKeys().isEmpty());
}

TEST_F(SettingsStoreTest, AllNineteenValuesSurviveASaveAndLoadThroughTheFile) {
  const WorkingSet saved = AllDifferentFromDefaults();
  {
    auto settings = OpenSettings();
    SaveSettings(*settings, saved);
  }  // written to the file here
  auto settings = OpenSettings();
  EXPECT_EQ(settings->allKeys().size(), 19);
  // Top level, no group; numbers as plain integers.
  EXPECT_EQ(settings->childGroups(), QStringList());
  EXPECT_EQ(settings->value("DiffTime").toString(), "40000");

  ConditionState state(nullptr);
  state.SetCurrentIndex(0);
  LoadSettings(*settings, state);
  ExpectSameWorkingSet(state.Working(), saved);
  ASSERT_EQ(state.Set().Count(), 1);
  ExpectSameCondition(state.Set().Get(0), saved.ToCondition("新規"));
}

TEST_F(SettingsStoreTest, TheCurrentConditionOfALoadedSetComesBackAsTheOneNewCondition) {
  CConditionSet file;
  file.Add(SampleCondition("first", 1));
  file.Add(SampleCondition("second", 2));
  file.Add(SampleCondition("third", 3));
  const std::string path = dir / "three.ORV";
  ASSERT_TRUE(SaveConditionFile(path, file));

  {
    ConditionState state(nullptr);
    auto settings = OpenSettings();
    LoadSettings(*settings, state);
    ASSERT_TRUE(LoadConditionFile(path, state.Set()));
    state.ShowLoadedSet();
    state.SelectCondition(1);
    ASSERT_EQ(state.CurrentIndex(), 1);
    state.Working().DblClk = 0;  // changed in the options sheet
    SaveSettings(*settings, state.Working());
  }

  ConditionState next(nullptr);
  auto settings = OpenSettings();
  LoadSettings(*settings, next);
  ASSERT_EQ(next.Set().Count(), 1);
  ExpectSameCondition(next.Set().Get(0), SampleCondition("新規", 2));
  EXPECT_EQ(next.Working().DblClk, 0);
}

TEST_F(SettingsStoreTest, HandEditedValuesThatAreNotIntegersReadAsTheirDefaults) {
  {
    QFile conf(QString::fromStdString(dir / "Orvel.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(
        "[General]\n"
        "SameDisp=yes\n"
        "SubFolder=1.5\n"
        "RecyclerFolder=\n"
        "ConfDlg=4294967296\n"
        "DeleteTrash=true\n"
        "EmptyFolder=0x1\n"
        "Complete=1e0\n"
        "DiffTime=\"12\"\n"
        "DiffSel=-2\n"
        "Ext=a, b\n"
        "AFolder=/data\n");
  }
  ConditionState state(nullptr);
  auto settings = OpenSettings();
  LoadSettings(*settings, state);
  const WorkingSet& w = state.Working();
  EXPECT_EQ(w.SameDisp, 1);
  EXPECT_EQ(w.SubFolder, 0);
  EXPECT_EQ(w.RecyclerFolder, 1);
  EXPECT_EQ(w.ConfDlg, 1);  // beyond 32 bits
  EXPECT_EQ(w.DeleteTrash, 0);
  EXPECT_EQ(w.EmptyFolder, 0);
  EXPECT_EQ(w.Complete, 0);
  // Valid integers are taken as written, even a quoted or negative one.
  EXPECT_EQ(w.DiffTime, 12);
  EXPECT_EQ(w.DiffSel, -2);
  EXPECT_EQ(w.Ext, "a, b");
  EXPECT_EQ(w.AFolder, "/data");
  EXPECT_EQ(w.BFolder, "/");
}

}  // namespace
}  // namespace orvel::storage
