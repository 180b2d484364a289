#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

namespace orvel::ui {

// The path's file URI (g_filename_to_uri): "file://" and the path's bytes,
// every byte that may not stand in a URI path percent-encoded, so that blanks,
// "#", "%" and names that are not UTF-8 reach the file manager unchanged. A
// relative path is taken from the current folder.
QString FileUri(std::string_view path);

// The desktop's file manager, asked over the session bus
// (org.freedesktop.FileManager1). The calls do not wait: when nobody owns the
// name, or the call fails, the fallback runs once the answer is in — the file's
// folder is opened through QDesktopServices, or a read-only properties window
// is shown.
class FileManager : public QObject {
  Q_OBJECT
 public:
  // Fallback properties windows belong to `window`.
  explicit FileManager(QWidget* window, QObject* parent = nullptr);
  ~FileManager() override;

  // Shows the entry selected in its folder.
  void ShowItem(const std::string& path);
  // Shows the entry's properties.
  void ShowItemProperties(const std::string& path);

  // Calls sent whose answer has not been handled yet.
  int PendingCalls() const { return pending_; }
  // Where a file manager that cannot be reached, or a folder that cannot be
  // opened, is told (with the reason).
  void SetNotice(std::function<void(const QString&)> notice) { notice_ = std::move(notice); }

 private:
  void Call(const QString& method, const std::string& path, std::function<void()> fallback);
  void OpenFolderOf(const std::string& path);
  void ShowPropertiesWindow(const std::string& path);

  void Tell(const QString& text) const {
    if (notice_) notice_(text);
  }

  QPointer<QWidget> window_;
  int pending_ = 0;
  std::function<void(const QString&)> notice_;
};

}  // namespace orvel::ui
