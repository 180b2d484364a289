#pragma once

#include "engine/interfaces.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace orvel::ui {

class FileManager;
class ResultModel;

// The commands that hand a row's file to the desktop's file manager or to the
// external tool, without touching the file: properties (32784), find the base
// or the target file (32810, 32809) and the external tool (32792). Items are
// display positions of the result list, ascending. What cannot be done (a file
// manager that does not answer, a tool that cannot be started, lines without
// two files) is told through `notice`, never passed over in silence.
class ShellActions {
 public:
  using Notice = std::function<void(const QString&)>;
  ShellActions(const ResultModel& list, engine::IProgress& progress, QWidget* window, Notice notice = {});
  ~ShellActions();

  void Properties(const std::vector<int>& selected);
  void FindBase(const std::vector<int>& selected);
  void FindTarget(const std::vector<int>& selected);
  void ExternalTool(const std::vector<int>& selected, const std::string& exePath);
  // The external tool on two files given by path (the version question's
  // comparison), without the progress display; told as ExternalTool tells.
  void CompareFiles(const std::string& basePath, const std::string& targetPath, const std::string& exePath);
  // Whether the tool can be handed both: two files of this machine.
  static bool CanCompare(const std::string& basePath, const std::string& targetPath);

 private:
  void Find(const std::vector<int>& selected, bool baseSide);
  enum class ToolStart { Started, Failed, Far, Lacking };
  static ToolStart StartTool(const std::string& exePath, const std::string& base, const std::string& target,
                             QString& failure);
  void TellTool(const QString& failure, int far, int lacking);
  bool IsItem(int item) const;

  const ResultModel& list_;
  engine::IProgress& progress_;
  QWidget* window_;
  Notice notice_;
  std::unique_ptr<FileManager> files_;
};

}  // namespace orvel::ui
