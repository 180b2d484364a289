#include "support/shell_command.h"

#include <cstdio>

#include <sys/wait.h>

namespace orvel::test {

int RunCommand(const std::string& command, std::string* out) {
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return -1;
  char buffer[256];
  std::string text;
  while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
  const int status = ::pclose(pipe);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  if (out) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvel::test
