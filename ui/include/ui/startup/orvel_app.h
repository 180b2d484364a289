#pragma once

#include "ui/startup/command_line.h"
#include "ui/startup/language.h"
#include "ui/startup/orvel_doc.h"
#include "ui/main_window/recent_files.h"

#include <QStringList>

#include <memory>

namespace orvel::ui {

class CMainFrame;
class IUserDialogs;
class TerminationSignals;

// The program's start-up: the command line, the main window with its view, the
// document and the recent-file list, and what the switches R and X do.
class COrvelApp {
 public:
  explicit COrvelApp(IUserDialogs& dialogs);
  ~COrvelApp();

  // Reads the command line (the arguments after the program's name), installs
  // the texts of the language asked for, creates the main window, gives the view its first update, shows the window and
  // loads the command-line file. With R the sync run is posted; it runs once the
  // event loop has started.
  void InitInstance(const QStringList& arguments);

  // Opens a recent file or a dropped file as the document.
  void OpenDocumentFile(const QString& path);

  // After InitInstance: SIGTERM and SIGHUP close the main window in order
  // (CMainFrame::RequestTermination) instead of killing the program unsaved.
  void CloseOnTerminationSignals();

  CMainFrame* MainFrame() const { return frame_.get(); }
  const CommandLine& Switches() const { return commandLine_; }
  const COrvelDoc& Document() const { return document_; }
  const RecentFiles& Recent() const { return recent_; }
  Language CurrentLanguage() const { return translations_ ? translations_->Current() : Language::Japanese; }

 private:
  void SetTitle(const QString& title);
  void AddRecent(const QString& path);
  void SaveAtExit();

  IUserDialogs& dialogs_;
  CommandLine commandLine_;
  COrvelDoc document_;
  RecentFiles recent_;
  std::unique_ptr<Translations> translations_;  // before frame_: outlives the windows
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<TerminationSignals> terminationSignals_;  // after frame_: goes first
};

}  // namespace orvel::ui
