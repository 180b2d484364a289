#include "platform/temporary_name.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <random>

#include <sys/xattr.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

constexpr std::string_view kMarker = ".orvel-";
constexpr std::size_t kRandomChars = 6;
constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
// Long names are shortened so the temporary name still fits the usual 255 bytes.
constexpr std::size_t kKeptNameBytes = 200;

char RandomChar() {
  thread_local std::mt19937_64 generator(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()) ^
                                         static_cast<std::uint64_t>(std::time(nullptr)));
  return kAlphabet[generator() % kAlphabet.size()];
}

bool IsAlphanumeric(char c) { return kAlphabet.find(c) != std::string_view::npos; }

}  // namespace

std::string TemporaryNameFor(std::string_view name) {
  std::string tmp;
  tmp.reserve(1 + kKeptNameBytes + kMarker.size() + kRandomChars);
  tmp.push_back('.');
  tmp.append(name.substr(0, std::min(name.size(), kKeptNameBytes)));
  tmp.append(kMarker);
  for (std::size_t i = 0; i < kRandomChars; ++i) tmp.push_back(RandomChar());
  return tmp;
}

bool IsTemporaryName(std::string_view name) {
  const std::size_t suffix = kMarker.size() + kRandomChars;
  if (name.size() < 2 + suffix || name.front() != '.') return false;
  const std::string_view tail = name.substr(name.size() - suffix);
  if (!tail.starts_with(kMarker)) return false;
  return std::all_of(tail.begin() + static_cast<std::ptrdiff_t>(kMarker.size()), tail.end(), IsAlphanumeric);
}

bool MarkTemporary(int fd, std::string_view tmpName) {
  return ::fsetxattr(fd, kTemporaryMark, tmpName.data(), tmpName.size(), 0) == 0;
}

void UnmarkTemporary(int fd) { ::fremovexattr(fd, kTemporaryMark); }

}  // namespace orvel::platform
