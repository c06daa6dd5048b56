#include "view_options.h"

#include <charconv>
#include <ostream>

#include "store/appli_id.h"

namespace kivo::cli {
namespace {

bool ParseNumber(std::string_view text, int low, int high, int* value) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  *value = v;
  return true;
}

// "schedule,todo" or "0,2": the applications with a tab.
std::optional<uint8_t> ParseAppliList(const std::string& text) {
  uint8_t mask = 0;
  size_t begin = 0;
  while (begin <= text.size()) {
    const size_t comma = std::min(text.find(',', begin), text.size());
    const std::optional<AppliId> id =
        ParseAppliName(std::string_view(text).substr(begin, comma - begin));
    if (!id || *id >= kCategoryList) return std::nullopt;
    mask = static_cast<uint8_t>(mask | (1u << *id));
    begin = comma + 1;
  }
  return mask;
}

}  // namespace

bool ExtractViewOptions(const std::vector<std::string>& args, ViewOptions* options,
                        std::vector<std::string>* rest, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      rest->insert(rest->end(), args.begin() + static_cast<long>(i), args.end());
      return true;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (name != "--apps" && name != "--pdf" && name != "--month") {
      rest->push_back(arg);
      continue;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        *error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    if (name == "--apps") {
      options->apps = ParseAppliList(*value);
      if (!options->apps) {
        *error =
            "option --apps takes applications separated by commas (schedule, anniversary, "
            "todo, memo, expense, telephone or 0..5), not '" +
            *value + "'";
        return false;
      }
    } else if (name == "--pdf") {
      if (value->empty()) {
        *error = "option --pdf takes a file name";
        return false;
      }
      options->pdf = *value;
    } else {
      int year = 0;
      int month = 0;
      if (value->size() != 7 || (*value)[4] != '-' ||
          !ParseNumber(std::string_view(*value).substr(0, 4), 1950, 2150, &year) ||
          !ParseNumber(std::string_view(*value).substr(5), 1, 12, &month)) {
        *error = "option --month takes YYYY-MM (1950-01 to 2150-12), not '" + *value + "'";
        return false;
      }
      options->year = year;
      options->month = month;
    }
  }
  return true;
}

void PrintViewOptionsHelp(std::ostream& out) {
  out << "\nOptions of find and print:\n"
      << "  --apps LIST            applications, separated by commas (default: all;\n"
      << "                         print --month: schedule, anniversary and todo; sync:\n"
      << "                         the applications taking part)\n"
      << "  --pdf OUT.pdf          print: the PDF file to write\n"
      << "  --month YYYY-MM        print: the calendar's month instead of the lists\n";
}

}  // namespace kivo::cli
