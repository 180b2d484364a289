#include "ui/shell/file_manager.h"

#include "platform/path.h"
#include "ui/dialogs/properties_dialog.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QFile>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

#include <glib.h>

#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace orvel::ui {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kObjectPath = QStringLiteral("/org/freedesktop/FileManager1");
const QString kInterface = QStringLiteral("org.freedesktop.FileManager1");
// A file manager that is started by the call itself may take a while.
constexpr int kCallTimeoutMs = 25000;

std::string CurrentFolder() {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace

QString FileUri(std::string_view path) {
  std::string absolute;
  if (path.empty() || path.front() != '/') {
    absolute = CurrentFolder();
    if (absolute.back() != '/') absolute += '/';
  }
  absolute += path;
  // GLib escapes every byte that is not allowed in a URI path, so the text is
  // plain ASCII whatever the name's bytes were.
  std::unique_ptr<gchar, decltype(&g_free)> uri(g_filename_to_uri(absolute.c_str(), nullptr, nullptr), &g_free);
  return uri ? QString::fromLatin1(uri.get()) : QString();
}

FileManager::FileManager(QWidget* window, QObject* parent) : QObject(parent), window_(window) {}

FileManager::~FileManager() = default;

void FileManager::ShowItem(const std::string& path) {
  Call(QStringLiteral("ShowItems"), path, [this, path] { OpenFolderOf(path); });
}

void FileManager::ShowItemProperties(const std::string& path) {
  Call(QStringLiteral("ShowItemProperties"), path, [this, path] { ShowPropertiesWindow(path); });
}

void FileManager::Call(const QString& method, const std::string& path, std::function<void()> fallback) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    Tell(QCoreApplication::translate("FileManager", "ファイルマネージャに接続できません: %1").arg(bus.lastError().message()));
    fallback();
    return;
  }
  QDBusMessage message = QDBusMessage::createMethodCall(kService, kObjectPath, kInterface, method);
  message << QStringList{FileUri(path)} << QString();
  // Not waited for: the user interface goes on while the file manager starts.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, kCallTimeoutMs), this);
  ++pending_;
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, fallback = std::move(fallback)](QDBusPendingCallWatcher* finished) {
            --pending_;
            if (finished->isError()) {
              // Nobody owns the name, or the file manager did not answer in time.
              Tell(QCoreApplication::translate("FileManager", "ファイルマネージャが応答しません: %1")
                       .arg(finished->error().message()));
              fallback();
            }
            finished->deleteLater();
          });
}

void FileManager::OpenFolderOf(const std::string& path) {
  const std::string folder = platform::WithTrailingSeparator(std::string(platform::SplitPath(path).folder));
  if (!QDesktopServices::openUrl(QUrl::fromEncoded(FileUri(folder).toLatin1()))) {
    Tell(QCoreApplication::translate("FileManager", "フォルダを開けません: %1（フォルダを開くプログラムが見つかりません）")
             .arg(QFile::decodeName(QByteArray::fromStdString(folder))));
  }
}

void FileManager::ShowPropertiesWindow(const std::string& path) {
  auto* dialog = new PropertiesDialog(path, window_);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

}  // namespace orvel::ui
