// Upper-casing of names: Unicode's simple mapping for valid UTF-8, other bytes kept.
#include "platform/unicode.h"

#include <gtest/gtest.h>

#include <string>

namespace orvel::test {
namespace {

TEST(UpperCaseUtf8, MapsEachValidCharacterAndKeepsOtherBytes) {
  using namespace std::string_literals;
  const struct {
    const char* what;
    std::string in;
    std::string out;
  } cases[] = {
      {"ASCII around a-z and A-Z", "`az{@AZ[09", "`AZ{@AZ[09"},
      {"Latin-1", "éÿ µ", "ÉŸ Μ"},
      {"Latin Extended-A, both pairings", "łžĳ", "ŁŽĲ"},
      {"Latin Extended-B", "ƀǎǆǅ", "ɃǍǄǄ"},
      {"Greek with accents and final sigma", "άως", "ΆΩΣ"},
      {"Cyrillic and its extension", "жёѣ", "ЖЁѢ"},
      {"Armenian", "աբ", "ԱԲ"},
      {"full-width", "ａｚ", "ＡＺ"},
      {"four bytes (Deseret)", "\xF0\x90\x90\xA8", "\xF0\x90\x90\x80"},
      {"no simple mapping", "ß 日本語 ＡＺ", "ß 日本語 ＡＺ"},
      {"not UTF-8", "a\xFF\xFE" "b", "A\xFF\xFE" "B"},
      {"overlong form", "\xC0\xAFz", "\xC0\xAFZ"},
      {"surrogate", "\xED\xA0\x80z", "\xED\xA0\x80Z"},
      {"lead byte before ASCII", "\xC3z", "\xC3Z"},
      {"cut short at the end", "z\xC3", "Z\xC3"},
      {"lone continuation byte", "\x80\xA9" "e", "\x80\xA9" "E"},
      {"NUL inside", "a\0b"s, "A\0B"s},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(platform::UpperCaseUtf8(c.in), c.out);
  }
}

}  // namespace
}  // namespace orvel::test
