#ifndef KIVO_STORE_PRINT_CHOICES_H_
#define KIVO_STORE_PRINT_CHOICES_H_

#include <array>
#include <string>
#include <vector>

#include "platform/ini_file.h"

namespace kivo {

// What the owner chose for printing the lists ("Print" section): per
// application (by AppliID) the columns a printed table shows, by their titles
// ("ScheduleColumns=Date,Start Time,Description"; none: the columns the list
// shows), and whether Telephone prints as a phone list or a table
// ("TelephoneLayout=phone-list" or "table"). Shared by the desktop program and
// `kivo-link print`.
struct PrintChoices {
  std::array<std::vector<std::string>, 6> columns;
  bool phone_list = true;
};

// Reads the section; an unknown TelephoneLayout is the phone list.
[[nodiscard]] PrintChoices ReadPrintChoices(const IniFile& ini);
// Writes what was chosen; nothing when the file holds no choice and none was made.
void WritePrintChoices(const PrintChoices& choices, IniFile& ini);

}  // namespace kivo

#endif  // KIVO_STORE_PRINT_CHOICES_H_
