// `cmake --install` into a fresh prefix: the programs, the desktop entry, the
// icon at every size, the type of the condition files, the manual pages, the
// shell completion and the AppStream description, all below the prefix.
#include "run_program.h"

#include <QFile>
#include <QMimeDatabase>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace orvel {
namespace {

using test::Exists;
using test::FindInPath;
using test::ReadFile;
using test::RunProgram;
using test::TempDir;

const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
const char* const kMimeType = "application/x-orvel-conditions";
const char* const kMetainfo = "share/metainfo/io.github.brelt.orvel.metainfo.xml";
const char* const kCompletion = "share/bash-completion/completions/orvel-cli";

class InstallTest : public ::testing::Test {
 protected:
  // One install for all the cases of a run.
  static void SetUpTestSuite() {
    prefix_ = new TempDir;
    install_ = new test::ProgramResult(
        RunProgram({ORVEL_CMAKE, "--install", ORVEL_BUILD_DIR, "--prefix", prefix_->Path()}));
  }
  static void TearDownTestSuite() {
    delete install_;
    delete prefix_;
  }
  void SetUp() override { ASSERT_EQ(install_->exitCode, 0) << install_->out << install_->err; }

  static std::string Installed(const std::string& relative) { return *prefix_ / relative; }

  static TempDir* prefix_;
  static test::ProgramResult* install_;
};

TempDir* InstallTest::prefix_ = nullptr;
test::ProgramResult* InstallTest::install_ = nullptr;

TEST_F(InstallTest, EveryFileIsInPlaceAndNothingLandsOutsideThePrefix) {
  std::vector<std::string> expected = {"bin/orvel",
                                       "bin/orvel-cli",
                                       "share/applications/orvel.desktop",
                                       "share/mime/packages/orvel.xml",
                                       "share/icons/hicolor/scalable/apps/orvel.svg",
                                       "share/man/man1/orvel.1",
                                       "share/man/man1/orvel-cli.1",
                                       kCompletion,
                                       kMetainfo};
  for (int size : kIconSizes)
    expected.push_back("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/orvel.png");
  for (const auto& file : expected) EXPECT_TRUE(Exists(Installed(file))) << file;
  for (const char* program : {"bin/orvel", "bin/orvel-cli"})
    EXPECT_EQ(::access(Installed(program).c_str(), X_OK), 0) << program;

  // Every file cmake reports is below the prefix, and each expected one is reported.
  std::istringstream log(install_->out);
  std::set<std::string> reported;
  for (std::string line; std::getline(log, line);) {
    for (const std::string verb : {"-- Installing: ", "-- Up-to-date: "}) {
      if (line.rfind(verb, 0) != 0) continue;
      const std::string path = line.substr(verb.size());
      EXPECT_EQ(path.rfind(prefix_->Path() + "/", 0), 0u) << path;
      reported.insert(path);
    }
  }
  for (const auto& file : expected) EXPECT_TRUE(reported.count(Installed(file))) << file;

  // The installed programs run from where they were put.
  const auto gui = RunProgram({Installed("bin/orvel"), "--version"}, {"DISPLAY", "WAYLAND_DISPLAY"});
  EXPECT_EQ(gui.exitCode, 0);
  EXPECT_EQ(gui.out, "orvel 1.73\n");
  const auto cli = RunProgram({Installed("bin/orvel-cli"), "--version"});
  EXPECT_EQ(cli.exitCode, 0);
  EXPECT_EQ(cli.out, "orvel-cli 1.73\n");
}

// The keys of the desktop entry's groups, in file order, with the lines that
// are neither groups, keys nor comments.
struct DesktopFile {
  std::vector<std::string> groups;
  std::map<std::string, std::string> entry;  // keys of [Desktop Entry]
  std::vector<std::string> badLines;
  std::vector<std::string> repeatedKeys;
};

DesktopFile ParseDesktopFile(const std::string& text) {
  DesktopFile file;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      file.groups.push_back(line.substr(1, line.size() - 2));
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos || equals == 0 || file.groups.empty()) {
      file.badLines.push_back(line);
      continue;
    }
    const std::string key = line.substr(0, equals);
    // Key names are A-Za-z0-9- with an optional [locale].
    const auto bracket = key.find('[');
    const std::string name = key.substr(0, bracket);
    bool good = !name.empty() && name.find_first_not_of(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-") == std::string::npos;
    if (bracket != std::string::npos) good = good && key.back() == ']' && key.size() > bracket + 2;
    if (!good) file.badLines.push_back(line);
    if (file.groups.back() != "Desktop Entry") continue;
    if (!file.entry.emplace(key, line.substr(equals + 1)).second) file.repeatedKeys.push_back(key);
  }
  return file;
}

