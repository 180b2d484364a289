// The rows of a condition with a side on another machine: what happens there
// is carried out by the far side with its own verified folders, and what is
// sent there is pipelined, so a run pays no round trip per file.
#include "engine/sync_execution.h"

#include "folder_up_walk.h"
#include "sync_work.h"

#include "platform/copy_source.h"
#include "platform/path.h"
#include "platform/received_file.h"
#include "platform/stat_util.h"

#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::engine {

namespace {

std::error_code Changed() { return platform::MakeError(platform::Fault::ChangedSinceList); }

// The bytes of a local file go out in pieces of this size.
constexpr std::size_t kChunk = 256 * 1024;

}  // namespace

void SyncExecution::UseFarRoots(const std::string& basePath, IFarRoot* base, const std::string& targetPath,
                                IFarRoot* target) {
  farRoots_.clear();
  farFolders_.clear();
  if (base) farRoots_[basePath] = base;
  if (target) farRoots_[targetPath] = target;
}

IFarRoot* SyncExecution::FarRoot(std::string_view rootPath) const {
  const auto found = farRoots_.find(rootPath);
  return found == farRoots_.end() ? nullptr : found->second;
}

void SyncExecution::SettleFar() {
  for (const auto& [path, far] : farRoots_) far->Settle();
}

ItemResult SyncExecution::ExecuteFarRow(int item, const Work& work, Mark mark, ItemResult result, IFarRoot* baseFar,
                                        IFarRoot* targetFar) {
  // What the pair's state keeps of the row once it is done (null: it does not remember).
  std::shared_ptr<FarMemo> memo;
  // The bytes a copy moved, known when its answer comes.
  auto moved = std::make_shared<std::optional<std::uint64_t>>();
  // What the row shows once its far side has answered.
  const auto finish = [this, item, &memo, moved](ItemResult done) {
    return [this, item, done, memo, moved](RowError error) mutable {
      done.bytes = *moved;
      list_.SetItemResult(item, error.code ? ItemResult{Mark::Failed, DateCopy::None, error} : done);
      if (!error.code && memo) RememberFar(*memo);
    };
  };
  const bool copy = mark == Mark::BaseNewer || mark == Mark::BaseOnly || mark == Mark::TargetNewer ||
                    mark == Mark::TargetOnly;
  const bool deletion = mark == Mark::Delete || mark == Mark::BaseDelete;
  if (!copy && !deletion) return result;
  RowError error;
  if (copy) {
    const bool fromBase = mark == Mark::BaseNewer || mark == Mark::BaseOnly;
    result.shown = fromBase ? Mark::BaseSynced : Mark::TargetSynced;
    result.copy = fromBase ? DateCopy::BaseOverTarget : DateCopy::TargetOverBase;
    IFarRoot* from = fromBase ? baseFar : targetFar;
    IFarRoot* to = fromBase ? targetFar : baseFar;
    memo = FarMemoOf(work, result.shown);
    platform::EntryInfo* kept = memo ? &memo->kept : nullptr;
    bool settled = false;
    if (work.row.timesOnly) {
      error = SettleTimes(work, fromBase, kept, from, to);
      // A far side that cannot set a file's time (an older one, or another
      // user's file): a copy instead, as without the memory.
      settled = error.code != std::errc::operation_not_supported && error.code != std::errc::operation_not_permitted &&
                error.code != std::errc::not_a_directory;
      if (!settled) error = {};
    }
    if (settled) {
      // Done: the time is set.
    } else if (work.row.kindChange) {
      // Several steps on one side, each waiting for the one before.
      error = ReplaceKindFar(work, fromBase, from, to, kept);
    } else {
      list_.MarkPending(item);
      const Transfer transfer = RowTransfer(work, fromBase);
      error = from && to ? CopyBetweenFar(work, fromBase, *from, *to, transfer, finish(result), kept, moved.get())
              : from     ? CopyFromFar(work, fromBase, *from, transfer, finish(result), kept, moved.get())
                         : CopyToFar(work, fromBase, *to, transfer, finish(result), kept, moved.get());
      if (!error.code) return result;  // answered later
    }
  } else {
    if (deleteGuard_) {
      const auto ask = std::exchange(deleteGuard_, nullptr);
      if (!ask()) {
        declined_ = true;
        return result;
      }
    }
    const bool baseSide = mark == Mark::BaseDelete;
    result.shown = baseSide ? Mark::BaseDeleted : Mark::Deleted;
    memo = FarMemoOf(work, result.shown);
    list_.MarkPending(item);
    error = DeleteFar(work, baseSide, baseFar, targetFar, finish(result));
    if (!error.code) return result;  // answered later
  }
  if (error.code) {
    result = ItemResult{Mark::Failed, DateCopy::None, error};
  } else if (memo) {
    RememberFar(*memo);
  }
  list_.SetItemResult(item, result);
  return result;
}

