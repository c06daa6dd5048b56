#ifndef KIVO_DESKTOP_FILE_NAMES_H_
#define KIVO_DESKTOP_FILE_NAMES_H_

#include <string>
#include <string_view>

namespace kivo {

inline constexpr std::string_view kBackupExtension = ".bkf";
inline constexpr std::string_view kCsvExtension = ".csv";

// A name typed into a save dialog, made ready to be written: trailing white
// space goes, and the extension (".bkf", ".csv") is appended unless the part
// from the last "." on already is the extension in any letter case.
[[nodiscard]] std::string WithExtension(std::string_view name, std::string_view extension);

// The name a backup file is proposed under: the date as "%Y%m%d" and ".bkf".
[[nodiscard]] std::string ProposedBackupName(int year, int month, int day);

// The folder of a chosen file, without a final separator; the BackupDir that
// every confirmed file dialog leaves behind.
[[nodiscard]] std::string FolderOf(std::string_view path);

}  // namespace kivo

#endif  // KIVO_DESKTOP_FILE_NAMES_H_
