#pragma once

#include "engine/condition.h"
#include "storage/field_table.h"

#include <gtest/gtest.h>

#include <string>

namespace orvel::test {

// Compares every field, the name included, so that a failure names the field.
inline void ExpectSameCondition(const engine::CCondition& actual, const engine::CCondition& expected) {
  EXPECT_EQ(actual.Name, expected.Name);
  for (const storage::Field& field : storage::kFileFields) {
    if (const std::string* text = storage::TextIn(field, actual)) {
      EXPECT_EQ(*text, *storage::TextIn(field, expected)) << field.key;
    } else {
      EXPECT_EQ(*storage::NumberIn(field, actual), *storage::NumberIn(field, expected)) << field.key;
    }
  }
}

// A condition whose fields all differ from the defaults and from the fields
// of a condition made with another seed.
inline engine::CCondition SampleCondition(const std::string& name, int seed) {
  const std::string s = std::to_string(seed);
  engine::CCondition c;
  c.Name = name;
  c.AFolder = "/base" + s + "/";
  c.BFolder = "/target" + s;
  c.SubFolder = seed % 2;
  c.SameDisp = (seed + 1) % 2;
  c.ChkExt = 1;
  c.Ext = "exe com" + s;
  c.Complete = 1;
  c.ChkNoExt = seed % 2;
  c.NoExt = "bak tmp" + s;
  c.DiffTime = 10 + seed;
  c.DiffSel = seed % 4;
  c.EmptyFolder = 1;
  c.RecyclerFolder = seed % 2;
  c.DeleteTrash = 1;
  c.Memory = 1;
  return c;
}

}  // namespace orvel::test
