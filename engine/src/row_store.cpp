#include "engine/row_store.h"

#include "platform/path.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace orvel::engine {

namespace {

constexpr std::uint64_t kRootKey = std::uint64_t{1} << 63;

}  // namespace

void RowStore::Clear() {
  rows_.clear();
  apart_.clear();
  sizes_.clear();
  names_.clear();
  std::vector<std::pair<std::string, std::string>>().swap(roots_);
  std::vector<Folder>().swap(folders_);
  decltype(children_)().swap(children_);
  decltype(errors_)().swap(errors_);
  std::vector<std::pair<int, int>>().swap(conditionStarts_);
  lent_[0] = lent_[1] = nullptr;
  firstLentRow_ = 0;
  lentBytes_[0] = lentBytes_[1] = 0;
  lentRows_[0] = lentRows_[1] = 0;
  relFolder_ = kNoFolder;
  relText_.clear();
  relText_.shrink_to_fit();
}

int RowStore::Append(std::string_view name, ResultRow row) {
  if (name.size() > UINT16_MAX) throw std::length_error("row name too long");
  return Add(names_.Add(name), name, 0, row);
}

void RowStore::LendNames(const NameStore* base, const NameStore* target) {
  if (lent_[0] != base || lent_[1] != target) {
    // Names lent by other stores become the rows' own first.
    for (std::uint8_t lent : {Packed::kLentBase, Packed::kLentTarget}) {
      const NameStore* store = lent_[lent == Packed::kLentBase ? 0 : 1];
      if (!store) continue;
      for (std::size_t i = firstLentRow_; i < rows_.size(); ++i) {
        Packed& p = rows_[i];
        if (!(p.bits & lent)) continue;
        p.nameRef = names_.Add(store->At(p.nameRef, p.nameLength));
        p.bits = static_cast<std::uint8_t>(p.bits & ~lent);
      }
    }
  }
  lent_[0] = base;
  lent_[1] = target;
  firstLentRow_ = rows_.size();
  lentBytes_[0] = lentBytes_[1] = 0;
  lentRows_[0] = lentRows_[1] = 0;
}

int RowStore::AppendListed(Side side, std::uint32_t nameRef, std::string_view name, ResultRow row) {
  const std::size_t from = side == Side::Base ? 0 : 1;
  const NameStore* store = lent_[from];
  if (!store || name.size() > UINT16_MAX) return Append(name, row);
  lentBytes_[from] += name.size();
  ++lentRows_[from];
  return Add(nameRef, name, side == Side::Base ? Packed::kLentBase : Packed::kLentTarget, row);
}

void RowStore::ReturnNames(NameStore base, NameStore target) {
  Settle(Packed::kLentBase, std::move(base));
  Settle(Packed::kLentTarget, std::move(target));
  firstLentRow_ = rows_.size();
}

void RowStore::Settle(std::uint8_t lent, NameStore names) {
  const std::size_t side = lent == Packed::kLentBase ? 0 : 1;
  const NameStore*& store = lent_[side];
  if (!store) return;
  // Counted as the rows came: a million rows are not walked for it, nor at all
  // when none of them reads its name from this side.
  const std::size_t used = lentBytes_[side];
  const std::size_t lentRows = lentRows_[side];
  lentBytes_[side] = 0;
  lentRows_[side] = 0;
  if (lentRows == 0) {
    store = nullptr;
    return;
  }
  // Taken over whole when the rows use at least half of it (no copy, no
  // second peak); otherwise the rows' names are copied and the rest goes.
  const bool adopt = used * 2 >= names.UsedBytes();
  const std::uint32_t firstBlock = adopt ? names_.Adopt(std::move(names)) : 0;
  for (std::size_t i = firstLentRow_; i < rows_.size(); ++i) {
    Packed& p = rows_[i];
    if (!(p.bits & lent)) continue;
    if (adopt) {
      p.nameRef = (firstBlock + (p.nameRef >> NameStore::kShift)) << NameStore::kShift |
                  (p.nameRef & (NameStore::kBlock - 1));
    } else {
      p.nameRef = names_.Add(names.At(p.nameRef, p.nameLength));
    }
    p.bits = static_cast<std::uint8_t>(p.bits & ~lent);
  }
  store = nullptr;
}

