// The language of the desktop program: Japanese, its own, whatever the locale;
// English when asked for on the command line, in the environment or in the
// settings. Qt's own texts (dialog buttons, edit menus) follow. The program
// runs this file under more than one locale (see tests/CMakeLists.txt).
#include "platform/error.h"
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/startup/language.h"
#include "ui/startup/run_texts.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

namespace orvel {
namespace {

using test::AppRig;
using ui::Language;

const QStringList kJapaneseMenus = {"ﾌｧｲﾙ(&F)", "同期(&S)", "表示(&V)", "ツール(&T)", "ﾍﾙﾌﾟ(&H)"};
const QStringList kEnglishMenus = {"&File", "&Sync", "&View", "&Tools", "&Help"};

QStringList MenuTitles(ui::CMainFrame& frame) {
  QStringList titles;
  for (QAction* action : frame.menuBar()->actions()) titles << action->text();
  return titles;
}

// What Qt itself shows: a question's Yes button and an edit's first menu item.
QString QtYes() {
  QMessageBox box(QMessageBox::Warning, "Orvel", "?", QMessageBox::Yes | QMessageBox::No);
  return box.button(QMessageBox::Yes)->text();
}
QString QtUndo() {
  QLineEdit edit;
  const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
  return menu->actions().value(0) ? menu->actions().value(0)->text() : QString();
}

TEST(ChooseLanguageTest, TheCommandLineWinsOverTheEnvironmentWhichWinsOverTheSettings) {
  const struct {
    const char* commandLine;
    const char* environment;
    const char* settings;
    Language expected;
  } cases[] = {
      {"", "", "", Language::Japanese},
      {"en", "", "", Language::English},
      {"", "en", "", Language::English},
      {"", "", "en", Language::English},
      {"ja", "en", "en", Language::Japanese},
      {"en", "ja", "ja", Language::English},
      {"", "ja", "en", Language::Japanese},
      {"", "en_US.UTF-8", "ja", Language::English},
      {"EN", "", "", Language::English},
      // An unknown value is as good as none: the next source decides.
      {"fr", "en", "", Language::English},
      {"", "de", "", Language::Japanese},
      {"english", "", "", Language::Japanese},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ChooseLanguage(c.commandLine, c.environment, c.settings), c.expected)
        << c.commandLine << "|" << c.environment << "|" << c.settings;
  }
}

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppRig::ClearSettings();
    unsetenv("ORVEL_LANG");
  }
  void TearDown() override { unsetenv("ORVEL_LANG"); }
};

TEST_F(LanguageTest, JapaneseByDefaultWhateverTheLocale) {
  SCOPED_TRACE("LANG=" + qEnvironmentVariable("LANG").toStdString());
  AppRig rig;
  rig.Start();
  EXPECT_EQ(rig.app->CurrentLanguage(), Language::Japanese);
  EXPECT_EQ(MenuTitles(rig.Frame()), kJapaneseMenus);
  EXPECT_EQ(rig.Frame().Commands().Action(ui::cmd::kListCreation)->text(), "リスト作成(&L)\tF5");
  // Qt's own texts are Japanese too.
  EXPECT_EQ(QtYes(), "はい(&Y)");
  EXPECT_TRUE(QtUndo().startsWith("元に戻す(&U)")) << QtUndo().toStdString();
  rig.Frame().close();
  rig.app.reset();
  // Without the program, Qt speaks its own English again: the texts came from
  // the program's translators.
  EXPECT_EQ(QtYes(), "&Yes");
}

TEST_F(LanguageTest, EnglishOnTheCommandLineInTheEnvironmentOrInTheSettings) {
  const struct {
    const char* how;
    QStringList arguments;
    const char* environment;
    const char* settings;
    Language expected;
  } cases[] = {
      {"--lang en", {"--lang", "en"}, nullptr, nullptr, Language::English},
      {"ORVEL_LANG=en", {}, "en", nullptr, Language::English},
      {"Language=en", {}, nullptr, "en", Language::English},
      {"--lang=en over the others", {"--lang=en"}, "ja", "ja", Language::English},
      {"ORVEL_LANG=en over the settings", {}, "en", "ja", Language::English},
      {"--lang ja over the others", {"--lang", "ja"}, "en", "en", Language::Japanese},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    AppRig::ClearSettings();
    if (c.settings) QSettings().setValue("Settings/Language", c.settings);
    if (c.environment) setenv("ORVEL_LANG", c.environment, 1);
    test::TempDir dir;
    AppRig rig;
    rig.Start(c.arguments);
    unsetenv("ORVEL_LANG");
    const bool english = c.expected == Language::English;
    EXPECT_EQ(rig.app->CurrentLanguage(), c.expected);
    EXPECT_EQ(MenuTitles(rig.Frame()), english ? kEnglishMenus : kJapaneseMenus);
    // A message, as a list creation over a base folder that is not there shows it.
    rig.Bar().BaseEdit()->setText(QString::fromStdString(dir / "missing"));
    rig.Bar().TargetEdit()->setText(QString::fromStdString(dir.Path()));
    rig.Frame().Commands().Execute(ui::cmd::kListCreation);
    EXPECT_EQ(rig.dialogs.messages.value(0),
              english ? "The base folder does not exist.\nChoose an existing folder as the base folder."
                      : "「基本フォルダ」は存在しません\n「基本フォルダ」は存在するフォルダを\n指定して下さい");
    EXPECT_EQ(rig.Frame().Commands().Action(ui::cmd::kListCreation)->text(),
              english ? "&List Creation\tF5" : "リスト作成(&L)\tF5");
    EXPECT_EQ(ui::ReasonText(platform::MakeError(platform::Fault::ChangedSinceList)),
              english ? "changed since the list was made" : "リスト作成の後に変更されています");
    // In English, Qt's own texts are its own English.
    EXPECT_EQ(QtYes(), english ? "&Yes" : "はい(&Y)");
    rig.Frame().close();
  }
}

