#include "ui/startup/own_askpass.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace orvel::ui {
namespace {

std::string& Program() {
  static std::string program;
  return program;
}

}  // namespace

bool IsAskpassCall(int argc, const char* marker) { return argc == 2 && marker && std::strcmp(marker, "1") == 0; }

void UseOwnAskpass(const std::string& program) { Program() = program; }

std::vector<std::string> AskpassEnvironment(bool haveTerminal) {
  if (Program().empty()) return {};
  return {"SSH_ASKPASS=" + Program(), std::string(kAskpassMarker) + "=1",
          std::string("SSH_ASKPASS_REQUIRE=") + (haveTerminal ? "prefer" : "force")};
}

bool HaveTerminal() {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace orvel::ui