std::vector<std::string> SplitList(const std::string& value) {
  std::vector<std::string> items;
  std::istringstream in(value);
  for (std::string item; std::getline(in, item, ';');)
    if (!item.empty()) items.push_back(item);
  return items;
}

TEST_F(InstallTest, DesktopEntryStartsTheProgramForConditionFiles) {
  const std::string path = Installed("share/applications/orvel.desktop");
  ASSERT_TRUE(Exists(path));
  const std::string validator = FindInPath("desktop-file-validate");
  if (!validator.empty()) {
    const auto check = RunProgram({validator, path});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(check.out + check.err, "");  // no errors, and no warnings or hints either
  }

  const DesktopFile file = ParseDesktopFile(ReadFile(path));
  ASSERT_FALSE(file.groups.empty());
  EXPECT_EQ(file.groups.front(), "Desktop Entry");
  EXPECT_TRUE(file.badLines.empty()) << file.badLines.front();
  EXPECT_TRUE(file.repeatedKeys.empty()) << file.repeatedKeys.front();
  const auto value = [&](const std::string& key) {
    const auto it = file.entry.find(key);
    return it == file.entry.end() ? std::string("(missing)") : it->second;
  };
  EXPECT_EQ(value("Type"), "Application");
  EXPECT_EQ(value("Name"), "Orvel");
  EXPECT_EQ(value("Exec"), "orvel %f");
  EXPECT_EQ(value("Icon"), "orvel");
  EXPECT_EQ(value("Terminal"), "false");
  EXPECT_EQ(value("Categories"), "Utility;FileTools;");
  EXPECT_EQ(value("MimeType"), std::string(kMimeType) + ";");
  // A comment in English and one in Japanese.
  const std::string comment = value("Comment");
  const std::string commentJa = value("Comment[ja]");
  EXPECT_NE(comment, "(missing)");
  EXPECT_FALSE(comment.empty());
  for (unsigned char c : comment) EXPECT_LT(c, 0x80) << comment;
  EXPECT_NE(commentJa, "(missing)");
  EXPECT_NE(commentJa.find("フォルダ"), std::string::npos) << commentJa;

  // What it names is installed: the program, the icon and the file type.
  EXPECT_TRUE(Exists(Installed("bin/" + value("Exec").substr(0, value("Exec").find(' ')))));
  EXPECT_TRUE(Exists(Installed("share/icons/hicolor/scalable/apps/" + value("Icon") + ".svg")));
  const std::string mime = ReadFile(Installed("share/mime/packages/orvel.xml"));
  for (const auto& type : SplitList(value("MimeType")))
    EXPECT_NE(mime.find("type=\"" + type + "\""), std::string::npos) << type;
}

