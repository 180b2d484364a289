#include "show_command.h"

#include "condition_input.h"
#include "exit_status.h"
#include "output.h"

#include "storage/condition_bar.h"
#include "storage/condition_file.h"
#include "storage/condition_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvel::cli {

int ShowConditionFile(const std::string& path) {
  storage::NullConditionBar bar;
  storage::ConditionState state(bar);
  std::string error;
  if (!LoadConditionInput(path, state.Set(), error)) {
    std::fprintf(stderr, "orvel-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  // Load, then the save command's storing rule, then its text.
  state.ShowLoadedSet();
  state.TakeAndStore();

  OutputBuffer out(stdout);
  out.Text() = storage::FormatConditionFile(state.Set());
  if (!out.Finish()) {
    std::fprintf(stderr, "orvel-cli: cannot write the condition file text: %s\n", std::strerror(errno));
    return kExitOutputFailed;
  }
  return kExitDone;
}

}  // namespace orvel::cli
