#pragma once

#include "scripted_dialogs.h"
#include "ui/main_window/main_frame.h"
#include "ui/startup/orvel_app.h"
#include "ui/result_list/orvel_view.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace orvel::test {

// Scripted dialogs that let a test act while a question is open, before its
// scripted answer is given: release a lock, close the window, count the asks.
class HookedDialogs : public ScriptedDialogs {
 public:
  bool AskYesNo(const QString& text) override {
    if (onAsk) onAsk(text);
    return ScriptedDialogs::AskYesNo(text);
  }
  std::function<void(const QString&)> onAsk;
};

// AppRig's whole desktop program, over HookedDialogs.
struct HookedAppRig {
  HookedDialogs dialogs;
  std::unique_ptr<ui::COrvelApp> app;

  ui::CMainFrame& Frame() { return *app->MainFrame(); }
  ui::COrvelView& View() { return Frame().View(); }

  void Start(const QStringList& arguments = {}) {
    app = std::make_unique<ui::COrvelApp>(dialogs);
    app->InitInstance(arguments);
    // Keys reach the window's shortcuts only while it is the active window.
    Frame().activateWindow();
    if (!QTest::qWaitForWindowActive(&Frame(), 1000)) ADD_FAILURE() << "the main window did not become active";
  }
};

}  // namespace orvel::test
