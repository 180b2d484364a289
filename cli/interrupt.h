#pragma once

namespace orvel::cli {

// Ctrl+C during a run. The first SIGINT only raises a flag that the run polls
// between entries; the handler resets itself, so a second Ctrl+C ends the
// program at once.
void InstallInterruptHandler();

// True once after each SIGINT, then false until the next one.
bool TakeInterrupt();

// True when a SIGINT arrived at any time since the handler was installed.
bool WasInterrupted();

}  // namespace orvel::cli
