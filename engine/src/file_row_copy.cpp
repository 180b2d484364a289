#include "file_row_copy.h"

namespace orvel::engine {

RowError CopyFileOfRow(const FileRowCopy& copy, TreeAccess& from, TreeAccess& to, platform::CopySession& session,
                       FileRowCopyDone& done) {
  platform::Expected<const platform::Folder*> source = from.FolderAt(copy.rel, copy.fromFolder);
  if (!source) return {source.error(), copy.fromSide};
  platform::Expected<const platform::Folder*> destination = to.FolderAt(copy.rel, copy.toFolder);
  // The destination's folders may be missing (a subtree only one side has).
  if (!destination && platform::IsAbsence(destination.error())) destination = to.MakeFolders(copy.rel, &done.made);
  if (!destination) return {destination.error(), copy.toSide};
  done.toDevice = (*destination)->Id().device;
  platform::CopyFaultSide faultSide = platform::CopyFaultSide::Destination;
  const std::error_code error =
      platform::CopyEntryAt(**source, copy.name, copy.source, **destination, copy.destination, session, &faultSide);
  if (!error) {
    // What the destination's file system kept (its time may be coarser).
    if (copy.lookAtCopy) done.copied = (*destination)->LookUpWritten(copy.name);
    return {};
  }
  // Whose entry made it fail, as the copy found it.
  return {error, faultSide == platform::CopyFaultSide::Source ? copy.fromSide : copy.toSide};
}

}  // namespace orvel::engine
