#include "platform/entry_moves.h"

#include "platform/stat_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {

std::error_code RenameEntryAt(const Folder& folder, std::string_view nameView, const Expectation& expect,
                              std::string_view newNameView) {
  const CName name(nameView);
  const CName newName(newNameView);
  if (!name.Valid() || !newName.Valid()) return MakeError(Fault::NulInPath);
  struct stat st;
  if (::fstatat(folder.Fd(), name.Get(), &st, AT_SYMLINK_NOFOLLOW) != 0) return LastError();
  if (!expect.MetBy(InfoOf(st))) return MakeError(Fault::ChangedSinceList);
  if (::renameat2(folder.Fd(), name.Get(), folder.Fd(), newName.Get(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return LastError();
  // File systems without RENAME_NOREPLACE: a file is linked under the new name
  // (which never replaces anything) and unlinked under the old one.
  if (!S_ISDIR(st.st_mode)) {
    if (::linkat(folder.Fd(), name.Get(), folder.Fd(), newName.Get(), 0) != 0) return LastError();
    if (::unlinkat(folder.Fd(), name.Get(), 0) != 0) {
      const std::error_code error = LastError();
      ::unlinkat(folder.Fd(), newName.Get(), 0);
      return error;
    }
    return {};
  }
  struct stat there;
  if (::fstatat(folder.Fd(), newName.Get(), &there, AT_SYMLINK_NOFOLLOW) == 0) return SystemError(EEXIST);
  return ::renameat(folder.Fd(), name.Get(), folder.Fd(), newName.Get()) == 0 ? std::error_code{} : LastError();
}

}  // namespace orvel::platform
