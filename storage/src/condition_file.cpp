#include "storage/condition_file.h"

#include "storage/field_table.h"
#include "storage/text_encoding.h"

#include "platform/file_ops.h"
#include "platform/file_system.h"
#include "platform/folder.h"
#include "platform/path.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::storage {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kNamePrefix = "// ";

// Decimal numbers are read the lenient way: leading white space, an optional
// sign, digits up to the first other character, no digits giving 0. Values
// beyond the int range stick at its ends.
int LenientDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT_MAX) + 1;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kLimit);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// Lines end at LF; a CR right before the LF belongs to the line end. A last
// line without LF still counts. The older program kept each line as a C
// string, so nothing after a NUL byte on a line was ever read. Values end there
// here too: a folder value that kept the NUL and what follows would be shown
// as one folder and handed to the file system as another.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t lf = text_.find('\n', pos_);
    if (lf == std::string_view::npos) {
      line = text_.substr(pos_);
      pos_ = text_.size();
    } else {
      line = text_.substr(pos_, lf - pos_);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      pos_ = lf + 1;
    }
    line = line.substr(0, line.find('\0'));
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string_view WithoutBom(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  return bytes;
}

// UTF-8 as it is; otherwise CP932 as Windows wrote it, decoded into
// `decoded`; bytes that are neither are kept as they are rather than losing the
// file's content. The text stays in place unless it is decoded.
std::string_view DecodeText(std::string_view bytes, std::string& decoded) {
  bytes = WithoutBom(bytes);
  if (IsValidUtf8(bytes)) return bytes;
  auto cp932 = Cp932ToUtf8(bytes);
  if (!cp932) return bytes;
  decoded = std::move(*cp932);
  return decoded;
}

// The file name without its folder and without its last four bytes (the dot
// and a three-letter extension).
std::string LegacyName(const std::string& path) {
  std::string_view name = platform::SplitPath(path).name;
  if (name.size() <= 4) return {};
  const bool wasUtf8 = IsValidUtf8(name);
  name.remove_suffix(4);
  // Do not leave half a character behind when the cut falls inside one.
  if (wasUtf8) {
    std::size_t end = name.size();
    std::size_t start = end;
    while (start > 0 && (static_cast<unsigned char>(name[start - 1]) & 0xC0) == 0x80) --start;
    if (start > 0 && !IsValidUtf8(name.substr(start - 1))) end = start - 1;
    name = name.substr(0, end);
  }
  return std::string(name);
}

std::string_view After(std::string_view line, std::size_t count) {
  return line.size() > count ? line.substr(count) : std::string_view{};
}

// Sets a field from the text of its line: strings as they are, numbers read
// the lenient way.
void SetFromLine(const Field& field, engine::ConditionFields& c, std::string_view value) {
  if (std::string* text = TextIn(field, c)) {
    text->assign(value);
  } else if (int* number = NumberIn(field, c)) {
    *number = LenientDecimal(value);
  }
}

// The legacy layout: the values of one condition, one per line in code order.
void ParseLegacy(LineReader& reader, const std::string& path, CConditionSet& set) {
  CCondition condition;
  condition.Name = LegacyName(path);
  for (const Field& field : kFileFields) {
    if (field.fileCode > kLegacyFieldCount) break;  // later fields never stood in this layout
    std::string_view line;
    if (!reader.Next(line)) line = {};  // a missing line counts as empty, so numbers become 0
    SetFromLine(field, condition, line);
  }
  set.Add(condition);
}

constexpr int kDiffTimeCode = 10;

void ParseCoded(LineReader& reader, CConditionSet& set) {
  CCondition building;
  bool started = false;
  std::string_view line;
  while (reader.Next(line)) {
    if (line.starts_with(kNamePrefix)) {
      if (started) set.Add(building);
      building = CCondition();
      building.Name = std::string(line.substr(kNamePrefix.size()));
      started = true;
      continue;
    }
    if (!started) continue;  // the version line and anything before the first name
    const int code = LenientDecimal(line.substr(0, std::min<std::size_t>(2, line.size())));
    // The tolerance's unit on a line of its own and unknown codes have no effect.
    if (code < 1 || code > static_cast<int>(kFileFields.size()) || code == kDiffTimeCode + 1) continue;
    SetFromLine(kFileFields[static_cast<std::size_t>(code - 1)], building, After(line, 2));
    if (code == kDiffTimeCode) {
      // The unit always follows the amount: the next line is its line,
      // whatever its first two bytes are.
      std::string_view next;
      SetFromLine(kFileFields[kDiffTimeCode], building, reader.Next(next) ? After(next, 2) : std::string_view{});
    }
  }
  set.Add(building);
}

// Closes the descriptor when the reading ends, whichever way it ends.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  ~FileDescriptor() { Reset(-1); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

