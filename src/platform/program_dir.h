#ifndef KIVO_PLATFORM_PROGRAM_DIR_H_
#define KIVO_PLATFORM_PROGRAM_DIR_H_

#include <filesystem>

namespace kivo {

// The directory of the running executable: it holds code.dat, char.dat and
// sort.dat and, in a build tree, the settings and working data files.
std::filesystem::path ProgramDirectory();

// The folder of the fixed tables (code.dat, char.dat, sort.dat): the program
// directory when they are there, else the installed data directory.
std::filesystem::path TablesDirectory();

// Where a fixed data file (a table, the sample data) is found: the program
// directory when it is there, else the installed data directory.
std::filesystem::path DataFilePath(const std::filesystem::path& name);

// The shipped sample records (a folder with categories.txt and one CSV file
// an application): DataFilePath("sample") when it exists (program directory
// or installed data directory), else data/sample of a source tree above the
// program directory (a build tree). Empty when there is none.
std::filesystem::path FindSampleDir();

}  // namespace kivo

#endif  // KIVO_PLATFORM_PROGRAM_DIR_H_