SyncExecution::Transfer SyncExecution::RowTransfer(const Work& work, bool fromBase) const {
  return Transfer{work.name, ExpectationOf(fromBase ? work.baseShown : work.targetShown, work.row.isFolder), work.name,
                  ExpectationOf(fromBase ? work.targetShown : work.baseShown, work.row.isFolder), work.row.isFolder};
}

RowError SyncExecution::CopyFromFar(const Work& work, bool fromBase, IFarRoot& from, const Transfer& transfer,
                                    const std::function<void(RowError)>& finish, platform::EntryInfo* kept,
                                    std::optional<std::uint64_t>* moved) {
  TreeAccess& toTree = fromBase ? work.target : work.base;
  const Side fromSide = fromBase ? Side::Base : Side::Target;
  const Side toSide = fromBase ? Side::Target : Side::Base;

  if (transfer.folder) {
    const platform::EntryInfo now = from.LookUp(work.rel, transfer.fromName);
    if (now.error) return {now.error, fromSide};
    if (!transfer.source.MetBy(now)) return {Changed(), fromSide};
    std::string rel(work.rel);
    rel.append(transfer.toName);
    TreeAccess::Made newFolders;
    platform::Expected<const platform::Folder*> made = toTree.MakeFolders(rel, &newFolders);
    NoteMadeFolders(newFolders, work, fromBase, from);
    if (!made) return {made.error(), toSide};
    NoteChange(**made);
    finish({});
    return {};
  }
  platform::Expected<const platform::Folder*> to = toTree.FolderAt(work.rel, fromBase ? work.ids.target : work.ids.base);
  if (!to && platform::IsAbsence(to.error())) {
    TreeAccess::Made newFolders;
    to = toTree.MakeFolders(work.rel, &newFolders);
    NoteMadeFolders(newFolders, work, fromBase, from);
  }
  if (!to) return {to.error(), toSide};
  // The bytes come later, with other reads in flight: the file being received
  // keeps a folder of its own (the tree keeps only a few open).
  platform::Expected<platform::Folder> folder = (*to)->Reopen();
  if (!folder) return {folder.error(), toSide};
  struct Receiving {
    explicit Receiving(platform::Folder opened) : folder(std::move(opened)) {}
    platform::Folder folder;
    std::optional<platform::ReceivedFile> file;
    std::error_code written;
    bool begun = false;
  };
  auto in = std::make_shared<Receiving>(std::move(*folder));
  in->file.emplace(session_, in->folder, transfer.toName, transfer.destination);
  const std::uint64_t expected = fromBase ? work.row.baseSize : work.row.targetSize;
  from.Fetch(
      work.rel, transfer.fromName, transfer.source, expected,
      [in](const FarFile& header) {
        in->begun = true;
        in->written = in->file->Begin(header.link, header.mode, header.size);
        return !in->written;
      },
      [in](std::string_view bytes) {
        if (!in->written) in->written = in->file->Append(bytes);
        return !in->written;
      },
      [in, finish, fromSide, toSide, kept, moved, name = std::string(transfer.toName)](platform::Expected<FarFile> read) {
        RowError error;
        if (in->written) {
          error = {in->written, toSide};
        } else if (!read) {
          error = {read.error(), fromSide};
        } else if (!in->begun) {
          error = {Changed(), fromSide};
        } else if (const std::error_code finished = in->file->Finish(read->mtime)) {
          error = {finished, toSide};
        }
        // A read that failed leaves nothing: the temporary goes with the file.
        in->file.reset();
        if (!error.code && kept) *kept = in->folder.LookUpWritten(name);
        // The file holds what was announced and arrived, whatever the scan claimed.
        if (!error.code && moved) *moved = read->size;
        finish(error);
      });
  return {};
}

