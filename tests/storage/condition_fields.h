#pragma once

#include "engine/condition.h"

#include <gtest/gtest.h>

#include <string>

namespace orvel::test {

// Compares every field, the name included, so that a failure names the field.
inline void ExpectSameCondition(const engine::CCondition& actual, const engine::CCondition& expected) {
  EXPECT_EQ(actual.GetName(), expected.GetName());
  EXPECT_EQ(actual.GetAFolder(), expected.GetAFolder());
  EXPECT_EQ(actual.GetBFolder(), expected.GetBFolder());
  EXPECT_EQ(actual.GetSubFolder(), expected.GetSubFolder());
  EXPECT_EQ(actual.GetSameDisp(), expected.GetSameDisp());
  EXPECT_EQ(actual.GetChkExt(), expected.GetChkExt());
  EXPECT_EQ(actual.GetExt(), expected.GetExt());
  EXPECT_EQ(actual.GetComplete(), expected.GetComplete());
  EXPECT_EQ(actual.GetChkNoExt(), expected.GetChkNoExt());
  EXPECT_EQ(actual.GetNoExt(), expected.GetNoExt());
  EXPECT_EQ(actual.GetDiffTime(), expected.GetDiffTime());
  EXPECT_EQ(actual.GetDiffSel(), expected.GetDiffSel());
  EXPECT_EQ(actual.GetEmptyFolder(), expected.GetEmptyFolder());
  EXPECT_EQ(actual.GetRecyclerFolder(), expected.GetRecyclerFolder());
  EXPECT_EQ(actual.GetDeleteTrash(), expected.GetDeleteTrash());
}

// A condition whose fields all differ from the defaults and from the fields
// of a condition made with another seed.
inline engine::CCondition SampleCondition(const std::string& name, int seed) {
  const std::string s = std::to_string(seed);
  engine::CCondition c;
  c.SetName(name);
  c.SetAFolder("/base" + s + "/");
  c.SetBFolder("/target" + s);
  c.SetSubFolder(seed % 2);
  c.SetSameDisp((seed + 1) % 2);
  c.SetChkExt(1);
  c.SetExt("exe com" + s);
  c.SetComplete(1);
  c.SetChkNoExt(seed % 2);
  c.SetNoExt("bak tmp" + s);
  c.SetDiffTime(10 + seed, seed % 4);
  c.SetEmptyFolder(1);
  c.SetRecyclerFolder(seed % 2);
  c.SetDeleteTrash(1);
  return c;
}

}  // namespace orvel::test
