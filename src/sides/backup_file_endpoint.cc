#include "sides/backup_file_endpoint.h"

#include <cerrno>
#include <system_error>

#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/backup_file.h"
#include "sync/record_set_store.h"

namespace kivo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMissing = "missing";

std::string Fingerprint(const std::string& bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  return std::to_string(bytes.size()) + ":" +
         std::to_string(HashBytes(std::span(data, bytes.size())));
}

}  // namespace

BackupFileEndpoint::BackupFileEndpoint(const fs::path& file, const CodeTables& tables,
                                       std::array<uint8_t, 2> device_code, bool scramble_new,
                                       std::string label, FileWriter& writer)
    : file_(file),
      tables_(tables),
      device_code_(device_code),
      scramble_new_(scramble_new),
      label_(std::move(label)),
      writer_(writer) {}

std::string BackupFileEndpoint::Identity() const {
  std::error_code ec;
  fs::path path = fs::weakly_canonical(fs::absolute(file_, ec), ec);
  if (ec) path = fs::absolute(file_, ec).lexically_normal();
  return "file " + path.string();
}

EndpointStatus BackupFileEndpoint::Load(AppliStore& store, std::string* fingerprint) const {
  const std::string name = file_.string() + ": ";
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) {
    return EndpointStatus::Failed(name + "out of memory", kStoreInvalid);
  }
  store.SetDeviceCode(device_code_[0], device_code_[1]);
  int error_number = 0;
  const std::optional<std::string> bytes = ReadWholeFile(file_, &error_number);
  if (!bytes) {
    if (error_number != ENOENT) {
      return EndpointStatus::Failed(name + SystemErrorText(error_number), kStoreLoadError);
    }
    *fingerprint = kMissing;
    store.set_magic(scramble_new_ ? kInvertedMagic : kPlainMagic);
    if (store.EnsureAppli(kAllAppliMask, false) != kStoreOk) {
      return EndpointStatus::Failed(name + "out of memory", kStoreInvalid);
    }
    return EndpointStatus::Ok();
  }
  *fingerprint = Fingerprint(*bytes);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
  const StoreStatus result = DecodeBackupFile(store, std::span(data, bytes->size()));
  if (!result.ok()) {
    return EndpointStatus::Refused(name + BackupReadFailure(result, device_code_), result.code);
  }
  return EndpointStatus::Ok();
}

EndpointStatus BackupFileEndpoint::Read(AppliMask apps, const EndpointMemory& /*memory*/,
                                        RecordSet* out) {
  AppliStore store(tables_);
  EndpointStatus status = Load(store, &read_fingerprint_);
  if (status.ok()) *out = RecordSetOf(store, apps);
  return status;
}

ApplyOutcome BackupFileEndpoint::Apply(const std::vector<AppliWrite>& writes,
                                       const EndpointMemory& /*memory*/, bool verify,
                                       const std::function<void(AppliId)>& confirmed) {
  ApplyOutcome outcome;
  AppliStore store(tables_);
  std::string fingerprint;
  outcome.status = Load(store, &fingerprint);
  if (!outcome.status.ok()) return outcome;
  if (fingerprint != read_fingerprint_) {
    outcome.status = EndpointStatus::Failed(
        file_.string() + ": changed by another program during the sync; nothing was written");
    return outcome;
  }
  AppliMask written = 0;
  for (const AppliWrite& write : writes) {
    if (ReplaceAppliRecords(store, write.id, write.target) != kStoreOk) {
      outcome.status = EndpointStatus::Failed(
          file_.string() + ": " + std::string(AppliName(write.id)) + " holds too many records",
          kStoreRefused);
      return outcome;
    }
    written |= AppliBit(write.id);
  }
  const bool scramble = store.magic() == kInvertedMagic;
  const StoreStatus result = WriteBackupFile(store, file_, scramble, writer_);
  if (!result.ok()) {
    const std::string& error_text = result.error_text;
    outcome.status = EndpointStatus::Failed(
        file_.string() + ": " + (error_text.empty() ? "cannot be written" : error_text),
        result.code);
    return outcome;
  }
  for (const AppliWrite& write : writes) confirmed(write.id);
  if (verify) {
    AppliStore again(tables_);
    outcome.status = Load(again, &read_fingerprint_);
    if (outcome.status.ok()) outcome.read_back = RecordSetOf(again, written);
  }
  return outcome;
}

}  // namespace kivo
