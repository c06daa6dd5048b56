#ifndef KIVO_FUZZ_IMPORT_BATCH_CHECK_H_
#define KIVO_FUZZ_IMPORT_BATCH_CHECK_H_

// For the targets of the importers, which read what they wrote back and
// compare the batches. Header only: the other targets do not link the
// exchange layer.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/import_rules.h"

namespace kivo {

// Aborts on two batches that should agree; with KIVO_FUZZ_VERBOSE set,
// first shows where they differ and the text written in between.
[[noreturn]] inline void Differ(const ImportBatch& a, const ImportBatch& b,
                                const std::string& text) {
  if (std::getenv("KIVO_FUZZ_VERBOSE") != nullptr) {
    std::fprintf(stderr, "%zu/%d vs %zu/%d records/rejected; written:\n%s\n", a.records.size(),
                 a.rejected, b.records.size(), b.rejected, text.c_str());
    for (size_t i = 0; i < a.records.size() && i < b.records.size(); ++i) {
      if (a.records[i] == b.records[i]) continue;
      for (const auto* r : {&a.records[i], &b.records[i]}) {
        for (uint8_t byte : *r) std::fprintf(stderr, "%02x ", byte);
        std::fprintf(stderr, "\n");
      }
    }
  }
  std::abort();
}

}  // namespace kivo

#endif  // KIVO_FUZZ_IMPORT_BATCH_CHECK_H_
