#include "ui/result_list/name_matcher.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <functional>

namespace orvel::ui {

namespace {

unsigned char FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c; }

bool HasNonAscii(const unsigned char* from, const unsigned char* to) {
  for (; from < to; ++from) {
    if (*from >= 0x80) return true;
  }
  return false;
}

// The next character of UTF-8 bytes at `at`, moving past it; U+FFFD for a byte
// that does not begin a well-formed sequence (that byte alone is passed).
char32_t NextCharacter(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  int length = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1Fu;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0Fu;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07u;
    least = 0x10000;
  } else {
    ++at;
    return 0xFFFD;
  }
  if (at + static_cast<std::size_t>(length) > text.size()) {
    ++at;
    return 0xFFFD;
  }
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(at + static_cast<std::size_t>(i));
    if ((next & 0xC0u) != 0x80u) {
      ++at;
      return 0xFFFD;
    }
    c = c << 6 | (next & 0x3Fu);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++at;
    return 0xFFFD;
  }
  at += static_cast<std::size_t>(length);
  return c;
}

}  // namespace

NameMatcher::NameMatcher(const QString& part) {
  for (const char32_t c : part.toUcs4()) {
    const char32_t folded = QChar::toCaseFolded(c);
    folded_.push_back(folded);
    if (folded >= 0x80) asciiPart_ = false;
  }
  if (asciiPart_) {
    for (const char32_t c : folded_) ascii_.push_back(static_cast<char>(c));
  }
}

bool NameMatcher::Matches(std::string_view name) const {
  if (folded_.empty()) return true;
  const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
  const std::size_t n = name.size();
  // ASCII letters fold to ASCII letters, and nothing else folds to ASCII that
  // an ASCII name could hold: a part with other characters matches no ASCII
  // name, and a name of ASCII only is searched byte by byte. The first byte
  // above ASCII sends the name the slow way.
  if (!asciiPart_) return HasNonAscii(bytes, bytes + n) && MatchesFolded(name);
  const std::size_t m = ascii_.size();
  const auto first = static_cast<unsigned char>(ascii_[0]);
  std::size_t i = 0;
  for (; i + m <= n; ++i) {
    if (bytes[i] >= 0x80) return MatchesFolded(name);
    if (FoldAscii(bytes[i]) != first) continue;
    std::size_t j = 1;
    for (; j < m; ++j) {
      if (bytes[i + j] >= 0x80) return MatchesFolded(name);
      if (FoldAscii(bytes[i + j]) != static_cast<unsigned char>(ascii_[j])) break;
    }
    if (j == m) return true;
  }
  // A character above ASCII in the tail may still fold into the part.
  return HasNonAscii(bytes + i, bytes + n) && MatchesFolded(name);
}

bool NameMatcher::MatchesFolded(std::string_view name) const {
  buffer_.clear();
  for (std::size_t at = 0; at < name.size();) buffer_.push_back(QChar::toCaseFolded(NextCharacter(name, at)));
  if (folded_.size() > buffer_.size()) return false;
  return std::search(buffer_.begin(), buffer_.end(), folded_.begin(), folded_.end()) != buffer_.end();
}

}  // namespace orvel::ui
