#pragma once

#include "engine/list_creation_run.h"

namespace orvel::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitStopped = 1;       // a validation message or a No ended the run
inline constexpr int kExitUsage = 2;         // bad command line or unreadable condition file
inline constexpr int kExitRowsFailed = 3;    // a row failed ("?") or an entry could not be read
inline constexpr int kExitOutputFailed = 4;  // the result could not be written to standard output
inline constexpr int kExitCancelled = 130;   // Ctrl+C

// The status of a finished run. An interrupt outranks everything (the run is
// incomplete and the user asked for that); failed rows outrank a stop, because
// they mean files were left unsynchronised by operations that were tried.
int RunExitStatus(engine::RunOutcome outcome, bool interrupted, bool rowsFailed);

}  // namespace orvel::cli
