#include "engine/run_values.h"

#include "platform/path.h"
#include "platform/utf8.h"

namespace orvel::engine {

namespace {

void EncodeUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Simple upper-case mapping of the letters people type into extension lists:
// Latin-1 and Latin Extended-A, Greek, Cyrillic and the full-width forms.
char32_t ToUpper(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
    // Pairs: capital at the even code point, except the two runs that pair odd/even the other way.
    const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddCapitals) return (c % 2 == 0) ? c - 1 : c;
    return (c % 2 == 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
  return c;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::string UpperCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out.push_back(b >= 'a' && b <= 'z' ? static_cast<char>(b - 0x20) : static_cast<char>(b));
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t len = platform::DecodeUtf8(text, i, cp);
    if (len == 0) {  // not UTF-8: keep the byte
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    EncodeUtf8(ToUpper(cp), out);
    i += len;
  }
  return out;
}

std::string NormaliseExtensionList(std::string_view list) {
  std::size_t begin = 0;
  std::size_t end = list.size();
  while (begin < end && IsBlank(list[begin])) ++begin;
  while (end > begin && IsBlank(list[end - 1])) --end;
  return " " + UpperCase(list.substr(begin, end - begin)) + " ";
}

std::int64_t ToleranceSeconds(int diffTime, int diffSel) {
  if (diffTime <= 0) return 0;
  static constexpr std::int64_t kUnit[] = {1, 60, 3600, 86400};
  if (diffSel < 0 || diffSel > 3) return 0;
  return static_cast<std::int64_t>(diffTime) * kUnit[diffSel];
}

RunValues DeriveRunValues(const CCondition& c) {
  RunValues v;
  v.aFolder = platform::WithTrailingSeparator(c.GetAFolder());
  v.bFolder = platform::WithTrailingSeparator(c.GetBFolder());
  v.ext = NormaliseExtensionList(c.GetExt());
  v.noExt = NormaliseExtensionList(c.GetNoExt());
  v.chkExt = c.GetChkExt() != 0;
  v.chkNoExt = c.GetChkNoExt() != 0;
  v.subFolder = c.GetSubFolder() != 0;
  v.sameDisp = c.GetSameDisp() != 0;
  v.complete = c.GetComplete() != 0;
  v.emptyFolder = c.GetEmptyFolder() != 0;
  v.recyclerFolder = c.GetRecyclerFolder() != 0;
  v.toleranceSeconds = ToleranceSeconds(c.GetDiffTime(), c.GetDiffSel());
  return v;
}

bool ExtensionTest(const RunValues& values, std::string_view fileName) {
  if (!values.chkExt && !values.chkNoExt) return true;
  const auto dot = fileName.rfind('.');
  const std::string_view ext = dot == std::string_view::npos ? fileName : fileName.substr(dot + 1);
  std::string wrapped;
  wrapped.reserve(ext.size() + 2);
  wrapped.push_back(' ');
  wrapped += UpperCase(ext);
  wrapped.push_back(' ');
  if (values.chkExt) return values.ext.find(wrapped) != std::string::npos;
  return values.noExt.find(wrapped) == std::string::npos;
}

}  // namespace orvel::engine
