#include "config/ini_store.h"

#include <cctype>

namespace qelmar {

namespace {

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool IsHeader(const std::string& line) {
  const std::string t = Trimmed(line);
  return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

}  // namespace

IniFile::IniFile(const std::string& text) {
  std::string line;
  for (const char c : text) {
    if (c == '\n') {
      lines_.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines_.push_back(line);
}

std::optional<std::size_t> IniFile::FindSection(const std::string& section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string t = Trimmed(lines_[i]);
    if (IsHeader(t) && SameName(Trimmed(t.substr(1, t.size() - 2)), section)) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> IniFile::FindKey(std::size_t sectionLine, const std::string& key) const {
  for (std::size_t i = sectionLine + 1; i < lines_.size() && !IsHeader(lines_[i]); ++i) {
    const auto equals = lines_[i].find('=');
    if (equals != std::string::npos && SameName(Trimmed(lines_[i].substr(0, equals)), key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
  const auto header = FindSection(section);
  if (!header) return std::nullopt;
  const auto line = FindKey(*header, key);
  if (!line) return std::nullopt;
  return Trimmed(lines_[*line].substr(lines_[*line].find('=') + 1));
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  auto header = FindSection(section);
  if (!header) {
    lines_.push_back("[" + section + "]");
    header = lines_.size() - 1;
  }
  if (const auto line = FindKey(*header, key)) {
    lines_[*line] = key + "=" + value;
    return;
  }
  std::size_t end = *header + 1;
  while (end < lines_.size() && !IsHeader(lines_[end])) ++end;
  while (end > *header + 1 && Trimmed(lines_[end - 1]).empty()) --end;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(end), key + "=" + value);
}

std::string IniFile::Text() const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  return text;
}

}  // namespace qelmar
