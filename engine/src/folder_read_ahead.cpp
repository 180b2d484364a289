#include "folder_read_ahead.h"

#include "platform/directory.h"
#include "platform/file_ops.h"
#include "platform/file_system_identity.h"
#include "platform/path.h"
#include "platform/stat_util.h"
#include "platform/temporary_name.h"

#include <algorithm>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

namespace orvel::engine {

namespace {

// How far the threads may read ahead of the walk: enough to keep a pool busy
// on a slow network, few enough that the descriptors and memory stay small.
constexpr std::size_t kFoldersAhead = 64;
constexpr std::size_t kEntriesAhead = std::size_t{1} << 18;
// A large folder's look-ups are shared among the threads this many at a time.
constexpr std::uint32_t kLookUpChunk = 64;

}  // namespace

FolderReadAhead::FolderReadAhead(const RunValues& values, const ScanSetup& setup, ScanControl& control,
                                 unsigned threads)
    : values_(values), setup_(setup), control_(control) {
  threads_.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

FolderReadAhead::~FolderReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  workReady_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  std::vector<std::unique_ptr<Node>> left;
  left.push_back(std::move(root_));
  while (!left.empty()) {
    std::unique_ptr<Node> node = std::move(left.back());
    left.pop_back();
    if (!node) continue;
    for (auto& child : node->children) left.push_back(std::move(child.second));
  }
}

FolderReadAhead::Node& FolderReadAhead::Start(platform::Folder root) {
  root_ = std::make_unique<Node>();
  root_->opened = true;
  root_->identity = root.Id();
  root_->folder = std::make_shared<const platform::Folder>(std::move(root));
  {
    std::lock_guard lock(mutex_);
    root_->place = pending_.insert(pending_.end(), root_.get());
  }
  workReady_.notify_one();
  return *root_;
}

void FolderReadAhead::Wait(Node& node) {
  std::unique_lock lock(mutex_);
  while (!node.done && !failure_) {
    wanted_ = &node;
    workReady_.notify_all();
    nodeDone_.wait(lock);
  }
  wanted_ = nullptr;
  if (failure_) std::rethrow_exception(failure_);
}

FolderReadAhead::Node* FolderReadAhead::Child(Node& parent, std::uint32_t item) {
  const auto at = std::lower_bound(parent.children.begin(), parent.children.end(), item,
                                   [](const auto& child, std::uint32_t i) { return child.first < i; });
  return at != parent.children.end() && at->first == item ? at->second.get() : nullptr;
}

void FolderReadAhead::Release(Node& parent, std::uint32_t item) {
  const auto at = std::lower_bound(parent.children.begin(), parent.children.end(), item,
                                   [](const auto& child, std::uint32_t i) { return child.first < i; });
  if (at == parent.children.end() || at->first != item || !at->second) return;
  std::unique_ptr<Node> gone;
  {
    std::lock_guard lock(mutex_);
    Node& child = *at->second;
    if (child.counted) {
      child.counted = false;
      --foldersAhead_;
    }
    // A walk cut short leaves folders below that the threads may still be
    // reading: those stay until the threads have stopped.
    const bool settled = child.done && std::all_of(child.children.begin(), child.children.end(),
                                                   [](const auto& c) { return !c.second; });
    if (settled) gone = std::move(at->second);
  }
  workReady_.notify_all();
}

void FolderReadAhead::ListingTaken(Node& node) {
  {
    std::lock_guard lock(mutex_);
    if (node.counted) {
      // The walk has reached it: it is no longer ahead of the walk.
      entriesAhead_ -= node.items.size();
      node.counted = false;
      --foldersAhead_;
    }
  }
  // No thread touches a folder's listing once it is read.
  std::vector<Item>().swap(node.items);
  std::string().swap(node.names);
  workReady_.notify_all();
}

FolderReadAhead::Job FolderReadAhead::NextJob() {
  // Only the few folders being read stand before the first one queued.
  for (Node* node : pending_) {
    if (!node->taken) {
      if (node != wanted_ && (foldersAhead_ >= kFoldersAhead || entriesAhead_ >= kEntriesAhead)) return {};
      return Job{node};
    }
    // Set once the listing is complete; until then the items are the lister's.
    if (node->nextLookUp == 0) continue;
    const auto count = static_cast<std::uint32_t>(node->items.size());
    if (node->nextLookUp < count) {
      const std::uint32_t begin = node->nextLookUp;
      return Job{node, begin, std::min(count, begin + kLookUpChunk), true};
    }
  }
  return {};
}

void FolderReadAhead::Work() {
  std::vector<char> buffer;
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      workReady_.wait(lock, [this, &job] {
        if (stop_) return true;
        job = NextJob();
        return job.node != nullptr;
      });
      if (stop_) return;
      if (job.lookUps) {
        job.node->nextLookUp = job.end;
      } else {
        job.node->taken = true;
        // The root is the walk's from the start: it takes nothing from the budget.
        if (job.node->parent) {
          job.node->counted = true;
          ++foldersAhead_;
        }
      }
      // Others may take the next job at once.
      if (NextJob().node) workReady_.notify_one();
    }
    try {
      if (job.lookUps) {
        LookUpsDone(*job.node, LookUp(*job.node, job.begin, job.end));
      } else {
        OpenAndList(*job.node, buffer);
      }
    } catch (...) {
      std::lock_guard lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
      nodeDone_.notify_all();
    }
  }
}

