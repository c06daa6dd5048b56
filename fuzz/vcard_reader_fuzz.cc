// Fuzz target for the vCard import: any file must read without reading out
// of bounds, every record taken (into Telephone, and its birthdays into
// Anniversary) must decode, and what the export writes of
// the records must read back to a fixed point (the writer and the reader
// agree on every escape, fold and field).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "exchange/vcard.h"
#include "fuzz_support.h"
#include "import_batch_check.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/record_codec.h"

namespace {

using kivo::AllowedTable;
using kivo::AppliStore;
using kivo::Differ;
using kivo::ImportBatch;

// The batch's records as the only records of a store, written as vCards and
// read back.
ImportBatch Again(const ImportBatch& batch, const AllowedTable& allowed) {
  AppliStore store(kivo::CodeTables::Identity());
  if (store.GetAppliBuf(kivo::kStoreSlots) != kivo::kStoreOk) std::abort();
  for (size_t i = 0; i < batch.records.size(); ++i) {
    if (store.PutRecord(kivo::kTelephone, static_cast<int>(i), batch.records[i]) != 0) {
      std::abort();
    }
  }
  std::string text;
  if (kivo::BuildVCards(store, &text) != static_cast<int>(batch.records.size())) std::abort();
  ImportBatch again = kivo::ReadVCards(text, allowed);
  if (again.records.size() != batch.records.size() || again.rejected != 0) {
    Differ(batch, again, text);
  }
  return again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AllowedTable allowed;
  allowed.fill(1);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ImportBatch first = kivo::ReadVCards(text, allowed);
  for (const std::vector<uint8_t>& bytes : first.records) {
    kivo::TelephoneRecord r;
    if (kivo::DecodeTelephoneRecord(bytes, &r) != kivo::kStoreOk) std::abort();
  }
  // The same cards read into Anniversary: every birthday taken decodes.
  for (const std::vector<uint8_t>& bytes :
       kivo::ReadVCardDates(text, allowed, kivo::DateValue{2026, 5, 28}).records) {
    kivo::AnniversaryRecord r;
    if (kivo::DecodeAnniversaryRecord(bytes, &r) != kivo::kStoreOk) std::abort();
  }
  const ImportBatch second = Again(first, allowed);
  const ImportBatch third = Again(second, allowed);
  if (third.records != second.records) Differ(second, third, "");
  return 0;
}
