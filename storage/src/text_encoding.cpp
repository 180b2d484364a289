#include "storage/text_encoding.h"

#include "platform/utf8.h"

#include <cerrno>

#include <iconv.h>

namespace orvel::storage {

bool IsValidUtf8(std::string_view text) { return platform::IsValidUtf8(text); }

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
