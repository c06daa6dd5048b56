#include "exchange/content_lines.h"

#include <algorithm>
#include <cctype>

namespace kivo {

namespace {

constexpr size_t kFoldOctets = 75;

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

// Cuts at `separator` outside double quotes.
std::vector<std::string> SplitQuoted(std::string_view text, char separator) {
  std::vector<std::string> parts(1);
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == separator && !quoted) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

// Fills name, group, params and value from one unfolded line.
void ParseContent(std::string_view text, ContentLine* line) {
  bool quoted = false;
  size_t colon = std::string_view::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string_view::npos) return;
  std::vector<std::string> head = SplitQuoted(text.substr(0, colon), ';');
  std::string name = head[0];
  if (const size_t dot = name.rfind('.'); dot != std::string::npos) {
    line->group = name.substr(0, dot);
    name.erase(0, dot + 1);
  }
  line->name = Upper(name);
  for (size_t i = 1; i < head.size(); ++i) {
    const size_t eq = head[i].find('=');
    if (eq == std::string::npos) {
      line->params.push_back({"", head[i]});
    } else {
      line->params.push_back({Upper(head[i].substr(0, eq)), head[i].substr(eq + 1)});
    }
  }
  line->value = std::string(text.substr(colon + 1));
}

bool QuotedPrintable(std::string_view unfolded) {
  const std::string head = Upper(unfolded.substr(0, unfolded.find(':')));
  return head.find("QUOTED-PRINTABLE") != std::string::npos;
}

void AppendFolded(std::string_view line, const std::string& line_end, std::string* text) {
  size_t limit = kFoldOctets;
  while (line.size() > limit) {
    size_t cut = limit;
    while (cut > 1 && (static_cast<uint8_t>(line[cut]) & 0xC0) == 0x80) --cut;
    text->append(line.substr(0, cut));
    text->append(line_end).append(" ");
    line.remove_prefix(cut);
    limit = kFoldOctets - 1;  // the leading blank counts
  }
  text->append(line);
  text->append(line_end);
}

// TYPE=, or a bare type of vCard 2.1 ("TEL;HOME;VOICE:"); either may list
// several types, separated by commas. Quotes are no part of a type,
// wherever they stand.
bool IsTypeParam(const ContentParam& param) { return param.name.empty() || param.name == "TYPE"; }

std::vector<std::string> TypeWords(const ContentParam& param) {
  std::string words = param.value;
  std::erase(words, '"');
  return SplitQuoted(words, ',');
}

bool IsBegin(const ContentLine& line, std::string_view name) {
  return line.name == "BEGIN" && (name.empty() || SameWord(line.value, name));
}

}  // namespace

bool SameWord(std::string_view a, std::string_view b) { return Upper(a) == Upper(b); }

std::optional<std::string> ContentLine::Param(std::string_view wanted) const {
  for (const ContentParam& param : params) {
    if (param.name == wanted) return Unquote(param.value);
  }
  return std::nullopt;
}

bool ContentLine::HasType(std::string_view type) const {
  for (const ContentParam& param : params) {
    if (!IsTypeParam(param)) continue;
    for (const std::string& each : TypeWords(param)) {
      if (SameWord(each, type)) return true;
    }
  }
  return false;
}

void ContentLine::RemoveType(std::string_view type) {
  if (!HasType(type)) return;
  std::vector<ContentParam> kept;
  for (ContentParam& param : params) {
    if (IsTypeParam(param)) {
      const std::vector<std::string> words = TypeWords(param);
      std::vector<std::string> left;
      for (const std::string& each : words) {
        if (!SameWord(each, type)) left.push_back(each);
      }
      if (left.empty()) continue;
      if (left.size() < words.size()) {
        const std::string joined = JoinValue(left, ',');
        param.value = left.size() > 1 && param.value.front() == '"' ? "\"" + joined + "\"" : joined;
      }
    }
    kept.push_back(std::move(param));
  }
  params = std::move(kept);
  raw.clear();
}

void ContentLine::RemoveParam(std::string_view wanted) {
  const size_t before = params.size();
  std::erase_if(params, [&](const ContentParam& param) { return param.name == wanted; });
  if (params.size() != before) raw.clear();
}

void ContentLine::SetParam(std::string_view wanted, std::string value) {
  raw.clear();
  for (ContentParam& param : params) {
    if (param.name == wanted) {
      param.value = std::move(value);
      return;
    }
  }
  params.push_back({std::string(wanted), std::move(value)});
}

void ContentLine::SetValue(std::string text) {
  if (text == value && !raw.empty()) return;
  value = std::move(text);
  raw.clear();
}

ContentLine MakeLine(std::string name, std::string value, std::vector<ContentParam> params) {
  ContentLine line;
  line.name = std::move(name);
  line.value = std::move(value);
  line.params = std::move(params);
  return line;
}