// What the walk does with a folder entry, done ahead: looked up and opened as
// the walk would, listed when it is to be entered, checked for emptiness when
// only that counts.
void FolderReadAhead::OpenAndList(Node& node, std::vector<char>& buffer) {
  if (node.parentFolder) {
    const std::shared_ptr<const platform::Folder> parent = std::move(node.parentFolder);
    const bool enter = setup_.subFolders && !(values_.recyclerFolder && FolderScan::IsRecycleBinName(node.name));
    const bool opens = enter || values_.emptyFolder;
    std::shared_ptr<const platform::Folder> folder;
    if (opens) {
      platform::Expected<platform::Folder> opened = parent->OpenChild(node.name, &node.info);
      if (opened) {
        node.identity = opened->Id();
        node.opened = true;
        folder = std::make_shared<const platform::Folder>(std::move(*opened));
      } else {
        node.openError = opened.error();
        node.info = parent->LookUp(node.name, &node.identity);
      }
    } else {
      node.info = parent->LookUp(node.name, &node.identity);
    }
    const bool otherRoot = setup_.otherRoot.Known() && node.identity == setup_.otherRoot;
    if (!folder || node.info.error || !node.info.exists || !node.info.directory || otherRoot) {
      folder.reset();
    } else if (!enter) {
      const platform::Expected<bool> isEmpty = platform::IsEmptyFolder(folder->Fd());
      if (isEmpty) {
        node.empty = *isEmpty;
      } else {
        node.emptyError = isEmpty.error();
      }
      folder.reset();
    } else if (setup_.keepExtras && node.identity.device != parent->Id().device) {
      node.fileSystem = platform::FileSystemKeyOf(folder->Fd());
    }
    if (!folder) {
      std::unique_lock lock(mutex_);
      Finish(node, lock);
      return;
    }
    node.folder = std::move(folder);
  }
  List(node, buffer);
}

// Lists the folder, then looks its entries up: the first chunk here, the rest
// by whichever threads are free.
void FolderReadAhead::List(Node& node, std::vector<char>& buffer) {
  {
    platform::DirectoryReader reader(node.folder->Fd(), buffer);
    platform::DirectoryReader::Entry entry;
    while (!stop_.load(std::memory_order_relaxed) && reader.Next(entry)) {
      if (platform::PassOverTemporary(*node.folder, entry.name, setup_.removeLeftovers, setup_.leftovers)) continue;
      ++node.listed;
      Item item;
      item.nameOffset = static_cast<std::uint32_t>(node.names.size());
      item.nameSize = static_cast<std::uint32_t>(entry.name.size());
      // Kept with its NUL: the look-up hands the name to the system as it is.
      node.names.append(entry.name.data(), entry.name.size() + 1);
      // A folder is looked up when it is opened, as the walk does.
      if (entry.type == platform::DirectoryReader::Type::Directory) item.info = {true, true, {}, {}};
      node.items.push_back(item);
    }
    node.listError = reader.Error();
  }
  if (control_.WatchesListings()) control_.Listed(RelPath(node));
  const auto count = static_cast<std::uint32_t>(node.items.size());
  const std::uint32_t chunks = count == 0 ? 1 : (count + kLookUpChunk - 1) / kLookUpChunk;
  {
    std::lock_guard lock(mutex_);
    node.chunksLeft = chunks;
    // The first chunk is this thread's; the others go to whichever threads are free.
    node.nextLookUp = std::min(count, kLookUpChunk);
  }
  if (chunks > 1) workReady_.notify_all();
  LookUpsDone(node, LookUp(node, 0, std::min(count, kLookUpChunk)));
}

// The look-ups of items [begin, end); true when a time seen had a fraction of a second.
bool FolderReadAhead::LookUp(Node& node, std::uint32_t begin, std::uint32_t end) {
  bool subsecond = false;
  const int fd = node.folder->Fd();
  for (std::uint32_t i = begin; i < end && !stop_.load(std::memory_order_relaxed); ++i) {
    Item& item = node.items[i];
    if (item.info.directory) continue;
    struct stat st;
    if (::fstatat(fd, node.names.data() + item.nameOffset, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      item.info = platform::InfoOf(st);
      if ((st.st_ctim.tv_nsec | st.st_mtim.tv_nsec) != 0) subsecond = true;
    } else {
      item.info = platform::MissingOrFailed(errno);
      item.gone = !item.info.error;
    }
  }
  return subsecond;
}

void FolderReadAhead::LookUpsDone(Node& node, bool subsecond) {
  std::shared_ptr<const platform::Folder> folder;
  {
    std::unique_lock lock(mutex_);
    if (subsecond) node.subsecondTimes = true;
    if (--node.chunksLeft != 0) return;
    // The folders inside it are opened through it; closed with the last of them.
    folder = std::move(node.folder);
    for (std::uint32_t i = 0; i < node.items.size(); ++i) {
      const Item& item = node.items[i];
      if (item.gone || item.info.error || !item.info.directory) continue;
      auto child = std::make_unique<Node>();
      child->parent = &node;
      child->name.assign(node.NameOf(item));
      child->parentFolder = folder;
      // The walk enters them right after this folder, in listing order.
      child->place = pending_.insert(node.place, child.get());
      node.children.emplace_back(i, std::move(child));
    }
    if (node.counted) entriesAhead_ += node.items.size();
    Finish(node, lock);
  }
  workReady_.notify_all();
}

// The folder is read: the walk may take it.
void FolderReadAhead::Finish(Node& node, std::unique_lock<std::mutex>&) {
  pending_.erase(node.place);  // no job of it is left
  node.done = true;
  if (wanted_ == &node) nodeDone_.notify_all();
}

std::string FolderReadAhead::RelPath(const Node& node) const {
  std::vector<const Node*> chain;
  for (const Node* n = &node; n->parent; n = n->parent) chain.push_back(n);
  std::string path;
  for (auto at = chain.rbegin(); at != chain.rend(); ++at) path.append((*at)->name).push_back(platform::kSeparator);
  return path;
}

}  // namespace orvel::engine
