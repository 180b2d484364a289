// Two files that hold the same bytes but times a plain run would call apart:
// the older one takes the newer time, so no later run copies either.
#include "engine/sync_execution.h"

#include "sync_work.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

namespace orvel::engine {

namespace {

std::error_code Changed() { return platform::MakeError(platform::Fault::ChangedSinceList); }

}  // namespace

RowError SyncExecution::SettleTimes(const Work& work, bool fromBase, platform::EntryInfo* settled, IFarRoot* fromFar,
                                    IFarRoot* toFar) {
  TreeAccess& fromTree = fromBase ? work.base : work.target;
  TreeAccess& toTree = fromBase ? work.target : work.base;
  const Side fromSide = fromBase ? Side::Base : Side::Target;
  const Side toSide = fromBase ? Side::Target : Side::Base;
  const Shown& sourceShown = fromBase ? work.baseShown : work.targetShown;
  const Shown& destinationShown = fromBase ? work.targetShown : work.baseShown;
  platform::EntryInfo source;
  if (fromFar) {
    source = fromFar->LookUp(work.rel, work.name);
  } else {
    platform::Expected<const platform::Folder*> from =
        fromTree.FolderAt(work.rel, fromBase ? work.ids.base : work.ids.target);
    if (!from) return {from.error(), fromSide};
    source = (*from)->LookUp(work.name);
  }
  if (source.error) return {source.error, fromSide};
  // A far side's look-up does not tell a regular file from a special one; it
  // checks that itself where it sets the time.
  const auto plainFile = [](const platform::EntryInfo& info, bool far) { return far ? !info.link : info.regular; };
  if (!ExpectationOf(sourceShown, false).MetBy(source) || !plainFile(source, fromFar)) return {Changed(), fromSide};

  const auto fitting = [&](const platform::EntryInfo& destination) {
    return ExpectationOf(destinationShown, false).MetBy(destination) && plainFile(destination, toFar) &&
           destination.size == source.size;
  };
  if (toFar) {
    const platform::EntryInfo destination = toFar->LookUp(work.rel, work.name);
    if (destination.error) return {destination.error, toSide};
    if (!fitting(destination)) return {Changed(), toSide};
    std::error_code answer = Changed();
    toFar->SetFileTime(work.rel, work.name, ExpectationOf(destinationShown, false), source.mtime,
                       [&answer](std::error_code error) { answer = error; });
    toFar->Settle();
    if (answer) return {answer, toSide};
    if (settled) *settled = toFar->LookUp(work.rel, work.name);
    return {};
  }
  platform::Expected<const platform::Folder*> to = toTree.FolderAt(work.rel, fromBase ? work.ids.target : work.ids.base);
  if (!to) return {to.error(), toSide};
  const platform::EntryInfo destination = (*to)->LookUp(work.name);
  if (destination.error) return {destination.error, toSide};
  if (!fitting(destination)) return {Changed(), toSide};
  const platform::CName name(work.name);
  if (!name.Valid()) return {platform::MakeError(platform::Fault::NulInPath), toSide};
  // A regular file (checked just now): nothing here follows a link.
  const timespec times[2] = {{0, UTIME_OMIT}, {source.mtime.sec, source.mtime.nsec}};
  if (::utimensat((*to)->Fd(), name.Get(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    // Another user's file: a copy of ours takes its place, as without the memory.
    if (errno == EPERM && !fromFar) return CopyRow(work, fromBase, settled);
    return {platform::LastError(), toSide};
  }
  if (settled) *settled = (*to)->LookUpWritten(work.name);
  return {};
}

}  // namespace orvel::engine