ContentDoc ContentDoc::Parse(std::string_view text, ExchangeFormat format) {
  ContentDoc doc;
  const bool card = format == ExchangeFormat::kVCard;
  doc.cr_ends_lines_ = card;
  // Lines made here end as the first LF does, with its CR or without; in a
  // card without any LF, in a lone CR.
  if (const size_t lf = text.find('\n'); lf != std::string_view::npos) {
    if (lf == 0 || text[lf - 1] != '\r') doc.line_end_ = "\n";
  } else if (card && text.find('\r') != std::string_view::npos) {
    doc.line_end_ = "\r";
  }
  std::string unfolded;
  auto finish = [&] {
    if (doc.lines_.empty()) return;
    ContentLine& line = doc.lines_.back();
    if (line.name.empty() && line.params.empty()) ParseContent(unfolded, &line);
  };
  bool first = true;
  while (!text.empty()) {
    // The physical line, its end included, and its content without the end.
    size_t next = 0;
    size_t end = 0;
    if (card) {
      end = std::min(text.find_first_of("\r\n"), text.size());
      next = end + (text.substr(end, 2) == "\r\n" ? 2 : std::min<size_t>(1, text.size() - end));
    } else {
      next = std::min(text.find('\n'), text.size() - 1) + 1;
      end = next;
      while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
    }
    const std::string_view physical = text.substr(0, next);
    std::string_view content = text.substr(0, end);
    text.remove_prefix(next);
    if (card && first && content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
    first = false;
    const bool open = !doc.lines_.empty() && !doc.lines_.back().raw.empty() && !unfolded.empty();
    if (open && unfolded.back() == '=' && QuotedPrintable(unfolded)) {
      unfolded.pop_back();
      unfolded += content;
      doc.lines_.back().raw += physical;
      continue;
    }
    if (open && !content.empty() && (content[0] == ' ' || content[0] == '\t')) {
      unfolded += content.substr(1);
      doc.lines_.back().raw += physical;
      continue;
    }
    if (open && card && content.empty()) {
      doc.lines_.back().raw += physical;
      continue;
    }
    finish();
    ContentLine line;
    line.raw = std::string(physical);
    doc.lines_.push_back(std::move(line));
    unfolded = std::string(content);
  }
  finish();
  return doc;
}

std::string ContentDoc::Text() const {
  std::string text;
  for (const ContentLine& line : lines_) {
    if (!line.raw.empty()) {
      text += line.raw;
      // A last line without its end gets one when a line follows it.
      const bool ended = line.raw.back() == '\n' || (cr_ends_lines_ && line.raw.back() == '\r');
      if (&line != &lines_.back() && !ended) text += line_end_;
      continue;
    }
    std::string content = line.group.empty() ? line.name : line.group + "." + line.name;
    for (const ContentParam& param : line.params) {
      content += ";" + (param.name.empty() ? param.value : param.name + "=" + param.value);
    }
    content += ":" + line.value;
    AppendFolded(content, line_end_, &text);
  }
  return text;
}

std::vector<ContentBlock> ContentDoc::Blocks(std::string_view name,
                                             std::optional<ContentBlock> outer) const {
  const size_t from = outer ? outer->begin + 1 : 0;
  const size_t to = outer ? outer->end : lines_.size();
  std::vector<ContentBlock> blocks;
  int depth = 0;
  size_t start = 0;
  bool wanted = false;
  for (size_t i = from; i < to; ++i) {
    const ContentLine& line = lines_[i];
    if (IsBegin(line, "")) {
      if (depth++ == 0) {
        start = i;
        wanted = SameWord(line.value, name);
      }
    } else if (line.name == "END" && depth > 0) {
      if (--depth == 0 && wanted && SameWord(line.value, name)) blocks.push_back({start, i});
    }
  }
  return blocks;
}

std::vector<size_t> ContentDoc::Properties(const ContentBlock& block, std::string_view name) const {
  std::vector<size_t> found;
  int depth = 0;
  for (size_t i = block.begin + 1; i < block.end; ++i) {
    const ContentLine& line = lines_[i];
    if (IsBegin(line, "")) {
      ++depth;
    } else if (line.name == "END" && depth > 0) {
      --depth;
    } else if (depth == 0 && line.name == name) {
      found.push_back(i);
    }
  }
  return found;
}

std::optional<size_t> ContentDoc::First(const ContentBlock& block, std::string_view name) const {
  const std::vector<size_t> found = Properties(block, name);
  if (found.empty()) return std::nullopt;
  return found.front();
}

void ContentDoc::Insert(size_t at, ContentLine line) {
  lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(std::min(at, lines_.size())),
                std::move(line));
}

void ContentDoc::Erase(size_t at, size_t count) {
  const auto first = lines_.begin() + static_cast<ptrdiff_t>(at);
  lines_.erase(first, first + static_cast<ptrdiff_t>(count));
}

}  // namespace kivo
