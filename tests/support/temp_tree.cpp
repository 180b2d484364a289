#include "support/temp_tree.h"

#include "platform/temporary_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace orvel::test {

namespace {

std::string TempBase() {
  const char* env = std::getenv("TMPDIR");
  return env && *env ? env : "/tmp";
}

void MakeWritable(const fs::path& root) {
  std::error_code ec;
  ::chmod(root.c_str(), 0700);
  for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink(ec)) ::chmod(it->path().c_str(), it->is_directory(ec) ? 0700 : 0600);
  }
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = TempBase() + "/orvel-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  MakeWritable(path_);
  fs::remove_all(path_, ec);
}

platform::FileTime Time(std::int64_t sec, std::int32_t nsec) { return platform::FileTime{sec, nsec}; }

void SetTime(const std::string& path, platform::FileTime mtime) {
  timespec times[2];
  times[0].tv_sec = mtime.sec;
  times[0].tv_nsec = mtime.nsec;
  times[1] = times[0];
  if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    throw std::runtime_error("utimensat " + path + ": " + std::strerror(errno));
}

platform::FileTime TimeOf(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) throw std::runtime_error("lstat " + path);
  return platform::FileTime{st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) throw std::runtime_error("lstat " + path);
  return st.st_mode;
}

void WriteFile(const std::string& path, const std::string& content, platform::FileTime mtime) {
  fs::create_directories(fs::path(path).parent_path());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << content;
  }
  SetTime(path, mtime);
}

void WriteLeftover(const std::string& path, const std::string& content, platform::FileTime mtime) {
  WriteFile(path, content, mtime);
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  const bool marked = fd >= 0 && platform::MarkTemporary(fd, fs::path(path).filename().string());
  if (fd >= 0) ::close(fd);
  if (!marked) throw std::runtime_error("cannot mark " + path);
}

void MakeFolder(const std::string& path, platform::FileTime mtime) {
  fs::create_directories(path);
  SetTime(path, mtime);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteTree(const std::string& root, const std::vector<TreeEntry>& entries) {
  for (const auto& e : entries) {
    if (e.content)
      WriteFile(root + "/" + e.path, *e.content, e.mtime);
    else
      fs::create_directories(root + "/" + e.path);
  }
  // Folder times last, deepest first, so later writes inside do not move them.
  std::vector<const TreeEntry*> folders;
  for (const auto& e : entries)
    if (!e.content) folders.push_back(&e);
  std::sort(folders.begin(), folders.end(), [](auto* a, auto* b) { return a->path.size() > b->path.size(); });
  for (auto* f : folders) SetTime(root + "/" + f->path, f->mtime);
}

std::vector<TreeEntry> ReadTree(const std::string& root) {
  std::vector<TreeEntry> out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    TreeEntry e;
    e.path = fs::relative(it->path(), root).string();
    e.mtime = TimeOf(it->path());
    if (it->is_symlink())
      e.content = "->" + fs::read_symlink(it->path()).string();
    else if (it->is_regular_file())
      e.content = ReadFile(it->path());
    else if (!it->is_directory())
      e.content = "<special>";  // reading a FIFO would wait for a writer
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(), [](const TreeEntry& a, const TreeEntry& b) { return a.path < b.path; });
  return out;
}

}  // namespace orvel::test
