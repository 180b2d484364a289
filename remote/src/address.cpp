#include "remote/address.h"

#include <charconv>

namespace orvel::remote {

namespace {

constexpr std::string_view kUrlScheme = "ssh://";

bool IsAsciiAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(c | 0x20);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Host names as DNS and ~/.ssh/config aliases write them. Anything else (a
// blank, a quote, '%', a leading '-') could change what ssh does with it.
bool ValidHostName(std::string_view host) {
  if (host.empty() || host.front() == '-' || host.front() == '.') return false;
  for (char c : host)
    if (!IsAsciiAlnum(c) && c != '.' && c != '-' && c != '_') return false;
  return true;
}

// An IPv6 address with an optional zone ("fe80::1%eth0").
bool ValidIpv6(std::string_view host) {
  const std::size_t zone = host.find('%');
  const std::string_view address = host.substr(0, zone);
  if (address.size() < 2 || address.find(':') == std::string_view::npos) return false;
  for (char c : address)
    if (HexValue(c) < 0 && c != ':' && c != '.') return false;
  if (zone == std::string_view::npos) return true;
  const std::string_view name = host.substr(zone + 1);
  if (name.empty()) return false;
  for (char c : name)
    if (!IsAsciiAlnum(c) && c != '.' && c != '-' && c != '_') return false;
  return true;
}

bool ValidUser(std::string_view user) {
  if (user.empty() || user.front() == '-') return false;
  for (const char ch : user) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c == 0x7f || c == ':' || c == '/' || c == '\'' || c == '"' || c == '\\')
      return false;
  }
  return true;
}

using engine::TextId;

// Why a text is no address: a key of the texts and the part it names.
struct Problem {
  TextId id = TextId::Count;
  std::string part;
  explicit operator bool() const { return id != TextId::Count; }
};

ParsedFolder Invalid(const Problem& problem) {
  ParsedFolder result;
  result.kind = ParsedFolder::Kind::Invalid;
  result.error.id = problem.id;
  if (!problem.part.empty()) result.error.args = {problem.part};
  return result;
}

bool PercentDecode(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

// "[user@]host" or "[user@][v6]" into the address; why, when it is not one.
Problem ParseUserHost(std::string_view text, bool decodeUser, Address& address) {
  const std::size_t at = text.rfind('@');
  if (at != std::string_view::npos) {
    std::string user;
    if (decodeUser) {
      if (!PercentDecode(text.substr(0, at), user)) return {TextId::AddressUserEscape, {}};
    } else {
      user.assign(text.substr(0, at));
    }
    if (!ValidUser(user)) return {TextId::AddressUser, user};
    address.user = std::move(user);
    text.remove_prefix(at + 1);
  }
  if (!text.empty() && text.front() == '[') {
    if (text.back() != ']') return {TextId::AddressBracket, {}};
    const std::string_view host = text.substr(1, text.size() - 2);
    if (!ValidIpv6(host)) return {TextId::AddressIpv6, std::string(host)};
    address.host.assign(host);
    return {};
  }
  if (!ValidHostName(text))
    return text.empty() ? Problem{TextId::AddressNoHost, {}} : Problem{TextId::AddressHost, std::string(text)};
  address.host.assign(text);
  return {};
}

ParsedFolder ParseUrl(std::string_view rest) {
  ParsedFolder result;
  result.kind = ParsedFolder::Kind::Remote;
  const std::size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  const std::string_view path = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
  // The port follows the last colon that is not inside the brackets.
  const std::size_t bracket = authority.rfind(']');
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    const std::string_view digits = authority.substr(colon + 1);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value == 0 || value > 65535)
      return Invalid({TextId::AddressPort, std::string(digits)});
    result.address.port = static_cast<std::uint16_t>(value);
    authority = authority.substr(0, colon);
  }
  if (const Problem problem = ParseUserHost(authority, true, result.address)) return Invalid(problem);
  if (!PercentDecode(path, result.address.path)) return Invalid({TextId::AddressPathEscape, {}});
  if (result.address.path.find('\0') != std::string::npos) return Invalid({TextId::FaultNulInPath, {}});
  return result;
}

}  // namespace

ParsedFolder ParseFolder(std::string_view text) {
  if (text.substr(0, kUrlScheme.size()) == kUrlScheme) return ParseUrl(text.substr(kUrlScheme.size()));
  if (text.empty() || text.front() == '/' || text.front() == '.') return {};
  // The first colon outside brackets decides, unless a slash comes first.
  bool inBrackets = false;
  std::size_t colon = std::string_view::npos;
  for (std::size_t i = 0; i < text.size() && colon == std::string_view::npos; ++i) {
    const char c = text[i];
    if (c == '/' && !inBrackets) return {};
    if (c == '[') inBrackets = true;
    if (c == ']') inBrackets = false;
    if (c == ':' && !inBrackets) colon = i;
  }
  if (colon == std::string_view::npos) return {};
  ParsedFolder result;
  result.kind = ParsedFolder::Kind::Remote;
  if (const Problem problem = ParseUserHost(text.substr(0, colon), false, result.address)) return Invalid(problem);
  result.address.path.assign(text.substr(colon + 1));
  if (result.address.path.find('\0') != std::string::npos) return Invalid({TextId::FaultNulInPath, {}});
  return result;
}

std::string Address::Display() const {
  const bool v6 = host.find(':') != std::string::npos;
  const std::string hostText = v6 ? "[" + host + "]" : host;
  const std::string userText = user.empty() ? std::string() : user + "@";
  if (port == 0) return userText + hostText + ":" + path;
  std::string text = "ssh://" + userText + hostText + ":" + std::to_string(port);
  if (!path.empty() && path.front() != '/') text.push_back('/');
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c >= 0x7f || c == '%') {
      text.push_back('%');
      text.push_back(kHex[c >> 4]);
      text.push_back(kHex[c & 15]);
    } else {
      text.push_back(static_cast<char>(c));
    }
  }
  return text;
}

}  // namespace orvel::remote
