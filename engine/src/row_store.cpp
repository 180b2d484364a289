#include "engine/row_store.h"

namespace orvel::engine {

void RowStore::Clear() {
  rows_.clear();
  rows_.shrink_to_fit();
  names_.clear();
  names_.shrink_to_fit();
  folders_.clear();
  folderIndex_.clear();
  errors_.clear();
}

int RowStore::Append(std::string_view name, ResultRow row) {
  row.nameOffset = static_cast<std::uint32_t>(names_.size());
  row.nameLength = static_cast<std::uint32_t>(name.size());
  names_.append(name);
  rows_.push_back(row);
  return static_cast<int>(rows_.size()) - 1;
}

std::uint32_t RowStore::InternFolder(std::string_view baseFolder, std::string_view targetFolder,
                                     std::size_t relLength, const FolderIdentities& ids) {
  std::string key;
  key.reserve(baseFolder.size() + targetFolder.size() + 24);
  key.append(baseFolder).push_back('\0');
  key.append(targetFolder).push_back('\0');
  key.append(std::to_string(relLength));
  const auto [it, added] = folderIndex_.try_emplace(std::move(key), static_cast<std::uint32_t>(folders_.size()));
  if (added) folders_.push_back(FolderPair{std::string(baseFolder), std::string(targetFolder), relLength, ids});
  return it->second;
}

const std::string& RowStore::SideFolder(const ResultRow& row) const {
  return row.side == Side::Base ? BaseFolder(row) : TargetFolder(row);
}

std::string RowStore::BaseDate(const ResultRow& row) {
  return row.hasBase ? platform::FormatDate(row.baseTime) : std::string();
}

std::string RowStore::TargetDate(const ResultRow& row) {
  return row.hasTarget ? platform::FormatDate(row.targetTime) : std::string();
}

}  // namespace orvel::engine
