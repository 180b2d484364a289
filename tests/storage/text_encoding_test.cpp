#include "storage/text_encoding.h"

#include <gtest/gtest.h>

namespace orvel::storage {
namespace {

TEST(TextEncoding, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain /path"));
  EXPECT_TRUE(IsValidUtf8("新規 データ ü €"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));           // U+1F600
  EXPECT_TRUE(IsValidUtf8(std::string_view("a\0b", 3)));  // NUL is a character
  EXPECT_FALSE(IsValidUtf8("\x90\x56\x8B\x4B"));          // CP932 新規
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));                  // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));              // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));              // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));          // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE6\x96"));                  // cut short
  EXPECT_FALSE(IsValidUtf8("\x80"));
}

TEST(TextEncoding, Cp932Decoding) {
  EXPECT_EQ(Cp932ToUtf8("\x90\x56\x8B\x4B"), "新規");
  EXPECT_EQ(Cp932ToUtf8("D:\\\x83\x66\x81\x5B\x83\x5E\\"), "D:\\データ\\");
  EXPECT_EQ(Cp932ToUtf8("\xB1\xB2"), "ｱｲ");  // half-width katakana
  EXPECT_EQ(Cp932ToUtf8(""), "");
  // One byte in, three out: the output buffer has to grow.
  const auto katakana = Cp932ToUtf8(std::string(100000, '\xB1'));
  ASSERT_TRUE(katakana.has_value());
  EXPECT_EQ(katakana->size(), 300000u);
  EXPECT_EQ(katakana->substr(299997), "ｱ");
  EXPECT_FALSE(Cp932ToUtf8("\x82\xA0\x82").has_value());  // a lead byte without its trail
  EXPECT_FALSE(Cp932ToUtf8("abc\xFF").has_value());
}

}  // namespace
}  // namespace orvel::storage
