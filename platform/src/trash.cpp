#include "platform/trash.h"

#include <gio/gio.h>

namespace orvel::platform {

bool MoveToTrash(const std::string& path) {
  // The path goes in as bytes: names that are not valid UTF-8 stay intact.
  GFile* file = g_file_new_for_path(path.c_str());
  GError* error = nullptr;
  const gboolean moved = g_file_trash(file, nullptr, &error);
  if (error) g_error_free(error);
  g_object_unref(file);
  return moved;
}

}  // namespace orvel::platform
