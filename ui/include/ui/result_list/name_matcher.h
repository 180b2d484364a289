#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace orvel::ui {

// Whether a name (UTF-8 bytes, as the rows hold it) contains a text, in any
// case: both are compared character by character after Unicode's simple case
// folding. Names of ASCII only take a fast way; a byte that is not UTF-8 stands
// for U+FFFD, as the list shows it.
class NameMatcher {
 public:
  explicit NameMatcher(const QString& part);

  bool Empty() const { return folded_.empty(); }
  bool Matches(std::string_view name) const;

 private:
  // The slow way: the name decoded and folded, then searched.
  bool MatchesFolded(std::string_view name) const;

  std::u32string folded_;  // the text, folded
  std::string ascii_;      // the same as bytes when every character is ASCII
  bool asciiPart_ = true;
  mutable std::u32string buffer_;  // a name decoded and folded
};

}  // namespace orvel::ui