// The texts the program shares with orvel-cli come from their table, through
// the program's translators, in the program's language.
TEST_F(LanguageTest, EverySharedTextIsSaidInTheProgramsLanguage) {
  for (const Language language : {Language::Japanese, Language::English}) {
    const ui::Translations translations(language);
    for (const engine::TextEntry& e : engine::TextCatalogue()) {
      EXPECT_EQ(ui::Words(e.id).toStdString(), language == Language::English ? e.english : e.japanese) << e.key;
    }
  }
}

// One message of the translation file.
struct Entry {
  QString context;
  QString source;
  QString translation;
  QString type;  // "unfinished", "vanished", "obsolete" or empty
};

std::vector<Entry> ReadTs(const QString& path) {
  std::vector<Entry> entries;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return entries;
  }
  QXmlStreamReader xml(&file);
  QString context;
  Entry entry;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"name") {
      context = xml.readElementText();
    } else if (xml.name() == u"message") {
      entry = Entry{context, {}, {}, {}};
    } else if (xml.name() == u"source") {
      entry.source = xml.readElementText();
    } else if (xml.name() == u"translation") {
      entry.type = xml.attributes().value(QStringLiteral("type")).toString();
      entry.translation = xml.readElementText();
      entries.push_back(entry);
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line " << xml.lineNumber();
  return entries;
}

// "%1", "%2": what a text fills in.
QSet<QString> Placeholders(const QString& text) {
  QSet<QString> found;
  for (qsizetype i = text.indexOf(u'%'); i >= 0 && i + 1 < text.size(); i = text.indexOf(u'%', i + 1)) {
    if (text[i + 1].isDigit()) found.insert(text.mid(i, 2));
  }
  return found;
}

// Kana, kanji, Japanese punctuation and full-width forms.
bool HasJapanese(const QString& text) {
  static const QRegularExpression japanese(QStringLiteral("[\\x{3000}-\\x{30FF}\\x{4E00}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
  return text.contains(japanese);
}

// The letter after a single "&" before any tab, or nothing.
bool HasMnemonic(const QString& text) {
  const QString label = text.section(u'\t', 0, 0);
  for (qsizetype i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != u'&') continue;
    if (label[i + 1] == u'&') {
      ++i;
      continue;
    }
    return true;
  }
  return false;
}

TEST(TranslationFileTest, EveryEntryIsTranslatedAndKeepsWhatTheProgramNeedsOfIt) {
  const std::vector<Entry> entries = ReadTs(QStringLiteral(ORVEL_TS_FILE));
  ASSERT_GT(entries.size(), 100u);
  for (const Entry& e : entries) {
    SCOPED_TRACE((e.context + " | " + e.source).toStdString());
    EXPECT_TRUE(e.type.isEmpty()) << e.type.toStdString();
    EXPECT_FALSE(e.translation.trimmed().isEmpty());
    // A Japanese text is translated; only names and signs ("OK", "NUM") stay as they are.
    if (HasJapanese(e.source)) {
      EXPECT_NE(e.translation, e.source);
    }
    EXPECT_FALSE(HasJapanese(e.translation)) << e.translation.toStdString();
    EXPECT_EQ(Placeholders(e.translation), Placeholders(e.source)) << e.translation.toStdString();
    // A mnemonic stays a mnemonic, and a key stays the key the menu binds.
    EXPECT_EQ(HasMnemonic(e.translation), HasMnemonic(e.source)) << e.translation.toStdString();
    EXPECT_EQ(e.translation.section(u'\t', 1), e.source.section(u'\t', 1)) << e.translation.toStdString();
    // A prompt and its tooltip are split at the line break.
    if (e.context == u"StringTable") {
      EXPECT_EQ(e.translation.count(u'\n'), e.source.count(u'\n'));
    }
  }
}

TEST(TranslationFileTest, EveryTextOfTheProgramIsInTheFile) {
  // lupdate finds the texts in the sources just as the build's update target does.
  QTemporaryDir scratch;
  ASSERT_TRUE(scratch.isValid());
  const QString found = scratch.filePath("found.ts");
  QProcess lupdate;
  lupdate.start(QStringLiteral(ORVEL_LUPDATE), {"-no-obsolete", "-locations", "none", "-source-language", "ja_JP",
                                                  "-target-language", "en", QStringLiteral(ORVEL_UI_DIR "/src"),
                                                  QStringLiteral(ORVEL_UI_DIR "/include"), "-ts", found});
  ASSERT_TRUE(lupdate.waitForFinished(60000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

  std::map<std::pair<QString, QString>, QString> shipped;
  for (const Entry& e : ReadTs(QStringLiteral(ORVEL_TS_FILE))) shipped[{e.context, e.source}] = e.translation;
  const std::vector<Entry> texts = ReadTs(found);
  ASSERT_FALSE(texts.empty());
  for (const Entry& e : texts) {
    EXPECT_TRUE(shipped.count({e.context, e.source}))
        << "not in the translation file: " << (e.context + " | " + e.source).toStdString();
  }
}

}  // namespace
}  // namespace orvel
