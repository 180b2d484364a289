#include "engine/run_values.h"

#include "platform/path.h"
#include "platform/unicode.h"

namespace orvel::engine {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::string UpperCase(std::string_view text) { return platform::UpperCaseUtf8(text); }

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
  v.aFolder = platform::WithTrailingSeparator(c.AFolder);
  v.bFolder = platform::WithTrailingSeparator(c.BFolder);
  v.ext = NormaliseExtensionList(c.Ext);
  v.noExt = NormaliseExtensionList(c.NoExt);
  v.chkExt = c.ChkExt != 0;
  v.chkNoExt = c.ChkNoExt != 0;
  v.subFolder = c.SubFolder != 0;
  v.sameDisp = c.SameDisp != 0;
  v.complete = c.Complete != 0;
  v.emptyFolder = c.EmptyFolder != 0;
  v.recyclerFolder = c.RecyclerFolder != 0;
  v.memory = c.Memory != 0 && !v.complete;
  v.toleranceSeconds = ToleranceSeconds(c.DiffTime, c.DiffSel);
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
