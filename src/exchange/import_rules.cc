#include "exchange/import_rules.h"

#include <algorithm>

#include "csv/cp1252.h"
#include "csv/csv_reader.h"

namespace kivo {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The length of the sequence a lead byte opens and the smallest code point
// that may use it; 0 for a byte that cannot lead.
int SequenceLength(uint8_t lead, char32_t* minimum, char32_t* bits) {
  if (lead < 0x80) {
    *minimum = 0;
    *bits = lead;
    return 1;
  }
  if ((lead & 0xE0) == 0xC0) {
    *minimum = 0x80;
    *bits = lead & 0x1F;
    return 2;
  }
  if ((lead & 0xF0) == 0xE0) {
    *minimum = 0x800;
    *bits = lead & 0x0F;
    return 3;
  }
  if ((lead & 0xF8) == 0xF0) {
    *minimum = 0x10000;
    *bits = lead & 0x07;
    return 4;
  }
  return 0;
}

// One code point from the front of text; *used receives its byte count.
// Malformed input gives U+FFFD for one byte.
char32_t NextCodePoint(std::string_view text, size_t* used) {
  char32_t minimum = 0;
  char32_t c = 0;
  const int length = SequenceLength(static_cast<uint8_t>(text[0]), &minimum, &c);
  *used = 1;
  if (length == 0 || static_cast<size_t>(length) > text.size()) return kReplacement;
  for (int i = 1; i < length; ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if ((byte & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (byte & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  *used = static_cast<size_t>(length);
  return c;
}

}  // namespace

std::vector<char32_t> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> out;
  while (!text.empty()) {
    size_t used = 0;
    out.push_back(NextCodePoint(text, &used));
    text.remove_prefix(used);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    size_t used = 0;
    if (NextCodePoint(text, &used) == kReplacement && text.substr(0, 3) != "\xEF\xBF\xBD") {
      return false;
    }
    text.remove_prefix(used);
  }
  return true;
}

std::string EncodeUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

void TextTaker::Note(std::vector<char32_t>* list, char32_t c) {
  if (std::find(list->begin(), list->end(), c) == list->end()) list->push_back(c);
}

std::string TextTaker::FromUtf8(std::string_view text, size_t capacity) {
  std::string out;
  const std::vector<char32_t> chars = DecodeUtf8(text);
  for (size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i];
    const std::optional<uint8_t> byte = UnicodeToCp1252(c);
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < chars.size() && chars[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (c == 0) {
      continue;
    } else if ((c < 0x20 && c != '\t') || c == 0x7F) {
      out += ' ';
    } else if (!byte) {
      Note(&batch_->unmappable, c);
      out += '?';
    } else if (!IsAllowed(*byte, allowed_)) {
      Note(&batch_->refused, c);
    } else {
      out += static_cast<char>(*byte == 0xFF ? ' ' : *byte);
    }
  }
  if (out.size() > capacity) {
    // A line break is never cut in two.
    const bool split = out[capacity - 1] == '\r' && out[capacity] == '\n';
    out.resize(split ? capacity - 1 : capacity);
    ++batch_->cut_texts;
  }
  return out;
}

void TextTaker::Scan(std::string_view utf8) {
  for (char32_t c : DecodeUtf8(utf8)) {
    const std::optional<uint8_t> byte = UnicodeToCp1252(c);
    if (!byte) {
      Note(&batch_->unmappable, c);
    } else if (!IsAllowed(*byte, allowed_) && *byte >= 0x20) {
      Note(&batch_->refused, c);
    }
  }
}

void TextTaker::ScanCp1252(std::string_view text) {
  for (char ch : text) {
    const auto byte = static_cast<uint8_t>(ch);
    if (byte < 0x20 || IsAllowed(byte, allowed_)) continue;
    Note(&batch_->refused, Cp1252ToUnicode(byte).value_or(kReplacement));
  }
}

int AppendBatch(AppliStore& store, const ImportBatch& batch, int* over_limit, int* failed) {
  int taken = 0;
  *over_limit = 0;
  *failed = 0;
  for (const std::vector<uint8_t>& record : batch.records) {
    const int count = std::max(store.GetRecordCount(batch.id), 0);
    if (count >= kImportRecordLimit) {
      ++*over_limit;
      continue;
    }
    if (store.PutRecord(batch.id, count, record) == 0) {
      ++taken;
    } else {
      ++*failed;
    }
  }
  return taken;
}

namespace {

std::string CharacterList(const std::vector<char32_t>& chars) {
  std::string list;
  for (char32_t c : chars) {
    if (!list.empty()) list += ' ';
    list += EncodeUtf8(c);
  }
  return list;
}

std::string Counted(int n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace

std::string UnmappableQuestion(const ImportBatch& batch) {
  std::string text;
  if (!batch.unmappable.empty()) {
    text += Counted(static_cast<int>(batch.unmappable.size()), "character cannot",
                    "characters cannot") +
            " be stored on the organizer and become '?': " + CharacterList(batch.unmappable) + ".";
  }
  if (!batch.refused.empty()) {
    if (!text.empty()) text += ' ';
    text += Counted(static_cast<int>(batch.refused.size()), "character is", "characters are") +
            " not allowed on the organizer and are left out: " + CharacterList(batch.refused) + ".";
  }
  if (!text.empty()) text += " Import anyway?";
  return text;
}

std::string ImportSummary(const ImportBatch& batch, int taken, int over_limit, int failed) {
  std::string text = ImportMessage(taken, taken + batch.rejected + failed);
  if (!batch.encoding.empty()) text += "\r\nThe file was read as " + batch.encoding + ".";
  auto line = [&](int n, std::string_view one, std::string_view many) {
    if (n > 0) text += "\r\n" + Counted(n, one, many);
  };
  line(batch.cut_texts, "text was cut to fit its field.", "texts were cut to fit their fields.");
  line(batch.adjusted, "value was moved into the organizer's range.",
       "values were moved into the organizer's range.");
  line(batch.recurring, "recurring entry: only its first occurrence was taken.",
       "recurring entries: only their first occurrences were taken.");
  line(batch.skipped, "entry of a kind this application cannot hold was skipped.",
       "entries of a kind this application cannot hold were skipped.");
  line(over_limit, "record was left out: the application holds 920 records.",
       "records were left out: the application holds 920 records.");
  return text;
}

}  // namespace kivo
