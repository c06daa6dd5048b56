#ifndef KIVO_PLATFORM_INI_FILE_H_
#define KIVO_PLATFORM_INI_FILE_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/result.h"

namespace kivo {

// A settings file in INI form: "[Section]" headers, then "Key=Value" lines.
// Section and key names match without regard to case, as the settings files
// written by earlier versions expect. Every line that is not touched by a
// write (comments, other sections, unknown keys, blank lines) is kept as it
// was, in its place.
class IniFile {
 public:
  IniFile() = default;

  // Reads the file; false when it is missing or unreadable, which leaves the
  // contents empty so that every key takes its default.
  [[nodiscard]] bool Load(const std::filesystem::path& file);
  static IniFile Parse(std::string_view text);

  // The value of the key, blanks at both ends and one pair of enclosing
  // quotes removed; nullopt when the key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // A missing or empty value gives the fallback; otherwise the leading
  // decimal number of the value (an optional sign, then digits), 0 when the
  // value does not start with one.
  int ReadInt(std::string_view section, std::string_view key, int fallback) const;
  bool HasKey(std::string_view section, std::string_view key) const {
    return Find(section, key).has_value();
  }

  // Sets the key, replacing its line when present, otherwise adding it at the
  // end of the section (the section is added at the end when missing).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInt(std::string_view section, std::string_view key, int value);

  // The file's text, with the line ending the loaded file used ("\n" for new).
  std::string ToText() const;
  // Writes the text through a temporary file and a rename; the previous file
  // survives a failure, which carries the system error text. The bytes go
  // through `writer`.
  Status Save(const std::filesystem::path& file, FileWriter& writer = SystemFileWriter()) const;

 private:
  struct Line {
    std::string text;     // as read, without its line ending
    std::string section;  // section the line belongs to ("" before the first)
    bool is_header = false;
    std::string key;  // empty when the line holds no key
  };

  // Index of the key's line, or -1.
  int FindLine(std::string_view section, std::string_view key) const;

  std::vector<Line> lines_;
  std::string newline_ = "\n";
};

}  // namespace kivo

#endif  // KIVO_PLATFORM_INI_FILE_H_
