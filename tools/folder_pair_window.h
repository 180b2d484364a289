#pragma once

// The desktop program's main window with a folder pair in the condition bar,
// subfolders searched and identical files shown: what the screenshot and the
// benchmark start from.
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/main_window/condi_bar.h"
#include "ui/main_window/main_frame.h"
#include "ui/result_list/orvel_view.h"

#include <QLineEdit>

namespace orvel::tools {

inline void ShowFolderPair(ui::CMainFrame& frame, const char* base, const char* target) {
  frame.Bar().BaseEdit()->setText(QString::fromLocal8Bit(base));
  frame.Bar().TargetEdit()->setText(QString::fromLocal8Bit(target));
  const auto& working = frame.View().State().Working();
  if (working.SubFolder == 0) frame.Commands().Execute(ui::cmd::kSubFolder);
  if (working.SameDisp == 0) frame.Commands().Execute(ui::cmd::kSameDisp);
}

}  // namespace orvel::tools
