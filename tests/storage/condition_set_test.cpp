#include "storage/condition_set.h"
#include "storage/working_set.h"

#include "condition_fields.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace orvel::storage {
namespace {

using test::ExpectSameCondition;
using test::SampleCondition;

TEST(ConditionSet, AddReplaceRemoveKeepInsertionOrder) {
  CConditionSet set;
  EXPECT_EQ(set.Add(SampleCondition("a", 1)), 0);
  EXPECT_EQ(set.Add(SampleCondition("b", 2)), 1);
  EXPECT_EQ(set.Add(SampleCondition("a", 3)), 2);  // names may repeat
  ASSERT_EQ(set.Count(), 3);

  set.Replace(1, SampleCondition("B", 4));
  ExpectSameCondition(set.Get(1), SampleCondition("B", 4));

  set.Remove(0);
  ASSERT_EQ(set.Count(), 2);
  ExpectSameCondition(set.Get(0), SampleCondition("B", 4));
  ExpectSameCondition(set.Get(1), SampleCondition("a", 3));

  set.Clear();
  EXPECT_EQ(set.Count(), 0);
}

TEST(ConditionSet, IndexesOutsideTheSetAreRefused) {
  CConditionSet set;
  set.Add(SampleCondition("only", 1));
  EXPECT_THROW(set.Get(1), std::out_of_range);
  EXPECT_THROW(set.Replace(-1, CCondition()), std::out_of_range);
  EXPECT_THROW(set.Remove(1), std::out_of_range);
  EXPECT_THROW(set.Remove(-1), std::out_of_range);
  EXPECT_EQ(set.Count(), 1);
}

TEST(WorkingSet, CarriesTheFourteenFieldsButNeitherNameNorGlobalOptions) {
  WorkingSet working;
  working.DblClk = 2;
  working.ConfDlg = 0;
  working.ExeName1 = "tool";
  working.ExePath1 = "/usr/bin/tool";
  const CCondition source = SampleCondition("source name", 3);
  working.LoadFrom(source);

  EXPECT_EQ(working.AFolder, source.AFolder);
  EXPECT_EQ(working.DiffTime, source.DiffTime);
  EXPECT_EQ(working.DiffSel, source.DiffSel);
  EXPECT_EQ(working.DblClk, 2);
  EXPECT_EQ(working.ConfDlg, 0);
  EXPECT_EQ(working.ExeName1, "tool");
  EXPECT_EQ(working.ExePath1, "/usr/bin/tool");

  ExpectSameCondition(working.ToCondition("other name"), SampleCondition("other name", 3));
}

}  // namespace
}  // namespace orvel::storage