int RowStore::Add(std::uint32_t nameRef, std::string_view name, std::uint8_t lent, const ResultRow& row) {
  const auto index = static_cast<std::uint32_t>(rows_.size());
  Packed p{};
  p.bits = lent;
  const platform::FileTime& kept = row.hasBase ? row.baseTime : row.targetTime;
  if (row.hasBase || row.hasTarget) {
    p.sec = kept.sec;
    p.nsecFlags = static_cast<std::uint32_t>(kept.nsec) & Packed::kNsecMask;
  }
  if (row.hasBase) p.nsecFlags |= Packed::kHasBase;
  if (row.hasTarget) p.nsecFlags |= Packed::kHasTarget;
  p.nameRef = nameRef;
  p.nameLength = static_cast<std::uint16_t>(name.size());
  p.folder = row.folder;
  p.marks = static_cast<std::uint8_t>(static_cast<unsigned>(row.mark) | static_cast<unsigned>(row.result) << 4);
  if (row.side == Side::Target) p.bits |= Packed::kTargetSide;
  if (row.isFolder) p.bits |= Packed::kFolderRow;
  if (row.kindChange) p.bits |= Packed::kKindChange;
  if (row.timesOnly) p.bits |= Packed::kTimesOnly;
  if (row.hasBase && row.hasTarget && (row.targetTime != row.baseTime || row.targetSize != row.baseSize)) {
    p.bits |= Packed::kTargetTimeApart;
    apart_.push_back(Apart{row.targetTime.sec, static_cast<std::uint32_t>(row.targetTime.nsec), index, row.targetSize});
  }
  rows_.push_back(p);
  sizes_.push_back(row.hasBase ? row.baseSize : row.hasTarget ? row.targetSize : 0);
  return static_cast<int>(index);
}

void RowStore::BeginCondition(int condition) {
  if (!conditionStarts_.empty() && conditionStarts_.back().first == Count()) {
    conditionStarts_.back().second = condition;  // the previous one added no row
  } else {
    conditionStarts_.emplace_back(Count(), condition);
  }
}

int RowStore::ConditionOf(int index) const {
  const auto after = std::upper_bound(conditionStarts_.begin(), conditionStarts_.end(), index,
                                      [](int row, const std::pair<int, int>& start) { return row < start.first; });
  return after == conditionStarts_.begin() ? -1 : std::prev(after)->second;
}

std::string_view RowStore::RowName(int index) const {
  const Packed& p = rows_[static_cast<std::size_t>(index)];
  const NameStore* store = (p.bits & Packed::kLentBase) ? lent_[0] : (p.bits & Packed::kLentTarget) ? lent_[1] : &names_;
  return store->At(p.nameRef, p.nameLength);
}

ResultRow RowStore::Row(int index) const {
  const auto i = static_cast<std::size_t>(index);
  const Packed& p = rows_[i];
  ResultRow row;
  row.nameOffset = p.nameRef;
  row.nameLength = p.nameLength;
  row.folder = p.folder;
  row.hasBase = (p.nsecFlags & Packed::kHasBase) != 0;
  row.hasTarget = (p.nsecFlags & Packed::kHasTarget) != 0;
  const platform::FileTime kept{p.sec, static_cast<std::int32_t>(p.nsecFlags & Packed::kNsecMask)};
  const std::uint64_t keptSize = sizes_[i];
  if (row.hasBase) {
    row.baseTime = kept;
    row.baseSize = keptSize;
  }
  if (row.hasTarget) {
    row.targetTime = kept;
    row.targetSize = keptSize;
    if (p.bits & Packed::kTargetTimeApart) {
      // Rows are appended in order, so the times kept apart are sorted by row.
      std::size_t lo = 0, hi = apart_.size();
      while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (apart_[mid].row < i) {
          lo = mid + 1;
        } else {
          hi = mid;
        }
      }
      row.targetTime = {apart_[lo].sec, static_cast<std::int32_t>(apart_[lo].nsec)};
      row.targetSize = apart_[lo].size;
    }
  }
  row.mark = static_cast<Mark>(p.marks & 0x0F);
  row.result = static_cast<Mark>(p.marks >> 4);
  row.side = (p.bits & Packed::kTargetSide) ? Side::Target : Side::Base;
  row.isFolder = (p.bits & Packed::kFolderRow) != 0;
  row.kindChange = (p.bits & Packed::kKindChange) != 0;
  row.timesOnly = (p.bits & Packed::kTimesOnly) != 0;
  row.nameSource = (p.bits & Packed::kLentBase) ? 1 : (p.bits & Packed::kLentTarget) ? 2 : 0;
  return row;
}

