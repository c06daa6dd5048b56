#include "dav/netrc.h"

#include <strings.h>

namespace kivo {

namespace {

class Words {
 public:
  explicit Words(std::string_view text) : text_(text) {}

  // The next word, or nothing at the end.
  std::optional<std::string> Next() {
    SkipSpace();
    if (pos_ >= text_.size()) return std::nullopt;
    std::string word;
    if (text_[pos_] == '"') {
      for (++pos_; pos_ < text_.size() && text_[pos_] != '"'; ++pos_) {
        if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) ++pos_;
        word += text_[pos_];
      }
      ++pos_;  // the closing quote
      return word;
    }
    while (pos_ < text_.size() && !IsSpace(text_[pos_])) word += text_[pos_++];
    return word;
  }

  // Skips a macro body: everything up to the next empty line.
  void SkipMacro() {
    const size_t end = text_.find("\n\n", pos_);
    pos_ = end == std::string_view::npos ? text_.size() : end + 2;
  }

 private:
  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<NetrcEntry> ParseNetrc(std::string_view text) {
  std::vector<NetrcEntry> entries;
  Words words(text);
  NetrcEntry* entry = nullptr;
  while (std::optional<std::string> word = words.Next()) {
    if (*word == "machine") {
      entries.push_back({words.Next().value_or(""), "", ""});
      entry = &entries.back();
    } else if (*word == "default") {
      entries.push_back({});
      entry = &entries.back();
    } else if (*word == "macdef") {
      (void)words.Next();  // the macro's name; its body is not ours
      words.SkipMacro();
      entry = nullptr;
    } else if (*word == "login" || *word == "password" || *word == "account") {
      std::string value = words.Next().value_or("");
      if (entry == nullptr) continue;
      if (*word == "login") entry->login = std::move(value);
      if (*word == "password") entry->password = std::move(value);
    }
  }
  return entries;
}

std::optional<NetrcEntry> FindNetrcEntry(const std::vector<NetrcEntry>& entries,
                                         std::string_view host, std::string_view login) {
  const auto fits = [&](const NetrcEntry& entry) { return login.empty() || entry.login == login; };
  for (const NetrcEntry& entry : entries) {
    if (!entry.machine.empty() && entry.machine.size() == host.size() &&
        strncasecmp(entry.machine.data(), host.data(), host.size()) == 0 && fits(entry)) {
      return entry;
    }
  }
  for (const NetrcEntry& entry : entries) {
    if (entry.machine.empty() && fits(entry)) return entry;
  }
  return std::nullopt;
}

}  // namespace kivo
