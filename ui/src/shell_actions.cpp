// Placeholder until the shell actions land; replaced by their implementation.
#include "ui/shell_actions.h"
namespace orvel::ui {
ShellActions::ShellActions(const ResultModel& list, engine::IProgress& progress, QWidget* window)
    : list_(list), progress_(progress), window_(window) {}
ShellActions::~ShellActions() = default;
void ShellActions::Properties(const std::vector<int>&) {}
void ShellActions::FindBase(const std::vector<int>&) {}
void ShellActions::FindTarget(const std::vector<int>&) {}
void ShellActions::ExternalTool(const std::vector<int>&, const std::string&) {}
}  // namespace orvel::ui
