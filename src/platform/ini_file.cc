#include "platform/ini_file.h"

#include <cctype>
#include <climits>

#include "platform/atomic_file.h"

namespace kivo {

namespace {

std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  size_t end = text.size();
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return text.substr(begin, end - begin);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  // A byte-order mark left by an editor would hide the first section header.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.find("\r\n") != std::string_view::npos) ini.newline_ = "\r\n";
  std::string section;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view raw = text.substr(pos, end == std::string_view::npos ? text.npos : end - pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line line;
    line.text = std::string(raw);
    std::string_view trimmed = Trim(raw);
    if (!trimmed.empty() && trimmed.front() == '[') {
      size_t close = trimmed.find(']');
      if (close != std::string_view::npos) {
        section = std::string(Trim(trimmed.substr(1, close - 1)));
        line.is_header = true;
      }
    } else if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') {
      size_t eq = trimmed.find('=');
      if (eq != std::string_view::npos) line.key = std::string(Trim(trimmed.substr(0, eq)));
    }
    line.section = section;
    ini.lines_.push_back(std::move(line));
  }
  return ini;
}

bool IniFile::Load(const std::filesystem::path& file) {
  std::optional<std::string> text = ReadWholeFile(file);
  if (!text) {
    *this = IniFile();
    return false;
  }
  *this = Parse(*text);
  return true;
}

int IniFile::FindLine(std::string_view section, std::string_view key) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (!line.is_header && !line.key.empty() && EqualNoCase(line.section, section) &&
        EqualNoCase(line.key, key)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  int index = FindLine(section, key);
  if (index < 0) return std::nullopt;
  std::string_view text = lines_[index].text;
  std::string_view value = Trim(text.substr(text.find('=') + 1));
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                            (value.front() == '\'' && value.back() == '\''))) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  std::optional<std::string> value = Find(section, key);
  return value ? *value : std::string(fallback);
}

int IniFile::ReadInt(std::string_view section, std::string_view key, int fallback) const {
  std::optional<std::string> value = Find(section, key);
  if (!value || value->empty()) return fallback;
  size_t i = 0;
  bool negative = false;
  if ((*value)[i] == '-' || (*value)[i] == '+') negative = (*value)[i++] == '-';
  long long number = 0;
  while (i < value->size() && std::isdigit(static_cast<unsigned char>((*value)[i]))) {
    number = number * 10 + ((*value)[i++] - '0');
    if (number > INT_MAX) number = INT_MAX;  // saturate rather than wrap
  }
  return static_cast<int>(negative ? -number : number);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Line line;
  line.text = std::string(key) + "=" + std::string(value);
  line.key = std::string(key);
  int index = FindLine(section, key);
  if (index >= 0) {
    line.section = lines_[index].section;
    lines_[index] = std::move(line);
    return;
  }
  // After the last key line of the section, so that blank lines that
  // separate it from the next section stay behind the new key.
  int last = -1;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!EqualNoCase(lines_[i].section, section)) continue;
    if (lines_[i].is_header || !lines_[i].key.empty()) last = static_cast<int>(i);
  }
  line.section = std::string(section);
  if (last >= 0) {
    lines_.insert(lines_.begin() + last + 1, std::move(line));
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) {
    lines_.push_back(Line{"", lines_.back().section, false, ""});
  }
  std::string header("[");
  header.append(section).append("]");
  lines_.push_back(Line{std::move(header), std::string(section), true, ""});
  lines_.push_back(std::move(line));
}

void IniFile::WriteInt(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

std::string IniFile::ToText() const {
  std::string text;
  for (const Line& line : lines_) {
    text += line.text;
    text += newline_;
  }
  return text;
}

Status IniFile::Save(const std::filesystem::path& file, FileWriter& writer) const {
  std::string text = ToText();
  return WriteFileAtomically(
      file, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), writer);
}

}  // namespace kivo