TEST_F(InstallTest, MimeTypeGivesConditionFilesTheirTypeAndIcon) {
  QFile file(QString::fromStdString(Installed("share/mime/packages/orvel.xml")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  QStringList types, globs, icons;
  bool commented = false;
  QString root;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const QStringView name = xml.name();
    if (root.isEmpty()) {
      root = name.toString();
      EXPECT_EQ(xml.namespaceUri(), u"http://www.freedesktop.org/standards/shared-mime-info");
    }
    if (name == u"mime-type") types << xml.attributes().value("type").toString();
    if (name == u"glob") globs << xml.attributes().value("pattern").toString();
    if (name == u"icon") icons << xml.attributes().value("name").toString();
    if (name == u"comment" && !xml.attributes().hasAttribute("xml:lang"))
      commented = !xml.readElementText().trimmed().isEmpty();
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line " << xml.lineNumber();
  EXPECT_EQ(root, "mime-info");
  EXPECT_EQ(types, QStringList{kMimeType});
  EXPECT_TRUE(globs.contains("*.orv")) << globs.join(' ').toStdString();
  EXPECT_EQ(icons, QStringList{"orvel"});
  EXPECT_TRUE(commented);

  // A desktop that reads the installed type names files *.ORV and *.orv with it.
  // (The type database reads its folders once, on first use in the process.)
  qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(Installed("share")) + ":/usr/share");
  QMimeDatabase database;
  for (const char* name : {"backup.ORV", "backup.orv", "ミラー.Orv"})
    EXPECT_EQ(database.mimeTypeForFile(QString::fromUtf8(name), QMimeDatabase::MatchExtension).name().toStdString(),
              kMimeType)
        << name;
  EXPECT_NE(database.mimeTypeForFile("backup.ORV.txt", QMimeDatabase::MatchExtension).name().toStdString(), kMimeType);

  // The reference tool, where it is installed, builds its database from the file.
  const std::string update = FindInPath("update-mime-database");
  if (!update.empty()) {
    TempDir copy;
    ASSERT_EQ(::mkdir((copy / "mime").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((copy / "mime/packages").c_str(), 0700), 0);
    std::ofstream(copy / "mime/packages/orvel.xml") << ReadFile(Installed("share/mime/packages/orvel.xml"));
    const auto built = RunProgram({update, copy / "mime"});
    EXPECT_EQ(built.exitCode, 0) << built.err;
    EXPECT_NE(ReadFile(copy / "mime/globs2").find(std::string(kMimeType) + ":*.orv"), std::string::npos);
  }
}

// Width, height, bit depth and colour type from a PNG's header chunk.
struct PngHeader {
  bool valid = false;
  unsigned width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
};

PngHeader ReadPngHeader(const std::string& bytes) {
  PngHeader header;
  static const std::string kSignature("\x89PNG\r\n\x1a\n", 8);
  if (bytes.size() < 33 || bytes.compare(0, 8, kSignature) != 0 || bytes.compare(12, 4, "IHDR") != 0)
    return header;
  const auto u32 = [&](std::size_t at) {
    unsigned value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  header.valid = true;
  header.width = u32(16);
  header.height = u32(20);
  header.bitDepth = static_cast<unsigned char>(bytes[24]);
  header.colourType = static_cast<unsigned char>(bytes[25]);
  return header;
}

TEST_F(InstallTest, IconsHaveTheSizesTheirFoldersName) {
  for (int size : kIconSizes) {
    const std::string dims = std::to_string(size) + "x" + std::to_string(size);
    const PngHeader png = ReadPngHeader(ReadFile(Installed("share/icons/hicolor/" + dims + "/apps/orvel.png")));
    ASSERT_TRUE(png.valid) << dims;
    EXPECT_EQ(png.width, static_cast<unsigned>(size)) << dims;
    EXPECT_EQ(png.height, static_cast<unsigned>(size)) << dims;
    // Eight-bit RGBA: the picture keeps its transparent background on any panel.
    EXPECT_EQ(png.bitDepth, 8) << dims;
    EXPECT_EQ(png.colourType, 6) << dims;
  }

  QFile svg(QString::fromStdString(Installed("share/icons/hicolor/scalable/apps/orvel.svg")));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&svg);
  QString root, viewBox;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && root.isEmpty()) {
      root = xml.name().toString();
      viewBox = xml.attributes().value("viewBox").toString();
    }
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(root, "svg");
  const QStringList box = viewBox.split(' ');
  ASSERT_EQ(box.size(), 4) << viewBox.toStdString();
  EXPECT_EQ(box[2], box[3]);  // square
}

// The options a usage text names ("--json", "-y", ...).
std::set<std::string> OptionsNamedIn(const std::string& text) {
  static const std::regex option(R"((^|[\s"(\[|])(--?[a-z][a-z-]*))");
  std::set<std::string> names;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
    names.insert((*it)[2]);
  return names;
}

// Whether the text names the option as a word of its own.
bool MentionsOption(const std::string& text, const std::string& option) {
  return std::regex_search(text, std::regex(R"((^|[\s"(\[]))" + option + R"(($|[\s",)\]=]))"));
}

// The source of a manual page with "\-" read as "-".
std::string PageText(const std::string& path) { return std::regex_replace(ReadFile(path), std::regex(R"(\\-)"), "-"); }

TEST_F(InstallTest, ManualPagesFormatWithoutWarningsAndCoverTheCommandLine) {
  const std::string man = FindInPath("man");
  const std::string groff = FindInPath("groff");
  for (const char* page : {"share/man/man1/orvel.1", "share/man/man1/orvel-cli.1"}) {
    SCOPED_TRACE(page);
    const std::string path = Installed(page);
    ASSERT_TRUE(Exists(path));
    const std::string text = PageText(path);
    for (const char* section : {".SH NAME", ".SH SYNOPSIS", ".SH DESCRIPTION", ".SH OPTIONS", ".SH EXIT STATUS",
                                ".SH ENVIRONMENT", ".SH FILES", ".SH EXAMPLES", ".SH SEE ALSO"})
      EXPECT_NE(text.find(std::string(section) + "\n"), std::string::npos) << section;
    // ASCII only: the page formats alike on every device and in every locale.
    for (unsigned char c : text) ASSERT_LT(c, 0x80);
    if (!man.empty()) {
      const auto formatted = RunProgram({"/usr/bin/env", "MANWIDTH=80", man, "--warnings", "-l", path});
      EXPECT_EQ(formatted.exitCode, 0) << formatted.err;
      EXPECT_EQ(formatted.err, "");
      EXPECT_NE(formatted.out.find("ORVEL"), std::string::npos);
    }
    if (!groff.empty()) {
      const auto checked = RunProgram({groff, "-man", "-ww", "-z", path});
      EXPECT_EQ(checked.exitCode, 0) << checked.err;
      EXPECT_EQ(checked.err, "");
    }
  }
  if (man.empty() && groff.empty()) GTEST_SKIP() << "neither man nor groff is installed: the pages were not formatted";

  // Every option of orvel-cli's usage text, its statuses and its environment.
  const auto usage = RunProgram({Installed("bin/orvel-cli"), "--help"});
  ASSERT_EQ(usage.exitCode, 0);
  const std::string cliPage = PageText(Installed("share/man/man1/orvel-cli.1"));
  for (const std::string& option : OptionsNamedIn(usage.out)) EXPECT_TRUE(MentionsOption(cliPage, option)) << option;
  for (const char* part : {"ORVEL_LANG", "base_mtime", "target_mtime", "RFC 3339", ".B 130", ".B 4\n", "-R", "-X"})
    EXPECT_NE(cliPage.find(part), std::string::npos) << part;
  const std::string guiPage = PageText(Installed("share/man/man1/orvel.1"));
  for (const char* part : {"-R", "-X", "--lang", "ORVEL_LANG", "Language=en", "Orvel.conf", "XDG_CONFIG_HOME", ".ORV"})
    EXPECT_NE(guiPage.find(part), std::string::npos) << part;
}

TEST_F(InstallTest, BashCompletionOffersCommandsOptionsAndConditionFiles) {
  const std::string bash = FindInPath("bash");
  if (bash.empty()) GTEST_SKIP() << "bash is not installed";
  const std::string script = Installed(kCompletion);
  ASSERT_TRUE(Exists(script));
  TempDir dir;
  for (const char* file : {"a.ORV", "b.orv", "c.txt", "my file.ORV"}) std::ofstream(dir / file) << "";
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "other").c_str(), 0700), 0);
  // The completion of the last word, as bash would ask for it.
  const auto complete = [&](const std::vector<std::string>& words) {
    std::vector<std::string> argv = {bash, "--norc", "--noprofile", "-c",
                                     "source \"$1\" && shift && complete -p orvel-cli >/dev/null && "
                                     "COMP_WORDS=(\"$@\") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _orvel_cli; "
                                     "printf '%s\\n' \"${COMPREPLY[@]}\"",
                                     "bash", script};
    argv.insert(argv.end(), words.begin(), words.end());
    const auto run = RunProgram(argv);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::set<std::string> offered;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
      if (!line.empty()) offered.insert(line);
    return offered;
  };
  const std::string d = dir.Path();
  const std::set<std::string> conditionFilesAndFolders = {d + "/a.ORV", d + "/b.orv", d + "/my file.ORV", d + "/sub",
                                                          d + "/other"};
  const struct {
    std::vector<std::string> words;
    std::set<std::string> offered;
  } cases[] = {
      {{"orvel-cli", ""}, {"list", "show", "sync"}},
      {{"orvel-cli", "sy"}, {"sync"}},
      {{"orvel-cli", "show", "-"}, {"--lang"}},
      {{"orvel-cli", "list", "--allow"}, {}},
      {{"orvel-cli", "sync", "--allow"}, {"--allow-empty-base", "--allow-mass-delete"}},
      {{"orvel-cli", "list", "--lang", ""}, {"en", "ja"}},
      {{"orvel-cli", "list", "--lang", "=", "e"}, {"en"}},
      {{"orvel-cli", "list", "--tolerance", ""}, {}},
      {{"orvel-cli", "list", d + "/"}, conditionFilesAndFolders},
      {{"orvel-cli", "--json", "show", d + "/"}, conditionFilesAndFolders},
      {{"orvel-cli", "sync", "--lang", "en", d + "/sub", d + "/"}, {d + "/sub", d + "/other"}},
      {{"orvel-cli", "sync", d + "/a.ORV", d + "/"}, {}},
      // After "--" a word with a dash is a file, not an option.
      {{"orvel-cli", "sync", "--", "-"}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(complete(c.words), c.offered) << testing::PrintToString(c.words);

  // Before the command every option of the usage text is offered.
  const auto usage = RunProgram({Installed("bin/orvel-cli"), "--help"});
  ASSERT_EQ(usage.exitCode, 0);
  EXPECT_EQ(complete({"orvel-cli", "-"}), OptionsNamedIn(usage.out)) << usage.out;
}

TEST_F(InstallTest, MetainfoDescribesTheInstalledProgram) {
  const std::string path = Installed(kMetainfo);
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  std::map<std::string, std::vector<std::string>> values;  // element name (with type) -> texts
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    std::string name = xml.name().toString().toStdString();
    if (xml.attributes().hasAttribute("type")) name += "/" + xml.attributes().value("type").toString().toStdString();
    if (name == "component/desktop-application") {
      values[name].push_back({});
      continue;
    }
    if (name == "description" || name == "provides" || name == "categories" || name == "keywords") continue;
    values[name].push_back(xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed().toStdString());
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(values["component/desktop-application"].size(), 1u);
  // The file is named after its id, and it names the installed desktop entry,
  // programs and file type.
  ASSERT_EQ(values["id"].size(), 1u);
  EXPECT_EQ("share/metainfo/" + values["id"][0] + ".metainfo.xml", kMetainfo);
  EXPECT_EQ(values["launchable/desktop-id"], std::vector<std::string>{"orvel.desktop"});
  for (const auto& entry : values["launchable/desktop-id"]) EXPECT_TRUE(Exists(Installed("share/applications/" + entry)));
  EXPECT_EQ(values["binary"], (std::vector<std::string>{"orvel", "orvel-cli"}));
  for (const auto& binary : values["binary"]) EXPECT_TRUE(Exists(Installed("bin/" + binary))) << binary;
  EXPECT_EQ(values["mediatype"], std::vector<std::string>{kMimeType});
  EXPECT_EQ(values["name"], std::vector<std::string>{"Orvel"});

  const std::string validator = FindInPath("appstreamcli");
  if (validator.empty()) GTEST_SKIP() << "appstreamcli is not installed: the file was not validated";
  const auto check = RunProgram({validator, "validate", "--no-net", path});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  // Nothing but the success line: no errors, warnings or hints.
  EXPECT_EQ(check.out.find("E:"), std::string::npos) << check.out;
  EXPECT_EQ(check.out.find("W:"), std::string::npos) << check.out;
  EXPECT_EQ(check.out.find("I:"), std::string::npos) << check.out;
}

}  // namespace
}  // namespace orvel
