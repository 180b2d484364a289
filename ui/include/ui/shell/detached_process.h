#pragma once

#include <string>
#include <vector>

namespace orvel::ui {

// Starts a program that the caller neither waits for nor keeps a handle to: a
// session of its own, the caller's environment and current folder, no open
// files but standard input, output and error. The arguments are byte strings
// passed exactly as they are (no shell, names that are not UTF-8 included);
// argv[0] without "/" is looked up in the absolute folders of PATH, never in
// the current folder. False when the program could not be started, an exec
// that failed included; `error`, when given, then gets the reason.
bool StartDetached(const std::vector<std::string>& argv, std::string* error = nullptr);

// The command of the external tool for two files: `exePath` itself when it is
// a path with "/" to an existing file, else `exePath` split at blanks into the
// program and leading arguments (double quotes keep blanks, as
// QProcess::splitCommand does); then the base path and the target path as two
// whole arguments, relative ones made absolute against the current folder.
// Empty when there is no program (or the current folder cannot be named).
std::vector<std::string> ToolCommand(const std::string& exePath, const std::string& basePath,
                                     const std::string& targetPath);

}  // namespace orvel::ui
