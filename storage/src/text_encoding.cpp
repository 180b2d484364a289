#include "storage/text_encoding.h"

#include <cerrno>

#include <iconv.h>

namespace orvel::storage {

bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0)
        low = 0xA0;  // no overlong forms
      else if (c == 0xED)
        high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0)
        low = 0x90;  // no overlong forms
      else if (c == 0xF4)
        high = 0x8F;  // nothing above U+10FFFF
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (std::size_t i = 2; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
    }
    p += length;
  }
  return true;
}

std::optional<std::string> Cp932ToUtf8(std::string_view text) {
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;

  std::string out;
  // A CP932 character takes one or two bytes and at most three in UTF-8.
  out.resize(text.size() * 3 / 2 + 16);
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  std::size_t produced = 0;
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = out.data() + produced;
    std::size_t outLeft = out.size() - produced;
    const std::size_t r = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    produced = out.size() - outLeft;
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    ok = false;  // EILSEQ or a truncated character at the end
    break;
  }
  ::iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(produced);
  return out;
}

}  // namespace orvel::storage
