#include "platform/unicode.h"

#include "platform/utf8.h"

#include <glib.h>

namespace orvel::platform {

std::string UpperCaseUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char byte = text[i];
    if (byte >= 'a' && byte <= 'z') {
      out.push_back(static_cast<char>(byte - 'a' + 'A'));
      ++i;
      continue;
    }
    char32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(text, i, codePoint);
    if (length <= 1) {  // ASCII other than a-z, or not UTF-8: the byte as it is
      out.push_back(byte);
      ++i;
      continue;
    }
    char encoded[6];
    const gint written = g_unichar_to_utf8(g_unichar_toupper(codePoint), encoded);
    out.append(encoded, static_cast<std::size_t>(written));
    i += length;
  }
  return out;
}

}  // namespace orvel::platform
