#ifndef KIVO_TESTS_UI_SAMPLE_DATA_H_
#define KIVO_TESTS_UI_SAMPLE_DATA_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "store/appli_store.h"

namespace kivo::test {

// The rows of a CSV file in the export format: quoted fields with doubled
// quotes, CR LF lines, the header row dropped.
std::vector<std::vector<std::string>> ReadCsvRows(const std::filesystem::path& file);

// Fills a store (which must have its slot area) with the sample records of
// data/sample (UTF-8): every application and the expense category names. The CSV
// columns are the list columns, so each row goes through the list's own
// row-to-record conversion in the mm/dd/yyyy, 12-hour modes.
void FillSampleStore(AppliStore& store, const std::filesystem::path& sample_dir);

// One record of the application with every field a user would fill in: the
// edit dialogs' pictures show them, and their tests start from them.
[[nodiscard]] std::vector<uint8_t> ExampleRecord(AppliId id);

}  // namespace kivo::test

#endif  // KIVO_TESTS_UI_SAMPLE_DATA_H_
