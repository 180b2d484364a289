#include "engine/folder_scan.h"

#include "platform/directory.h"
#include "platform/path.h"

namespace orvel::engine {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 0x20);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 0x20);
    if (x != y) return false;
  }
  return true;
}

std::string_view LastComponent(std::string_view path) {
  while (platform::EndsWithSeparator(path)) path.remove_suffix(1);
  const auto cut = path.rfind(platform::kSeparator);
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

bool FolderScan::IsRecycleBinName(std::string_view name) {
  constexpr std::string_view kTrash = ".trash";
  if (name.size() < kTrash.size() || !EqualsIgnoringCase(name.substr(0, kTrash.size()), kTrash)) return false;
  const auto rest = name.substr(kTrash.size());
  if (rest.empty()) return true;
  if (rest.size() < 2 || rest[0] != '-') return false;
  for (char c : rest.substr(1))
    if (c < '0' || c > '9') return false;
  return true;
}

void FolderScan::Scan(ScanSide side, const std::string& root, bool subFolders, SideIndex& index, ScanLists& lists) {
  side_ = side;
  root_ = root;
  index_ = &index;
  lists_ = &lists;
  index.Reset(root);
  if (!control_.Running()) return;

  control_.EnterFolder(root);
  platform::Directory dir;
  if (!dir.Open(root)) return;
  if (values_.recyclerFolder && IsRecycleBinName(LastComponent(root))) return;
  ScanFolder(dir, index.AddFolder(""), subFolders);
}

bool FolderScan::OnCancel() {
  if (!control_.CancelAfterEntry()) return false;
  if (side_ == ScanSide::Base) {
    lists_->Clear();
  } else {
    lists_->files.clear();  // the empty folders found so far stay listed
  }
  return true;
}

void FolderScan::ScanFolder(platform::Directory& dir, SideIndex::FolderId folder, bool subFolders) {
  const std::string rel(index_->FolderPath(folder));
  platform::Directory::Entry entry;
  bool cancelled = false;
  while (control_.Running() && dir.Next(entry)) {
    const std::string_view name = entry.name;
    platform::EntryInfo info = dir.LookUpChild(name);
    const bool isFolder = info.exists ? info.directory : entry.type == platform::Directory::Type::Directory;
    const SideIndex::EntryId id = index_->AddEntry(folder, name, info);

    if (isFolder) {
      if (subFolders) {
        const std::string childRel = rel + std::string(name) + platform::kSeparator;
        platform::Directory child;
        bool empty = true;  // a folder that cannot be read counts as empty
        if (child.OpenChild(dir, name)) {
          if (values_.recyclerFolder && IsRecycleBinName(name)) {
            platform::Directory::Entry first;
            empty = !child.Next(first);
          } else {
            pathBuffer_.assign(root_).append(childRel);
            control_.EnterFolder(pathBuffer_);
            const auto before = index_->EntryCount();
            // An empty folder lists nothing below itself, so listing it after
            // its own scan keeps the order of a listing made before it.
            ScanFolder(child, index_->AddFolder(childRel), subFolders);
            empty = index_->EntryCount() == before;
          }
        }
        if (values_.emptyFolder && empty && control_.Running()) lists_->folders.push_back(id);
      } else if (values_.emptyFolder && dir.IsChildEmpty(name)) {
        lists_->folders.push_back(id);
      }
    } else if (ExtensionTest(values_, name)) {
      lists_->files.push_back(id);
    }

    if (OnCancel()) {
      cancelled = true;
      break;
    }
  }
  if (!cancelled && control_.Running() && !dir.Failed()) index_->MarkComplete(folder);
}

}  // namespace orvel::engine
