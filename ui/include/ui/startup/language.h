#pragma once

#include <QString>

#include <memory>

class QTranslator;

namespace orvel::ui {

// The language of the desktop program's texts. Japanese is the program's own;
// English comes from its translation.
enum class Language { Japanese, English };

// The language asked for: the command line's "--lang" wins over ORVEL_LANG,
// which wins over "Settings/Language". Each says "en" (or "en_US" and the like)
// or "ja"; an empty or unknown value counts as not said. Japanese when none says.
Language ChooseLanguage(const QString& commandLine, const QString& environment, const QString& settings);

// The language asked for by this process: the command line's value, the
// environment and the settings file.
Language LanguageAskedFor(const QString& commandLine);

// Installs the program's translation and Qt's own (dialog buttons, file
// dialogs, edit menus) for a language, for as long as the object lives.
class Translations {
 public:
  explicit Translations(Language language);
  ~Translations();
  Translations(const Translations&) = delete;
  Translations& operator=(const Translations&) = delete;

  Language Current() const { return language_; }

 private:
  Language language_;
  std::unique_ptr<QTranslator> qt_;
  std::unique_ptr<QTranslator> own_;
  std::unique_ptr<QTranslator> catalogue_;
};

}  // namespace orvel::ui
