#include "ui/startup/orvel_app.h"

#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/main_window/main_frame.h"
#include "ui/result_list/orvel_view.h"
#include "ui/startup/termination_signals.h"
#include "ui/dialogs/user_dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

namespace orvel::ui {

COrvelApp::COrvelApp(IUserDialogs& dialogs) : dialogs_(dialogs) {}

COrvelApp::~COrvelApp() = default;

void COrvelApp::InitInstance(const QStringList& arguments) {
  {
    QSettings settings;
    recent_.Load(settings);
  }
  commandLine_ = ParseCommandLine(arguments);
  // Before the first window: every text is translated as it is made.
  translations_ = std::make_unique<Translations>(LanguageAskedFor(commandLine_.language));

  frame_ = std::make_unique<CMainFrame>(dialogs_);
  CMainFrame& frame = *frame_;
  COrvelView& view = frame.View();
  view.SetDocumentHooks([this](const QString& path) { AddRecent(path); },
                        [this](const QString& title) { SetTitle(title); });
  frame.SetRecentFileHook([this](const QString& path) { OpenDocumentFile(path); });
  frame.SetDropHook([this](const QString& path) { OpenDocumentFile(path); });
  frame.SetClosingHook([this] { SaveAtExit(); });
  frame.ShowRecentFiles(recent_.Paths());
  frame.RestorePlacement();

  // The first update, while the window is still hidden: the settings.
  view.InitialUpdate(QString());
  if (!commandLine_.file.isEmpty() && view.LoadCommandLineFile(commandLine_.file)) {
    view.SetAutoRun(commandLine_.autoRun);
    if (commandLine_.autoRun) {
      // Posted: the sync run starts once the window is up and the loop runs.
      QTimer::singleShot(0, &view, [&frame] { frame.Commands().Execute(cmd::kSyncRun); });
    }
    view.SetExitAfterRun(commandLine_.exitAfterRun);
  }

  frame.show();
  frame.setWindowTitle(document_.Caption());
}

void COrvelApp::CloseOnTerminationSignals() {
  terminationSignals_ = std::make_unique<TerminationSignals>();
  QObject::connect(terminationSignals_.get(), &TerminationSignals::Received, frame_.get(),
                   &CMainFrame::RequestTermination);
}

void COrvelApp::OpenDocumentFile(const QString& path) {
  QFileInfo info(path);
  if (!info.isFile() || !info.isReadable()) {
    dialogs_.Message(QCoreApplication::translate("OrvelApp", "%1\nを開けません。").arg(path));
    recent_.Remove(path);
    frame_->ShowRecentFiles(recent_.Paths());
    return;
  }
  const QString full = info.absoluteFilePath();
  document_.SetPath(full);
  AddRecent(full);
  frame_->View().InitialUpdate(full);
  SetTitle(info.fileName());
}

void COrvelApp::SetTitle(const QString& title) {
  document_.SetTitle(title);
  if (frame_) frame_->setWindowTitle(document_.Caption());
}

void COrvelApp::AddRecent(const QString& path) {
  recent_.Add(QFileInfo(path).absoluteFilePath());
  if (frame_) frame_->ShowRecentFiles(recent_.Paths());
}

void COrvelApp::SaveAtExit() {
  frame_->View().SaveSettings();
  QSettings settings;
  recent_.Save(settings);
}

}  // namespace orvel::ui
