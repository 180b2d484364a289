#pragma once

namespace orvel::cli {

// Ctrl+C during a run, and SIGTERM and SIGHUP (a shutdown, a closed terminal,
// a job control system stopping the job) alike. The first such signal only
// raises a flag that the run polls between entries, so the entry in progress
// ends cleanly and nothing further is executed; the handler resets itself, so a
// second signal ends the program at once.
void InstallInterruptHandler();

// True once after each such signal, then false until the next one.
bool TakeInterrupt();

// True when such a signal arrived at any time since the handler was installed.
bool WasInterrupted();

}  // namespace orvel::cli
