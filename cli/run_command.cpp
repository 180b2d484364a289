#include "run_command.h"

#include "condition_input.h"
#include "exit_status.h"
#include "interrupt.h"
#include "output.h"
#include "row_stream.h"
#include "terminal_progress.h"
#include "terminal_prompt.h"

#include "engine/result_items.h"
#include "remote/far_folder.h"
#include "storage/working_data.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace orvel::cli {

namespace {

bool AnyRowFailed(const engine::ResultItems& items) {
  for (int item = 0; item < items.ItemCount(); ++item) {
    // A conflict stops a row as a failure does: both leave the pair unsynchronised.
    const engine::Mark mark = items.ItemMark(item);
    if (mark == engine::Mark::Failed || mark == engine::Mark::Conflict) return true;
  }
  return false;
}

AnswerMode ChooseAnswerMode(const Options& options) {
  if (options.yes) return AnswerMode::Yes;
  if (::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO)) return AnswerMode::Interactive;
  return AnswerMode::No;
}

// --lang, else ORVEL_LANG, else Japanese. False (with a message) for an
// unknown value in the environment.
bool ChooseLanguage(const Options& options, Language& language) {
  std::string unknown;
  language = LanguageOfRun(options.language, &unknown);
  if (unknown.empty()) return true;
  std::string shown;
  AppendEscapedText(shown, unknown);
  const std::string text = "orvel-cli: " + CliTextOf(language, CliText::UnknownLanguageEnv, {shown}) + '\n';
  std::fwrite(text.data(), 1, text.size(), stderr);
  return false;
}

bool IsRegularFile(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

// Where a reader may be waiting for each row: a terminal, a pipe or a socket
// (not a file, nor a device such as /dev/null).
bool MayHaveAReader(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return true;
  return S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || ::isatty(fd) != 0;
}

}  // namespace

int RunConditions(const Options& options, const std::string& version) {
  Language language = Language::Japanese;
  if (!ChooseLanguage(options, language)) return kExitUsage;
  TerminalProgress progress(stderr, ::isatty(STDERR_FILENO) != 0, language);
  TerminalPrompt prompt(stderr, ChooseAnswerMode(options), &progress, options.allowEmptyBase, language,
                        options.allowMassDelete);
  // The same working data as the desktop program's, without a condition bar.
  storage::WorkingData data(progress, prompt);

  // Rows go out as they become final. A regular file takes them in large
  // writes; a terminal or a pipe may have a reader waiting for each.
  const bool toFile = IsRegularFile(STDOUT_FILENO);
  const bool paced = MayHaveAReader(STDOUT_FILENO);
  const bool toTerminal = ::isatty(STDOUT_FILENO) != 0;
  // A pipe's whole capacity per write: the pacing, not the buffer, decides when.
  if (!toTerminal) std::setvbuf(stdout, nullptr, _IOFBF, toFile ? 1 << 20 : 1 << 16);
  RowStream stream(data.Rows(), {.format = options.format,
                                 .syncRun = options.command == Command::Sync,
                                 .paced = paced,
                                 .progress = &progress,
                                 .outIsTerminal = toTerminal,
                                 .language = language});
  progress.SetHeartbeat([&stream](bool phaseChange) { stream.Heartbeat(phaseChange); });
  prompt.SetVerbose(options.verbose);
  if (options.format == OutputFormat::Json) prompt.SetJsonSink([&stream](const std::string& line) { stream.WriteLine(line); });
  data.SetList(stream);
  // A folder written host:/path is reached through ssh.
  remote::SshFarSides far(remote::SshSetupFrom(options.sshCommand, options.remoteProgram), version);
  data.SetFarSides(&far);
  const engine::ResultItems& items = stream.Items();

  storage::ConditionState& state = data.State();
  if (options.operands.size() == 1) {
    std::string error;
    if (!LoadConditionInput(options.operands[0], state.Set(), language, error)) {
      std::fprintf(stderr, "orvel-cli: %s\n", error.c_str());
      return kExitUsage;
    }
  } else {
    engine::CCondition condition = options.condition;
    condition.AFolder = options.operands[0];
    condition.BFolder = options.operands[1];
    state.Set().Add(condition);
  }
  // As after loading a file in the program: condition 0 is current.
  state.ShowLoadedSet();

  InstallInterruptHandler();
  // A reader that goes away does not end a sync between two rows: the run goes
  // on without output and ends with its own status.
  std::signal(SIGPIPE, SIG_IGN);
  const bool syncRun = options.command == Command::Sync;
  // Nothing is asked before a sync run: the command line asked for it.
  const engine::RunOutcome outcome = syncRun ? *data.SyncRun(false) : data.ListCreation();

  bool written = stream.Finish();

  // What a sync run would do with the rows listed (--dry-run), then what the
  // run did: the last objects of --json, and the last line on standard error.
  progress.ClearLine();
  // A condition that ended because a folder could not be used failed as a
  // whole: the summary counts it, as the exit status does.
  engine::RunSummary summary = data.LastSummary();
  summary.failures += prompt.Stops();
  std::string json;
  if (options.dryRun) {
    engine::RunPlan plan = data.Plan().value_or(engine::RunPlan{});
    plan.conditions = state.Set().Count();
    const std::string text = PlanText(language, plan);
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (options.format == OutputFormat::Json) AppendJsonPlan(json, plan);
  }
  int jsonError = 0;
  if (options.format == OutputFormat::Json) {
    AppendJsonSummary(json, summary);
    if (std::fwrite(json.data(), 1, json.size(), stdout) != json.size() || std::fflush(stdout) != 0) {
      if (written) jsonError = errno != 0 ? errno : EIO;
      written = false;
    }
  }
  // An entry that could not be read is a failure of list creation too: what
  // the list says about it and below it is not known; so is a remembered
  // state that could not be used or written.
  const bool failed = AnyRowFailed(items) || data.Flags().unreadable > 0 || data.Flags().memoryProblems > 0;
  int status = RunExitStatus(outcome, WasInterrupted(), failed);
  if (!written) {
    const std::string text =
        "orvel-cli: " +
        CliTextOf(language, CliText::ResultUnwritable,
                  {WordedReason(language, platform::SystemError(jsonError != 0 ? jsonError : stream.OutputError()))}) +
        '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (status != kExitCancelled) status = kExitOutputFailed;
  }
  const std::string line = SummaryText(language, summary) + '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return status;
}

}  // namespace orvel::cli
