#pragma once

#include "scripted_dialogs.h"
#include "storage/condition_file.h"
#include "storage/condition_set.h"
#include "ui/main_window/condi_bar.h"
#include "ui/main_window/main_frame.h"
#include "ui/startup/orvel_app.h"
#include "ui/result_list/orvel_view.h"

#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace orvel::test {

// The whole desktop program, started as from a command line, with scripted
// dialogs. Settings start empty for every test program.
struct AppRig {
  ScriptedDialogs dialogs;
  std::unique_ptr<ui::COrvelApp> app;

  ui::CMainFrame& Frame() { return *app->MainFrame(); }
  ui::COrvelView& View() { return Frame().View(); }
  ui::CondiBar& Bar() { return Frame().Bar(); }
  storage::ConditionState& State() { return View().State(); }

  void Start(const QStringList& arguments = {}) {
    app = std::make_unique<ui::COrvelApp>(dialogs);
    app->InitInstance(arguments);
    // Keys reach the window's shortcuts only while it is the active window.
    Frame().activateWindow();
    if (!QTest::qWaitForWindowActive(&Frame(), 1000)) ADD_FAILURE() << "the main window did not become active";
  }
  static void ClearSettings() { QSettings().clear(); }
};

// A condition for a rig's condition files.
inline engine::CCondition MakeCondition(const std::string& name, const std::string& base, const std::string& target) {
  engine::CCondition c;
  c.Name = name;
  c.AFolder = base;
  c.BFolder = target;
  return c;
}

inline void WriteConditionFile(const std::string& path, const std::vector<engine::CCondition>& conditions) {
  storage::CConditionSet set;
  for (const auto& c : conditions) set.Add(c);
  storage::SaveConditionFile(path, set);
}

}  // namespace orvel::test
