// Fuzz target for the readers of the sync state: the first byte picks the
// file (0 journal, 1 identity maps, 2 steps, 3 base) and, with bit 2 set, has
// the target append the hash trailer itself, so the fuzzer gets past it and
// into the structure. Anything a reader takes must write and read back the
// same; anything else must be refused with a reason, never read past its
// bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/result.h"
#include "sync/byte_coding.h"
#include "sync/identity_map.h"
#include "sync/record_set_store.h"
#include "sync/sync_journal.h"

namespace {

using namespace kivo;

template <typename T, typename Decode, typename Encode>
void RoundTrip(std::span<const uint8_t> image, Decode decode, Encode encode) {
  const Result<T> value = decode(image);
  if (!value) {
    if (value.error().empty()) std::abort();
    return;
  }
  const Result<T> again = decode(encode(*value));
  if (!again || !(*again == *value)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t which = input.Byte();
  std::vector<uint8_t> image;
  const std::span<const uint8_t> rest = input.Rest();
  if ((which & 4) != 0) {
    ByteWriter sealed;
    sealed.Raw(rest);
    image = sealed.Finish();
  } else {
    image.assign(rest.begin(), rest.end());
  }
  switch (which & 3) {
    case 0:
      RoundTrip<SyncJournal>(image, DecodeJournal, EncodeJournal);
      break;
    case 1:
      RoundTrip<SideIdentities>(image, DecodeIdentities, EncodeIdentities);
      break;
    case 2: {
      const std::string text(image.begin(), image.end());
      if (const Result<SyncSteps> steps = DecodeSteps(text)) {
        const Result<SyncSteps> again = DecodeSteps(EncodeSteps(*steps));
        if (!again || *again != *steps) std::abort();
      } else if (steps.error().empty()) {
        std::abort();
      }
      break;
    }
    default: {
      // Texts are converted on the way out, so the first image written is
      // the fixed point.
      const CodeTables& tables = FuzzCodeTables();
      const Result<RecordSet> base = DecodeBase(image, tables);
      if (!base) {
        if (base.error().empty()) std::abort();
        break;
      }
      const auto first = EncodeBase(*base, tables, {2, 0});
      if (!first) std::abort();
      const Result<RecordSet> again = DecodeBase(*first, tables);
      if (!again || EncodeBase(*again, tables, {2, 0}) != first) std::abort();
      break;
    }
  }
  return 0;
}
