#include "ui/startup/language.h"

#include "ui/startup/catalogue_translator.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

#include <optional>

namespace orvel::ui {
namespace {

// "en", "EN", "en_US", "en-GB.UTF-8": the part before any region or encoding.
std::optional<Language> Read(const QString& value) {
  const QString name = value.trimmed().section(QRegularExpression(QStringLiteral("[_.@-]")), 0, 0).toLower();
  if (name == QLatin1String("en")) return Language::English;
  if (name == QLatin1String("ja")) return Language::Japanese;
  return std::nullopt;
}

}  // namespace

Language ChooseLanguage(const QString& commandLine, const QString& environment, const QString& settings) {
  for (const QString* value : {&commandLine, &environment, &settings}) {
    if (std::optional<Language> language = Read(*value)) return *language;
  }
  return Language::Japanese;
}

Language LanguageAskedFor(const QString& commandLine) {
  return ChooseLanguage(commandLine, qEnvironmentVariable("ORVEL_LANG"),
                        QSettings().value(QStringLiteral("Settings/Language")).toString());
}

Translations::Translations(Language language) : language_(language) {
  if (language == Language::English) {
    // Qt's own texts are English already; only ours need translating.
    own_ = std::make_unique<QTranslator>();
    if (own_->load(QStringLiteral(":/orvel/translations/orvel_en.qm"))) {
      QCoreApplication::installTranslator(own_.get());
    }
    // The texts the desktop program shares with orvel-cli come from their one table.
    catalogue_ = std::make_unique<CatalogueTranslator>();
    QCoreApplication::installTranslator(catalogue_.get());
    return;
  }
  // Our texts are Japanese already; Qt's own come from its Japanese translation.
  qt_ = std::make_unique<QTranslator>();
  if (qt_->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qt_.get());
  }
}

// A translator removes itself from the application when it is destroyed.
Translations::~Translations() = default;

}  // namespace orvel::ui
