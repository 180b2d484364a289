#pragma once

#include "platform/entry_info.h"

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace orvel::engine {

// The name of a version kept beside another of the same name:
// "NAME (WORD YYYY-MM-DD HHMMSS).EXT" in local time, the extension kept (a name
// that only begins with a dot has none). Later attempts, for a name already
// taken, add their number after the time. The result stays within 255 bytes,
// NAME shortened at a character's boundary when it must.
std::string BesideName(std::string_view name, std::string_view word, std::time_t when, int attempt = 1);

// The first such name, now, that `taken` does not find (after 1000 attempts
// the last one: the rename then refuses it).
std::string FreeBesideName(std::string_view name, std::string_view word,
                           const std::function<bool(const std::string&)>& taken);

// One that neither folder holds (anything whose LookUp(name) gives an EntryInfo).
template <typename Folder>
std::string FreeBesideName(std::string_view name, std::string_view word, const Folder& a,
                           const std::type_identity_t<Folder>* b) {
  return FreeBesideName(name, word, [&](const std::string& candidate) {
    const platform::EntryInfo inA = a.LookUp(candidate);
    const platform::EntryInfo inB = b ? b->LookUp(candidate) : platform::EntryInfo{};
    return inA.exists || inA.error || inB.exists || inB.error;
  });
}

}  // namespace orvel::engine