std::uint32_t RowStore::RootFolder(std::string_view baseRoot, std::string_view targetRoot) {
  // Few conditions: the roots are found by a walk over them.
  std::uint32_t root = 0;
  while (root < roots_.size() && (roots_[root].first != baseRoot || roots_[root].second != targetRoot)) ++root;
  if (root == roots_.size()) roots_.emplace_back(std::string(baseRoot), std::string(targetRoot));
  const auto [it, added] =
      children_.try_emplace({kRootKey | root, std::string()}, static_cast<std::uint32_t>(folders_.size()));
  if (added) {
    Folder folder;
    folder.root = root;
    folders_.push_back(std::move(folder));
  }
  return it->second;
}

std::uint32_t RowStore::InternFolder(std::string_view baseFolder, std::string_view targetFolder,
                                     std::size_t relLength, const FolderIdentities& ids) {
  relLength = std::min({relLength, baseFolder.size(), targetFolder.size()});
  std::string_view rel = baseFolder.substr(baseFolder.size() - relLength);
  // Not one relative folder below two roots: the whole paths are the roots.
  if (rel != targetFolder.substr(targetFolder.size() - relLength) ||
      (!rel.empty() && !platform::EndsWithSeparator(rel))) {
    relLength = 0;
    rel = {};
  }
  std::uint32_t folder = RootFolder(baseFolder.substr(0, baseFolder.size() - relLength),
                                    targetFolder.substr(0, targetFolder.size() - relLength));
  const std::uint32_t root = folders_[folder].root;
  while (!rel.empty()) {
    const std::size_t cut = rel.find(platform::kSeparator);
    std::pair<std::uint64_t, std::string> key{folder, std::string(rel.substr(0, cut))};
    rel.remove_prefix(cut + 1);
    const auto [it, added] = children_.try_emplace(std::move(key), static_cast<std::uint32_t>(folders_.size()));
    if (added) {
      Folder child;
      child.parent = folder;
      child.root = root;
      child.name = it->first.second;
      folders_.push_back(std::move(child));
    }
    folder = it->second;
  }
  Folder& f = folders_[folder];
  if (!f.hasIds) {
    f.ids = ids;
    f.hasIds = true;
  }
  return folder;
}

void RowStore::AppendRelative(std::uint32_t folder, std::string& out) const {
  const std::size_t start = out.size();
  std::size_t length = 0;
  for (std::uint32_t f = folder; folders_[f].parent != kNoFolder; f = folders_[f].parent)
    length += folders_[f].name.size() + 1;
  out.resize(start + length);
  std::size_t at = out.size();
  for (std::uint32_t f = folder; folders_[f].parent != kNoFolder; f = folders_[f].parent) {
    out[--at] = platform::kSeparator;
    at -= folders_[f].name.size();
    folders_[f].name.copy(out.data() + at, folders_[f].name.size());
  }
}

std::string RowStore::FolderText(std::uint32_t folder, Side side) const {
  std::string text(RootOf(folder, side));
  AppendRelative(folder, text);
  return text;
}

std::string RowStore::BaseFolder(const ResultRow& row) const { return FolderText(row.folder, Side::Base); }

std::string RowStore::TargetFolder(const ResultRow& row) const { return FolderText(row.folder, Side::Target); }

std::string_view RowStore::RelativeFolder(const ResultRow& row) const {
  if (relFolder_ != row.folder) {
    relText_.clear();
    AppendRelative(row.folder, relText_);
    relFolder_ = row.folder;
  }
  return relText_;
}

std::string RowStore::SideFolder(const ResultRow& row) const { return FolderText(row.folder, row.side); }

std::string RowStore::BaseDate(const ResultRow& row) {
  return row.hasBase ? platform::FormatDate(row.baseTime) : std::string();
}

std::string RowStore::TargetDate(const ResultRow& row) {
  return row.hasTarget ? platform::FormatDate(row.targetTime) : std::string();
}

std::size_t RowStore::MemoryBytes() const {
  std::size_t bytes = rows_.MemoryBytes() + apart_.MemoryBytes() + sizes_.MemoryBytes() + names_.MemoryBytes() +
                      folders_.capacity() * sizeof(Folder) + children_.bucket_count() * sizeof(void*);
  for (const auto& [key, folder] : children_) bytes += sizeof(key) + sizeof(folder) + 2 * sizeof(void*) + key.second.capacity();
  for (const Folder& folder : folders_) bytes += folder.name.capacity();
  return bytes;
}

}  // namespace orvel::engine
