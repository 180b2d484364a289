#pragma once

#include "platform/file_time.h"
#include "platform/folder.h"

#include <span>
#include <string_view>
#include <system_error>

namespace orvel::engine {

// One entry of a folder tree as the list saw it, below the tree's top folder.
struct SeenEntry {
  std::string_view rel;  // "a/b", '/'-separated
  bool folder = false;
  platform::FileTime mtime;  // files only: a folder's time moves as its entries go
};

// Removes the folder tree `top` of `parent` entry by entry in the order given
// (deepest first), each only while it is what the list saw; anything else
// stops the removal and keeps the rest. The top folder goes last, when asked
// and empty. The far side runs the same for a tree it is asked to remove.
std::error_code RemoveTree(const platform::Folder& parent, std::string_view top, std::span<const SeenEntry> tree,
                           bool removeTop = true);

}  // namespace orvel::engine
