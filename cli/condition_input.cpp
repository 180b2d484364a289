#include "condition_input.h"

#include "storage/condition_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvel::cli {

namespace {

// The reason a file cannot serve as a condition file, or empty. Opening a
// folder for reading succeeds on Linux and would load as an empty legacy file,
// so folders are refused here.
std::string ReadProblem(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  struct stat info {};
  std::string problem;
  if (::fstat(fd, &info) != 0) {
    problem = std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    problem = std::strerror(EISDIR);
  }
  ::close(fd);
  return problem;
}

}  // namespace

bool LoadConditionInput(const std::string& path, storage::CConditionSet& set, std::string& error) {
  std::string problem = ReadProblem(path);
  if (problem.empty() && !storage::LoadConditionFile(path, set)) problem = "cannot be read";
  if (problem.empty()) return true;
  error = "cannot read condition file '" + path + "': " + problem;
  return false;
}

}  // namespace orvel::cli