RowError SyncExecution::CopyToFar(const Work& work, bool fromBase, IFarRoot& to, const Transfer& transfer,
                                  const std::function<void(RowError)>& finish, platform::EntryInfo* kept,
                                  std::optional<std::uint64_t>* moved) {
  TreeAccess& fromTree = fromBase ? work.base : work.target;
  const Side fromSide = fromBase ? Side::Base : Side::Target;
  const Side toSide = fromBase ? Side::Target : Side::Base;

  platform::Expected<const platform::Folder*> from =
      fromTree.FolderAt(work.rel, fromBase ? work.ids.base : work.ids.target);
  if (!from) return {from.error(), fromSide};
  const platform::CName name(transfer.fromName);
  if (!name.Valid()) return {platform::MakeError(platform::Fault::NulInPath), fromSide};
  struct stat st {};
  if (::fstatat((*from)->Fd(), name.Get(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    const std::error_code error = platform::LastError();
    return {platform::IsAbsence(error) ? Changed() : error, fromSide};
  }
  if (!transfer.source.MetBy(platform::InfoOf(st))) return {Changed(), fromSide};

  if (transfer.folder) {
    std::string rel(work.rel);
    rel.append(transfer.toName);
    EnsureFarFolder(to, rel, work, fromBase);
    to.MakeFolder(work.rel, transfer.toName, [finish, toSide](std::error_code error) { finish({error, toSide}); });
    return {};
  }
  if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return {platform::MakeError(platform::Fault::SpecialFile), fromSide};
  EnsureFarFolder(to, work.rel, work, fromBase);

  // What goes wrong on this side is known when the bytes have gone; the far
  // side's answer comes later.
  auto sourceError = std::make_shared<std::error_code>();
  const FarWrite write{work.rel, transfer.toName, transfer.destination,
                       FarFile{S_ISLNK(st.st_mode), static_cast<std::uint64_t>(st.st_size),
                               static_cast<std::uint32_t>(st.st_mode & 07777), platform::MtimeOf(st)},
                       kept};
  if (kept) kept->link = S_ISLNK(st.st_mode);
  const int dirFd = (*from)->Fd();
  IFarRoot::Fill fill;
  if (S_ISLNK(st.st_mode)) {
    fill = [&, sourceError](const std::function<void(std::string_view)>& send) {
      std::string text(static_cast<std::size_t>(st.st_size) + 1, '\0');
      const ssize_t n = ::readlinkat(dirFd, name.Get(), text.data(), text.size());
      struct stat after {};
      // A link replaced meanwhile, even by one of the same length, is a change.
      if (n != st.st_size || ::fstatat(dirFd, name.Get(), &after, AT_SYMLINK_NOFOLLOW) != 0 ||
          !platform::SameState(after, st)) {
        *sourceError = n < 0 ? platform::LastError() : Changed();
        return false;
      }
      send(std::string_view(text.data(), static_cast<std::size_t>(n)));
      return true;
    };
  } else {
    fill = [&, sourceError](const std::function<void(std::string_view)>& send) {
      platform::Expected<platform::LocalFileSource> opened = platform::LocalFileSource::Open(dirFd, name.Get(), st);
      if (!opened) {
        *sourceError = opened.error();
        return false;
      }
      std::vector<char> buffer(kChunk);
      std::int64_t offset = 0;
      for (;;) {
        const ssize_t n = opened->ReadAt(buffer.data(), buffer.size(), offset);
        if (n < 0) {
          *sourceError = platform::LastError();
          return false;
        }
        if (n == 0) break;
        send(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        offset += n;
      }
      // A source written to while it was read gives a copy of no one moment.
      if (offset != st.st_size) {
        *sourceError = Changed();
        return false;
      }
      *sourceError = opened->Recheck();
      return !*sourceError;
    };
  }
  to.Write(write, fill, [finish, sourceError, fromSide, toSide, moved, size = write.file.size](std::error_code error) {
    if (moved) *moved = size;
    finish(*sourceError ? RowError{*sourceError, fromSide} : RowError{error, toSide});
  });
  return {};
}

RowError SyncExecution::CopyBetweenFar(const Work& work, bool fromBase, IFarRoot& from, IFarRoot& to,
                                       const Transfer& transfer, const std::function<void(RowError)>& finish,
                                       platform::EntryInfo* kept, std::optional<std::uint64_t>* moved) {
  const Side fromSide = fromBase ? Side::Base : Side::Target;
  const Side toSide = fromBase ? Side::Target : Side::Base;
  if (transfer.folder) {
    const platform::EntryInfo now = from.LookUp(work.rel, transfer.fromName);
    if (now.error) return {now.error, fromSide};
    if (!transfer.source.MetBy(now)) return {Changed(), fromSide};
    std::string rel(work.rel);
    rel.append(transfer.toName);
    EnsureFarFolder(to, rel, work, fromBase, &from);
    to.MakeFolder(work.rel, transfer.toName, [finish, toSide](std::error_code error) { finish({error, toSide}); });
    return {};
  }
  // The far side's write announces the file before its bytes: what the source
  // is now, and the reading must then give just that.
  platform::Expected<FarFile> now = from.FileHeader(work.rel, transfer.fromName);
  if (!now) return {platform::IsAbsence(now.error()) ? Changed() : now.error(), fromSide};
  platform::EntryInfo seen;
  seen.exists = true;
  seen.link = now->link;
  seen.mtime = now->mtime;
  if (!transfer.source.MetBy(seen)) return {Changed(), fromSide};
  EnsureFarFolder(to, work.rel, work, fromBase, &from);
  auto sourceError = std::make_shared<std::error_code>();
  const FarWrite write{work.rel, transfer.toName, transfer.destination, *now, kept};
  if (kept) kept->link = now->link;
  const IFarRoot::Fill fill = [&](const std::function<void(std::string_view)>& send) {
    platform::Expected<FarFile> read = from.Read(
        work.rel, transfer.fromName, transfer.source,
        [&](const FarFile& header) {
          if (header.link != now->link || header.size != now->size || header.mtime != now->mtime) *sourceError = Changed();
          return !*sourceError;
        },
        [&](std::string_view bytes) {
          send(bytes);
          return true;
        });
    if (!read && !*sourceError) *sourceError = read.error();
    return !*sourceError;
  };
  to.Write(write, fill, [finish, sourceError, fromSide, toSide, moved, size = now->size](std::error_code error) {
    if (moved) *moved = size;
    finish(*sourceError ? RowError{*sourceError, fromSide} : RowError{error, toSide});
  });
  return {};
}

RowError SyncExecution::CopyNow(const Work& work, bool fromBase, IFarRoot* fromFar, IFarRoot* toFar,
                                const Transfer& transfer) {
  if (!fromFar && !toFar) return {std::make_error_code(std::errc::operation_not_supported), Side::Base};
  RowError answer;
  const auto finish = [&answer](RowError error) { answer = error; };
  const RowError error = fromFar && toFar ? CopyBetweenFar(work, fromBase, *fromFar, *toFar, transfer, finish)
                         : fromFar        ? CopyFromFar(work, fromBase, *fromFar, transfer, finish)
                                          : CopyToFar(work, fromBase, *toFar, transfer, finish);
  if (error.code) return error;
  if (fromFar) fromFar->Settle();
  if (toFar) toFar->Settle();
  return answer;
}

void SyncExecution::NoteMadeFolders(TreeAccess::Made& made, const Work& work, bool fromBase, IFarRoot& from) {
  if (made.folders.empty()) return;
  const std::string fromRoot(fromBase ? rows_.BaseRoot(work.row) : rows_.TargetRoot(work.row));
  const std::string toRoot(fromBase ? rows_.TargetRoot(work.row) : rows_.BaseRoot(work.row));
  madeFolders_.push_back(MadeFolder{fromRoot, toRoot, std::move(made), &from, nullptr});
}

void SyncExecution::FinishFarMadeFolder(const MadeFolder& chain) {
  // The near side of the pair, walked up from the deepest folder made.
  std::optional<FolderUpWalk> near;
  if (!chain.farTo || !chain.farFrom) {
    const auto tree = trees_.find(chain.farTo ? chain.fromRoot : chain.toRoot);
    if (tree == trees_.end()) return;
    near.emplace(tree->second.Root());
  }
  for (auto made = chain.made.folders.rbegin(); made != chain.made.folders.rend(); ++made) {
    const std::string_view rel = chain.made.RelOf(*made);
    const std::size_t cut = rel.rfind(platform::kSeparator);
    const std::string_view parent = cut == std::string_view::npos ? std::string_view{} : rel.substr(0, cut + 1);
    const std::string_view name = cut == std::string_view::npos ? rel : rel.substr(cut + 1);
    if (chain.farTo && chain.farFrom) {
      const platform::EntryInfo source = chain.farFrom->LookUp(parent, name);
      if (source.exists && source.directory) chain.farTo->SetFolderTime(parent, name, source.mtime, nullptr);
      continue;
    }
    if (chain.farTo) {
      // The source's time, from this side's folder.
      const platform::Expected<const platform::Folder*> source = near->At(rel);
      struct stat st {};
      if (!source || ::fstat((*source)->Fd(), &st) != 0) continue;
      chain.farTo->SetFolderTime(parent, name, platform::MtimeOf(st), nullptr);
      continue;
    }
    const platform::EntryInfo source = chain.farFrom->LookUp(parent, name);
    const platform::Expected<const platform::Folder*> folder = near->At(rel);
    if (!source.exists || !source.directory || !folder || (made->identity.Known() && (*folder)->Id() != made->identity)) continue;
    const timespec times[2] = {{0, UTIME_OMIT}, {source.mtime.sec, source.mtime.nsec}};
    ::futimens((*folder)->Fd(), times);
  }
}

void SyncExecution::EnsureFarFolder(IFarRoot& far, std::string_view rel, const Work& work, bool fromBase,
                                    IFarRoot* farFrom) {
  while (!rel.empty() && rel.back() == platform::kSeparator) rel.remove_suffix(1);
  if (rel.empty()) return;
  FolderPathSet& made = farFolders_[&far];
  if (made.Contains(rel)) return;
  const std::string fromRoot(fromBase ? rows_.BaseRoot(work.row) : rows_.TargetRoot(work.row));
  const std::string toRoot(fromBase ? rows_.TargetRoot(work.row) : rows_.BaseRoot(work.row));
  // Each folder on the way, from the top: the far side sets the times only of
  // those it made now.
  TreeAccess::Made chain;
  chain.rel.assign(rel);
  made.Add(rel, [&chain](std::size_t length) { chain.folders.push_back({length, {}}); });
  madeFolders_.push_back(MadeFolder{fromRoot, toRoot, std::move(chain), farFrom, &far});
  // The far side makes the folders above it too; one that is there counts as
  // made. A failure shows in the rows that needed the folder.
  const std::size_t cut = rel.rfind(platform::kSeparator);
  const std::string parent = cut == std::string_view::npos ? std::string() : std::string(rel.substr(0, cut + 1));
  far.MakeFolder(parent, rel.substr(cut == std::string_view::npos ? 0 : cut + 1), nullptr);
}

namespace {

// A folder emptied by this run's deletions has a new time: it goes only while
// it is the very folder the list showed, and only when empty. Its time is read
// once those deletions are done.
RowError EmptiedFolderExpectation(const platform::EntryInfo& now, const platform::Identity& identity,
                                  const platform::Identity& listed, Side side, Expectation& expect) {
  if (now.error) return {now.error, side};
  if (!now.directory || identity != listed) return {Changed(), side};
  expect = Expectation::Folder(now.mtime);
  return {};
}

}  // namespace

RowError SyncExecution::DeleteFar(const Work& work, bool baseSide, IFarRoot* baseFar, IFarRoot* targetFar,
                                  const std::function<void(RowError)>& finish) {
  const Side keptSide = baseSide ? Side::Target : Side::Base;
  const Side goneSide = baseSide ? Side::Base : Side::Target;
  IFarRoot* keptFar = baseSide ? targetFar : baseFar;
  IFarRoot* goneFar = baseSide ? baseFar : targetFar;
  // Only while the other side still has no file there (no entry at all, for a
  // folder row), as the comparison saw it.
  const Expectation absent = ExpectationOf(Shown{}, work.row.isFolder);
  Expectation expect = ExpectationOf(baseSide ? work.baseShown : work.targetShown, work.row.isFolder);
  const platform::Identity* emptied = memory_.EmptiedFolder(work.rowIndex);
  const bool toTrash = deleteTrash_ && deleteTrash_();
  if (!goneFar) {
    // The far side's look-up is answered with the other requests owed there,
    // and the deletion here waits for it, not the run.
    TreeAccess& goneTree = baseSide ? work.base : work.target;
    platform::Expected<const platform::Folder*> gone =
        goneTree.FolderAt(work.rel, baseSide ? work.ids.base : work.ids.target);
    if (!gone) return {gone.error(), goneSide};
    platform::Expected<platform::Folder> own = (*gone)->Reopen();
    if (!own) return {own.error(), goneSide};
    auto folder = std::make_shared<platform::Folder>(std::move(*own));
    NoteChange(*folder);
    std::optional<platform::Identity> listed;
    if (emptied) listed = *emptied;
    keptFar->LookUpLater(work.rel, work.name,
                         [folder, name = std::string(work.name), absent, expect, listed, toTrash, finish, keptSide,
                          goneSide](const platform::EntryInfo& kept) mutable {
                           if (kept.error) return finish({kept.error, keptSide});
                           if (!absent.MetBy(kept)) return finish({Changed(), keptSide});
                           if (listed) {
                             platform::Identity identity;
                             const platform::EntryInfo now = folder->LookUp(name, &identity);
                             const RowError error = EmptiedFolderExpectation(now, identity, *listed, goneSide, expect);
                             if (error.code) return finish(error);
                           }
                           finish({platform::DeleteEntryAt(*folder, name, expect, toTrash), goneSide});
                         });
    return {};
  }
  platform::EntryInfo kept;
  if (keptFar) {
    kept = keptFar->LookUp(work.rel, work.name);
  } else {
    TreeAccess& keptTree = baseSide ? work.target : work.base;
    platform::Expected<const platform::Folder*> folder =
        keptTree.FolderAt(work.rel, baseSide ? work.ids.target : work.ids.base);
    if (folder) {
      kept = (*folder)->LookUp(work.name);
    } else if (!platform::IsAbsence(folder.error())) {
      kept.error = folder.error();
    }
  }
  if (kept.error) return {kept.error, keptSide};
  if (!absent.MetBy(kept)) return {Changed(), keptSide};
  if (emptied) {
    // The look-up waits for the deletions sent before it.
    platform::Identity identity;
    const platform::EntryInfo now = goneFar->LookUp(work.rel, work.name, &identity);
    if (const RowError error = EmptiedFolderExpectation(now, identity, *emptied, goneSide, expect); error.code)
      return error;
  }
  goneFar->Delete(work.rel, work.name, expect, toTrash,
                  [finish, goneSide](std::error_code error) { finish({error, goneSide}); });
  return {};
}

}  // namespace orvel::engine
