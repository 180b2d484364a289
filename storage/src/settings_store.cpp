#include "storage/settings_store.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <limits>

namespace orvel::storage {
namespace {

QString Key(std::string_view key) { return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())); }

int ReadInt(const QSettings& settings, std::string_view key, int fallback) {
  const QVariant value = settings.value(Key(key));
  if (!value.isValid()) return fallback;
  // The value is kept as a 32-bit number; text that is not one (or a number
  // beyond 32 bits, which a plain conversion would truncate) is not read.
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) return fallback;
  return static_cast<int>(number);
}

std::string ReadString(const QSettings& settings, std::string_view key, std::string_view fallback) {
  const QVariant value = settings.value(Key(key));
  if (!value.isValid()) return std::string(fallback);
  // A hand-edited unquoted value with commas comes back from the settings file
  // as a list; keep its text rather than dropping it.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", ")).toStdString();
  return value.toString().toStdString();
}

void WriteString(QSettings& settings, std::string_view key, const std::string& text) {
  settings.setValue(Key(key), QString::fromStdString(text));
}

void WriteInt(QSettings& settings, std::string_view key, int number) { settings.setValue(Key(key), number); }

}  // namespace

void LoadSettings(QSettings& settings, ConditionState& state) {
  WorkingSet& w = state.Working();
  for (const Field& field : kFields) {
    if (field.IsText()) {
      *TextIn(field, w) = ReadString(settings, field.key, field.defaultText);
    } else {
      *NumberIn(field, w) = ReadInt(settings, field.key, field.defaultNumber);
    }
  }
  state.Set().Clear();
  state.Set().Add(w.ToCondition(kNewConditionName));
}

void SaveSettings(QSettings& settings, const WorkingSet& working) {
  for (const Field& field : kFields) {
    if (field.IsText()) {
      WriteString(settings, field.key, *TextIn(field, working));
    } else {
      WriteInt(settings, field.key, *NumberIn(field, working));
    }
  }
}

}  // namespace orvel::storage
