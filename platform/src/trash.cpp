#include "platform/trash.h"

#include <climits>
#include <cstdio>

#include <gio/gio.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

// The absolute path the kernel has for an open folder; links never appear in it.
Expected<std::string> PathOf(const Folder& folder) {
  char proc[40];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", folder.Fd());
  std::string path(PATH_MAX, '\0');
  const ssize_t n = ::readlink(proc, path.data(), path.size());
  if (n < 0) return LastError();
  if (static_cast<std::size_t>(n) >= path.size()) return SystemError(ENAMETOOLONG);
  path.resize(static_cast<std::size_t>(n));
  // A folder removed since it was opened has no path any more.
  if (path.empty() || path.front() != '/' || path.ends_with(" (deleted)")) return SystemError(ENOENT);
  return path;
}

}  // namespace

std::error_code MoveToTrash(const std::string& path) {
  // The path goes in as bytes: names that are not valid UTF-8 stay intact.
  GFile* file = g_file_new_for_path(path.c_str());
  GError* error = nullptr;
  const gboolean moved = g_file_trash(file, nullptr, &error);
  std::error_code result;
  if (!moved) {
    // GIO reports its own codes; the ones that map to a system error keep it.
    const bool io = error && error->domain == G_IO_ERROR;
    result = io && error->code == G_IO_ERROR_NOT_FOUND ? SystemError(ENOENT)
             : io && error->code == G_IO_ERROR_PERMISSION_DENIED ? SystemError(EACCES)
                                                                 : SystemError(EIO);
  }
  if (error) g_error_free(error);
  g_object_unref(file);
  return result;
}

std::error_code TrashEntryAt(const Folder& folder, std::string_view name, const Identity& identity) {
  Expected<std::string> folderPath = PathOf(folder);
  if (!folderPath) return folderPath.error();
  // The path must lead, link-free, to the very folder and entry verified.
  Expected<Folder> top = Folder::OpenRoot("/");
  if (!top) return top.error();
  Expected<Folder> again = top->OpenBeneath(std::string_view(*folderPath).substr(1));
  if (!again) return again.error();
  if (again->Id() != folder.Id()) return MakeError(Fault::FolderReplaced);
  if (again->LookUpIdentity(name) != identity) return MakeError(Fault::ChangedSinceList);
  std::string path = *folderPath;
  if (path.back() != '/') path.push_back('/');
  path.append(name);
  return MoveToTrash(path);
}

}  // namespace orvel::platform
