#ifndef KIVO_TESTS_SUPPORT_TABLES_H_
#define KIVO_TESTS_SUPPORT_TABLES_H_

#include "platform/program_dir.h"
#include "store/tables.h"

namespace kivo {

// The build's own code.dat, char.dat and sort.dat, read once through the
// loader the programs use, from the folder they use.
inline const Tables& ProgramTables() {
  static const Tables tables = LoadTables(TablesDirectory());
  return tables;
}

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_TABLES_H_