LoadResult Failed(LoadError error, int errorNumber) {
  LoadResult result;
  result.error = error;
  result.errorNumber = errorNumber;
  return result;
}

// Opens the file and makes sure, on that very descriptor, that it is a regular
// file of at most the size limit. O_NONBLOCK keeps the open of a FIFO from
// waiting for a writer; O_NOCTTY keeps a terminal from becoming ours.
LoadResult OpenConditionFile(const std::string& path, FileDescriptor& file, std::size_t& size) {
  file.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.Get() < 0) return Failed(LoadError::CannotOpen, errno);
  struct stat st {};
  if (::fstat(file.Get(), &st) != 0) return Failed(LoadError::CannotOpen, errno);
  if (!S_ISREG(st.st_mode)) return Failed(LoadError::NotAFile, S_ISDIR(st.st_mode) ? EISDIR : 0);
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > kMaxConditionFileSize) {
    return Failed(LoadError::TooLarge, EFBIG);
  }
  size = static_cast<std::size_t>(st.st_size);
  return {};
}

// Reads the whole file into bytes. The file may grow while it is read, so the
// limit holds for what is read too.
LoadResult ReadConditionBytes(int fd, std::size_t size, std::string& bytes) {
  // One byte more than fstat said, so that the end of the file shows at once.
  bytes.resize(size + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (got > kMaxConditionFileSize) return Failed(LoadError::TooLarge, EFBIG);
      bytes.resize(std::min(got * 2, kMaxConditionFileSize + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed(LoadError::ReadFailed, errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return {};
}

bool HasLineBreak(const std::string& value) { return value.find_first_of("\r\n") != std::string::npos; }

SaveResult WriteFailed(std::error_code error) {
  SaveResult result;
  result.error = SaveError::WriteFailed;
  result.errorNumber = error.category() == std::system_category() ? error.value() : 0;
  result.detail = error.message();
  return result;
}

}  // namespace

LoadResult LoadConditionFile(const std::string& path, CConditionSet& set) {
  std::string bytes;
  {
    FileDescriptor file;
    std::size_t size = 0;
    if (LoadResult opened = OpenConditionFile(path, file, size); !opened) return opened;
    if (LoadResult read = ReadConditionBytes(file.Get(), size, bytes); !read) return read;
  }
  ParseConditionFile(bytes, path, set);
  return {};
}

void ParseConditionFile(std::string_view bytes, const std::string& path, CConditionSet& set) {
  std::string decoded;
  const std::string_view text = DecodeText(bytes, decoded);
  LineReader versionReader(text);
  std::string_view first;
  const int version = versionReader.Next(first) ? LenientDecimal(first) : 0;

  CConditionSet loaded;
  LineReader reader(text);
  if (version < kFirstCodedVersion) {
    ParseLegacy(reader, path, loaded);
  } else {
    ParseCoded(reader, loaded);
  }
  set = std::move(loaded);
}

void AppendVersionLine(std::string& out) {
  out += std::to_string(kConditionFileVersion);
  out += "\r\n";
}

void AppendConditionLines(std::string& out, const CCondition& c) {
  out += kNamePrefix;
  out += c.Name;
  out += "\r\n";
  for (const Field& field : kFileFields) {
    if (field.writtenWhenSet && *NumberIn(field, c) == 0) continue;
    if (field.fileCode < 10) out += '0';
    out += std::to_string(field.fileCode);
    if (const std::string* text = TextIn(field, c)) {
      out += *text;
    } else {
      out += std::to_string(*NumberIn(field, c));
    }
    out += "\r\n";
  }
}

std::string FormatConditionFile(const CConditionSet& set) {
  std::string out;
  AppendVersionLine(out);
  for (int i = 0; i < set.Count(); ++i) AppendConditionLines(out, set.Element(i));
  return out;
}

SaveResult SaveConditionFile(const std::string& path, const CConditionSet& set) {
  for (int i = 0; i < set.Count(); ++i) {
    const CCondition& c = set.Element(i);
    bool lineBreak = HasLineBreak(c.Name);
    for (const Field& field : kFileFields) {
      if (const std::string* text = TextIn(field, c)) lineBreak = lineBreak || HasLineBreak(*text);
    }
    if (lineBreak) {
      SaveResult result;
      result.error = SaveError::LineBreakInValue;
      result.detail = c.Name;
      return result;
    }
  }
  // The folder the user chose is followed as named; the file is written
  // beside the old one and replaces it only when complete.
  const platform::PathParts parts = platform::SplitPath(path);
  platform::Expected<platform::Folder> folder = platform::Folder::OpenRoot(std::string(parts.folder));
  if (!folder) return WriteFailed(folder.error());
  if (const std::error_code error = platform::WriteFileAt(*folder, parts.name, FormatConditionFile(set)))
    return WriteFailed(error);
  return {};
}

}  // namespace orvel::storage
