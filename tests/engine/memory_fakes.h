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
    std::pair<engine::MountList, engine::MountList> mounts;
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
    table.Mounts(true) = found->second.mounts.first;
    table.Mounts(false) = found->second.mounts.second;
    return Loaded::Found;
  }

  bool Save(const engine::PairRoots& roots, const engine::StateChanges& changes, std::string& reason) override {
    ++saves;
    if (failSaves) {
      reason = "full";
      return false;
    }
    Pair& pair = pairs[{roots.base, roots.target}];
    if (!SameRoots(pair.roots, roots)) pair = Pair{roots, {}, {}};
    using Action = engine::StateChanges::Action;
    for (const auto& item : changes.Items()) {
      if (item.action != Action::ResetFolder) continue;
      std::erase_if(pair.entries, [&](const auto& e) { return e.first.first == changes.Folder(item); });
    }
    for (const auto& item : changes.Items()) {
      const Key key{std::string(changes.Folder(item)), std::string(changes.Name(item))};
      if (item.action == Action::Forget) pair.entries.erase(key);
      if (item.action == Action::Remember) pair.entries[key] = item.entry;
    }
    if (changes.HasMounts()) pair.mounts = {changes.Mounts(true), changes.Mounts(false)};
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
