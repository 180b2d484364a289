#include "storage/settings_store.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <limits>

namespace orvel::storage {
namespace {

// A fresh installation: both folders at the root, subfolders off, same files
// listed, properties on double-click, confirmation on, the recycle-bin folder
// option on.
constexpr const char* kDefaultFolder = "/";

int ReadInt(const QSettings& settings, const char* key, int fallback) {
  const QVariant value = settings.value(QString::fromLatin1(key));
  if (!value.isValid()) return fallback;
  // The value is kept as a 32-bit number; text that is not one (or a number
  // beyond 32 bits, which a plain conversion would truncate) is not read.
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) return fallback;
  return static_cast<int>(number);
}

std::string ReadString(const QSettings& settings, const char* key, const char* fallback) {
  const QVariant value = settings.value(QString::fromLatin1(key));
  if (!value.isValid()) return fallback;
  // A hand-edited unquoted value with commas comes back from the settings file
  // as a list; keep its text rather than dropping it.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", ")).toStdString();
  return value.toString().toStdString();
}

void WriteString(QSettings& settings, const char* key, const std::string& text) {
  settings.setValue(QString::fromLatin1(key), QString::fromStdString(text));
}

void WriteInt(QSettings& settings, const char* key, int number) { settings.setValue(QString::fromLatin1(key), number); }

}  // namespace

void LoadSettings(QSettings& settings, ConditionState& state) {
  WorkingSet& w = state.Working();
  w.AFolder = ReadString(settings, "AFolder", kDefaultFolder);
  w.BFolder = ReadString(settings, "BFolder", kDefaultFolder);
  w.SubFolder = ReadInt(settings, "SubFolder", 0);
  w.SameDisp = ReadInt(settings, "SameDisp", 1);
  w.DblClk = ReadInt(settings, "DblClk", 1);
  w.ConfDlg = ReadInt(settings, "ConfDlg", 1);
  w.ExeName1 = ReadString(settings, "ExeName1", "");
  w.ExePath1 = ReadString(settings, "ExePath1", "");
  w.ChkExt = ReadInt(settings, "ChkExt", 0);
  w.Ext = ReadString(settings, "Ext", "");
  w.ChkNoExt = ReadInt(settings, "ChkNoExt", 0);
  w.NoExt = ReadString(settings, "NoExt", "");
  w.Complete = ReadInt(settings, "Complete", 0);
  w.DiffTime = ReadInt(settings, "DiffTime", 0);
  w.DiffSel = ReadInt(settings, "DiffSel", 0);
  w.EmptyFolder = ReadInt(settings, "EmptyFolder", 0);
  w.RecyclerFolder = ReadInt(settings, "RecyclerFolder", 1);
  w.DeleteTrash = ReadInt(settings, "DeleteTrash", 0);

  state.Set().Clear();
  state.Set().Add(w.ToCondition(kNewConditionName));
}

void SaveSettings(QSettings& settings, const WorkingSet& working) {
  WriteString(settings, "AFolder", working.AFolder);
  WriteString(settings, "BFolder", working.BFolder);
  WriteInt(settings, "SubFolder", working.SubFolder);
  WriteInt(settings, "SameDisp", working.SameDisp);
  WriteInt(settings, "DblClk", working.DblClk);
  WriteInt(settings, "ConfDlg", working.ConfDlg);
  WriteString(settings, "ExeName1", working.ExeName1);
  WriteString(settings, "ExePath1", working.ExePath1);
  WriteInt(settings, "ChkExt", working.ChkExt);
  WriteString(settings, "Ext", working.Ext);
  WriteInt(settings, "ChkNoExt", working.ChkNoExt);
  WriteString(settings, "NoExt", working.NoExt);
  WriteInt(settings, "Complete", working.Complete);
  WriteInt(settings, "DiffTime", working.DiffTime);
  WriteInt(settings, "DiffSel", working.DiffSel);
  WriteInt(settings, "EmptyFolder", working.EmptyFolder);
  WriteInt(settings, "RecyclerFolder", working.RecyclerFolder);
  WriteInt(settings, "DeleteTrash", working.DeleteTrash);
}

}  // namespace orvel::storage
