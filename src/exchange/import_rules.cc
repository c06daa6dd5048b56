#include "exchange/import_rules.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <unordered_map>

#include "csv/cp1252.h"
#include "csv/csv_reader.h"
#include "format/date_format.h"
#include "store/record_codec.h"

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

void Reject(ImportBatch* batch, std::string_view one, std::string_view many) {
  ++batch->rejected;
  for (RejectReason& reason : batch->reasons) {
    if (reason.one == one) {
      ++reason.count;
      return;
    }
  }
  batch->reasons.push_back({std::string(one), std::string(many), 1});
}

int CountPresent(const AppliStore& store, const ImportBatch& batch) {
  ImportBatch copy = batch;
  DropPresent(store, &copy);
  return copy.present - batch.present;
}

void DropPresent(const AppliStore& store, ImportBatch* batch) {
  // Records as strings: hashed, not compared byte by byte.
  std::unordered_map<std::string, int> held;
  for (int i = 0; i < std::max(store.GetRecordCount(batch->id), 0); ++i) {
    const std::span<const uint8_t> record = store.Record(batch->id, i);
    ++held[std::string(record.begin(), record.end())];
  }
  std::vector<std::vector<uint8_t>> kept;
  for (std::vector<uint8_t>& record : batch->records) {
    auto it = held.find(std::string(record.begin(), record.end()));
    if (it != held.end() && it->second > 0) {
      --it->second;
      ++batch->present;
    } else {
      kept.push_back(std::move(record));
    }
  }
  batch->records = std::move(kept);
}

namespace {

// Days since 1 January 1970 (proleptic Gregorian).
long DayNumber(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  return static_cast<long>(era) * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

// The date a record of a dated application stands for; nullopt for the
// others and for records that do not decode.
std::optional<DateValue> RecordDate(AppliId id, std::span<const uint8_t> bytes) {
  BcdDate date;
  if (id == kSchedule) {
    ScheduleRecord r;
    if (DecodeScheduleRecord(bytes, &r) != kStoreOk) return std::nullopt;
    date = r.date;
  } else if (id == kAnniversary) {
    AnniversaryRecord r;
    if (DecodeAnniversaryRecord(bytes, &r) != kStoreOk) return std::nullopt;
    date = r.date;
  } else if (id == kToDo) {
    ToDoRecord r;
    if (DecodeToDoRecord(bytes, &r) != kStoreOk) return std::nullopt;
    date = r.due_date;
  } else if (id == kExpense) {
    ExpenseRecord r;
    if (DecodeExpenseRecord(bytes, &r) != kStoreOk) return std::nullopt;
    date = r.date;
  } else {
    return std::nullopt;
  }
  return DateValue{date.year(), date.month(), date.day()};
}

// How far a date lies from today for the choice at the limit, smaller is
// nearer: upcoming days before past ones; an anniversary by its next return
// (29 February in a common year on the 28th).
long Distance(AppliId id, const DateValue& date, const DateValue& today) {
  const long now = DayNumber(today.year, today.month, today.day);
  if (id == kAnniversary) {
    for (int year : {today.year, today.year + 1}) {
      const int day = std::min(date.day, DaysInMonth(year, date.month));
      const long next = DayNumber(year, date.month, day);
      if (next >= now) return next - now;
    }
  }
  const long days = DayNumber(date.year, date.month, date.day) - now;
  return days >= 0 ? days : (1L << 30) - days;
}

}  // namespace

AppendResult AppendBatch(AppliStore& store, const ImportBatch& batch, const DateValue& today) {
  AppendResult result;
  const int held = std::max(store.GetRecordCount(batch.id), 0);
  const size_t room = static_cast<size_t>(std::max(kImportRecordLimit - held, 0));
  // Which records go in: all when they fit, else the nearest to today.
  std::vector<size_t> order(batch.records.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::vector<std::optional<DateValue>> dates(batch.records.size());
  if (order.size() > room) {
    for (size_t i = 0; i < dates.size(); ++i) dates[i] = RecordDate(batch.id, batch.records[i]);
    auto distance = [&](size_t i) {
      return dates[i] ? Distance(batch.id, *dates[i], today) : std::numeric_limits<long>::max();
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return distance(a) < distance(b); });
    result.over_limit = static_cast<int>(order.size() - room);
    order.resize(room);
    std::sort(order.begin(), order.end());
    // The first and last date kept; anniversaries in the year's course.
    auto key = [&](const DateValue& d) {
      return batch.id == kAnniversary ? Distance(batch.id, d, today)
                                      : DayNumber(d.year, d.month, d.day);
    };
    for (size_t i : order) {
      if (!dates[i]) continue;
      if (!result.kept_from || key(*dates[i]) < key(*result.kept_from)) result.kept_from = dates[i];
      if (!result.kept_to || key(*dates[i]) > key(*result.kept_to)) result.kept_to = dates[i];
    }
  }
  for (size_t i : order) {
    const int count = std::max(store.GetRecordCount(batch.id), 0);
    if (store.PutRecord(batch.id, count, batch.records[i]) == 0) {
      ++result.taken;
    } else {
      ++result.failed;
    }
  }
  return result;
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
            (batch.refused.size() == 1 ? " not allowed on the organizer and is left out: "
                                       : " not allowed on the organizer and are left out: ") +
            CharacterList(batch.refused) + ".";
  }
  if (!text.empty()) text += " Import anyway?";
  return text;
}

