#pragma once

#include "engine/sync_memory.h"

#include <map>
#include <string>
#include <utility>

namespace orvel::test {

// Remembered states in memory, kept as the SQLite store keeps them: by the two
// root paths, with the roots' identities.
class FakeSyncState : public engine::ISyncState {
 public:
  using Key = std::pair<std::string, std::string>;  // relative folder, name
  struct Pair {
    engine::PairRoots roots;
    std::map<Key, engine::RememberedEntry> entries;
  };
  std::map<std::pair<std::string, std::string>, Pair> pairs;
  int loads = 0;
  int saves = 0;
  bool failLoads = false;
  bool failSaves = false;

  Loaded Load(const engine::PairRoots& roots, engine::RememberedTable& table, std::string& reason) override {
    ++loads;
    table.Clear();
    if (failLoads) {
      reason = "broken";
      return Loaded::Failed;
    }
    const auto found = pairs.find({roots.base, roots.target});
    if (found == pairs.end()) return Loaded::None;
    if (!SameRoots(found->second.roots, roots)) return Loaded::Replaced;
    for (const auto& [key, entry] : found->second.entries) table.Add(key.first, key.second, entry);
    return Loaded::Found;
  }

  bool Save(const engine::PairRoots& roots, const engine::StateChanges& changes, std::string& reason) override {
    ++saves;
    if (failSaves) {
      reason = "full";
      return false;
    }
    Pair& pair = pairs[{roots.base, roots.target}];
    if (!SameRoots(pair.roots, roots)) pair = Pair{roots, {}};
    for (const auto& item : changes.Items()) {
      const Key key{std::string(changes.Folder(item)), std::string(changes.Name(item))};
      if (item.forget) {
        pair.entries.erase(key);
      } else {
        pair.entries[key] = item.entry;
      }
    }
    return true;
  }

  std::string Location() const override { return "state"; }

  // The remembered entries of the only pair, as "folder/name".
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& [paths, pair] : pairs) {
      for (const auto& [key, entry] : pair.entries) names.push_back(key.first + key.second);
    }
    return names;
  }

 private:
  static bool SameRoots(const engine::PairRoots& a, const engine::PairRoots& b) {
    return a.baseId == b.baseId && a.targetId == b.targetId;
  }
};

}  // namespace orvel::test
