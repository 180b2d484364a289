// Code 15 (Memory) in condition files: written only when set, invisible to
// readers that know codes 1 to 14.
#include "storage/condition_file.h"
#include "storage/field_table.h"

#include "condition_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvel::storage {
namespace {

using test::ExpectSameCondition;
using test::SampleCondition;

CConditionSet Parse(const std::string& text, const std::string& path = "/x/File.ORV") {
  CConditionSet set;
  ParseConditionFile(text, path, set);
  return set;
}

// The codes of each condition's lines, in file order, read the way every
// coded reader reads them: the first two bytes as a decimal number.
std::vector<std::vector<int>> CodesPerCondition(const std::string& text) {
  std::vector<std::vector<int>> codes;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    const std::string line = text.substr(at, end - at);
    at = end + 2;
    if (line.starts_with("// ")) {
      codes.emplace_back();
    } else if (!codes.empty()) {
      codes.back().push_back(std::stoi(line.substr(0, 2)));
    }
  }
  return codes;
}

TEST(ConditionFileMemory, WrittenOnlyWhenOnAfterTheFourteenOldCodes) {
  CConditionSet set;
  CCondition on = SampleCondition("on", 1);
  CCondition off = SampleCondition("off", 2);
  off.Memory = 0;
  set.Add(on);
  set.Add(off);
  const std::string text = FormatConditionFile(set);
  const std::vector<int> old = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  std::vector<int> withMemory = old;
  withMemory.push_back(15);
  // After 14, never right after 10 (whose next line an older reader takes for
  // the unit, whatever it says), and its two code bytes are "15", beyond
  // anything a 14-code reader applies.
  EXPECT_EQ(CodesPerCondition(text), (std::vector<std::vector<int>>{withMemory, old}));
  EXPECT_NE(text.find("\r\n141\r\n151\r\n// off"), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with("\r\n141\r\n")) << text;

  const CConditionSet loaded = Parse(text);
  ASSERT_EQ(loaded.Count(), 2);
  ExpectSameCondition(loaded.Get(0), on);
  ExpectSameCondition(loaded.Get(1), off);
}

TEST(ConditionFileMemory, ReadersOfFourteenCodesSeeTheSameConditionsWithoutIt) {
  CConditionSet set;
  set.Add(SampleCondition("one", 1));
  set.Add(SampleCondition("two", 2));
  std::string text = FormatConditionFile(set);
  // What a reader that ignores code 15 gets is what the file says without those lines.
  std::string without = text;
  for (std::size_t at; (at = without.find("\r\n151\r\n")) != std::string::npos;) without.erase(at, 5);
  ASSERT_NE(without, text);
  const CConditionSet full = Parse(text);
  const CConditionSet stripped = Parse(without);
  ASSERT_EQ(stripped.Count(), 2);
  for (int i = 0; i < 2; ++i) {
    CCondition expected = full.Get(i);
    expected.Memory = 0;
    ExpectSameCondition(stripped.Get(i), expected);
  }
  // The same rule one code further: this reader ignores a code it does not know.
  const CConditionSet later = Parse("171\r\n// n\r\n01/a\r\n161\r\n151\r\n");
  ASSERT_EQ(later.Count(), 1);
  EXPECT_EQ(later.Get(0).AFolder, "/a");
  EXPECT_EQ(later.Get(0).Memory, 1);
}

TEST(ConditionFileMemory, ValuesAndTheLegacyLayout) {
  struct Case {
    const char* text;
    int memory;
  };
  for (const Case& c : {Case{"171\r\n// n\r\n151\r\n", 1}, Case{"171\r\n// n\r\n150\r\n", 0},
                        Case{"171\r\n// n\r\n01/a\r\n", 0}, Case{"171\r\n// n\r\n15\r\n", 0},
                        // The first layout had fourteen lines; a fifteenth is no option of it.
                        Case{"/a\n/b\n1\n1\n0\n\n0\n0\n\n0\n0\n0\n1\n0\n1\n", 0}}) {
    SCOPED_TRACE(c.text);
    const CConditionSet set = Parse(c.text);
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Get(0).Memory, c.memory);
  }
}

}  // namespace
}  // namespace orvel::storage
