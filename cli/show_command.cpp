#include "show_command.h"

#include "condition_input.h"
#include "exit_status.h"
#include "messages.h"
#include "output.h"

#include "storage/condition_file.h"
#include "storage/condition_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvel::cli {

int ShowConditionFile(const std::string& path, Language language) {
  storage::ConditionState state(nullptr);
  std::string error;
  if (!LoadConditionInput(path, state.Set(), language, error)) {
    std::fprintf(stderr, "orvel-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  // Load, then the save command's storing rule, then its text.
  state.ShowLoadedSet();
  state.TakeAndStore();

  // Written a piece at a time: the text of a large set is many times the size
  // of its file.
  OutputBuffer out(stdout);
  storage::AppendVersionLine(out.Text());
  for (int i = 0; i < state.Set().Count(); ++i) {
    storage::AppendConditionLines(out.Text(), state.Set().Element(i));
    out.MaybeFlush();
  }
  if (!out.Finish()) {
    const std::string text =
        "orvel-cli: " + CliTextOf(language, CliText::ShowUnwritable, {WordedReason(language, platform::SystemError(errno))}) + '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    return kExitOutputFailed;
  }
  return kExitDone;
}

}  // namespace orvel::cli