int LeftOutAtLimit(const ImportBatch& batch, const AppendResult& result) {
  return batch.over_limit + result.over_limit;
}

std::string ImportSummary(const ImportBatch& batch, const AppendResult& result, int display_date) {
  std::string text = ImportMessage(result.taken, result.taken + batch.rejected + result.failed);
  if (!batch.encoding.empty()) text += "\r\nThe file was read as " + batch.encoding + ".";
  auto line = [&](int n, std::string_view one, std::string_view many) {
    if (n > 0) text += "\r\n" + Counted(n, one, many);
  };
  if (!batch.reasons.empty()) {
    text += "\r\nRejected: ";
    for (size_t i = 0; i < batch.reasons.size(); ++i) {
      const RejectReason& r = batch.reasons[i];
      text += (i > 0 ? "; " : "") + Counted(r.count, r.one, r.many);
    }
    text += ".";
  } else {
    line(batch.rejected + result.failed, "entry of the file was not taken.",
         "entries of the file were not taken.");
  }
  for (const std::string& charset : batch.unknown_charsets) {
    text += "\r\nTexts in the character set " + charset +
            ", which this program cannot read, were left out.";
  }
  line(batch.cut_texts, "text was cut to fit its field.", "texts were cut to fit their fields.");
  for (const std::string& lost : batch.lost_numbers) {
    text += "\r\nNumbers that did not fit in Notes were left out: " + lost + ".";
  }
  line(batch.adjusted, "value was moved into the organizer's range.",
       "values were moved into the organizer's range.");
  line(batch.recurring, "recurring entry: only its first occurrence was taken.",
       "recurring entries: only their first occurrences were taken.");
  line(batch.cancelled, "cancelled entry was skipped.", "cancelled entries were skipped.");
  line(batch.superseded, "entry was given again later in the file: the last version was taken.",
       "entries were given again later in the file: the last versions were taken.");
  line(batch.skipped, "entry of a kind this application cannot hold was skipped.",
       "entries of a kind this application cannot hold were skipped.");
  line(batch.dates_not_held,
       "birthday or anniversary was not taken: import the file into Anniversary for it.",
       "birthdays and anniversaries were not taken: import the file into Anniversary for them.");
  line(batch.present, "record already present was skipped.",
       "records already present were skipped.");
  line(LeftOutAtLimit(batch, result), "record was left out: the application holds 920 records.",
       "records were left out: the application holds 920 records.");
  if (result.over_limit > 0 && result.kept_from && result.kept_to) {
    const bool with_year = batch.id != kAnniversary;
    text += "\r\nThe records kept are those nearest to today: " +
            FormatDate(*result.kept_from, display_date, with_year) + " to " +
            FormatDate(*result.kept_to, display_date, with_year) + ".";
  }
  return text;
}

}  // namespace kivo
