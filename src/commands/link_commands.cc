// LinkCommands: the setup of every run, the history, and the sessions that
// only receive (Backup, Compare, the sync's read); the auto detection's
// settings.

#include "commands/link_commands.h"

#include <algorithm>

#include "history/history.h"
#include "platform/link_defaults.h"
#include "store/backup_file.h"
#include "store/store_records.h"
#include "store/working_data.h"
#include "view/list_row.h"
#include "view/row_sort.h"

namespace kivo {

LinkCommands::LinkCommands(CommandSetup setup, CommandUser& user)
    : setup_(std::move(setup)), user_(user) {}

std::unique_ptr<AppliStore> LinkCommands::NewStore() const {
  auto store = std::make_unique<AppliStore>(*setup_.code_tables);
  // Seven slots are never refused on a fresh store.
  (void)store->GetAppliBuf(kStoreSlots);
  ApplyDeviceCodeSetting(*store, settings().device_code);
  return store;
}

LinkSettings LinkCommands::RunSettings(RunMode run_mode, int appli_mode, AppliStore* store,
                                       int tel_records_min) const {
  const AppSettings& s = settings();
  const RunOverrides& o = setup_.overrides;
  LinkSettings link;
  link.run_mode = run_mode;
  link.appli_mode = appli_mode;
  link.store = store;
  link.device_code = s.device_code;
  link.com_port = s.com_port;
  link.port_name = o.port_name.value_or(s.port_name);
  link.port_map = s.port_devices;
  link.port_factory = setup_.port_factory;
  link.log_file_name = o.log_file_name.value_or(s.log_file_name);
  link.echo_back = o.no_echo ? 0 : s.echo_back;
  link.file_scramble = s.file_scramble;
  link.to_command = o.to_command.value_or(s.to_command);
  link.to_data_packet = o.to_data_packet.value_or(s.to_data_packet);
  link.to_multiplier = o.to_multiplier.value_or(s.to_multiplier);
  link.sort_table = setup_.sort_table;
  link.code_tables = setup_.code_tables;
  link.tel_records_min = o.tel_records_min.value_or(tel_records_min);
  link.data_dir = setup_.data_dir;
  return link;
}

ResultCode LinkCommands::Run(RunMode run_mode, int appli_mode, AppliStore* store,
                             int tel_records_min) {
  return user_.RunTransfer(RunSettings(run_mode, appli_mode, store, tel_records_min), nullptr);
}

KeptCopy LinkCommands::KeepInHistory(AppliStore& store, std::string_view kind) {
  KeptCopy copy;
  const LocalDateTime now = setup_.now ? setup_.now() : SystemClock().LocalNow();
  Result<std::filesystem::path> added = AddGeneration(
      setup_.history_dir, store, kind, now, settings().history_keep, settings().file_scramble != 0);
  if (added) {
    copy.file = std::move(added).value();
  } else {
    copy.error_text = added.error();
  }
  return copy;
}

bool LinkCommands::SnapshotOn(bool wanted) const {
  return wanted && !setup_.no_snapshot && settings().snapshot != 0;
}

bool LinkCommands::VerifyOn() const { return setup_.verify || settings().verify != 0; }

BackupResult LinkCommands::Backup(AppliStore& into, const std::filesystem::path& file) {
  BackupResult result;
  result.code = Run(RunMode::kBackup, kAllAppli, &into, settings().backup_tel_records_min);
  if (result.code != kResultSuccess) return result;
  into.EnsureAllAppli();
  if (!file.empty()) {
    const StoreStatus saved = SaveBackupFile(into, file, settings().file_scramble != 0);
    if (!saved.ok()) {
      result.file_error = saved.error_text.empty() ? "cannot be written" : saved.error_text;
      return result;
    }
  }
  // A copy the history keeps; what was asked for is done either way.
  result.history = KeepInHistory(into, kKindBackup);
  if (!result.history.kept()) user_.TellHistoryNotWritten(result.history.error_text);
  return result;
}

ReceiveResult LinkCommands::Receive(uint8_t applis) {
  ReceiveResult result;
  auto organizer = NewStore();
  LinkSettings link = RunSettings(RunMode::kBackup, kAllAppli, organizer.get(), 0);
  // The organizer's records as they come, as a snapshot takes them: the
  // telephone checks have nothing to say to a comparison or a sync.
  link.tel_records_min = 0;
  link.applis = applis;
  result.code = user_.RunTransfer(link, nullptr);
  if (result.code == kResultSuccess) result.organizer = std::move(organizer);
  return result;
}

ReceiveResult LinkCommands::Compare(const AppliStore& pc, const std::filesystem::path& source) {
  ReceiveResult result = Receive(kEveryAppliMask);
  if (!result.organizer) return result;
  result.history = KeepInHistory(*result.organizer, kKindSnapshot);
  if (!result.history.kept()) user_.TellHistoryNotWritten(result.history.error_text);
  if (std::optional<std::vector<AppliId>> held = PartOfGeneration(source, pc)) {
    if (std::find(held->begin(), held->end(), kExpense) != held->end()) {
      held->push_back(kCategoryList);
    }
    result.diffs = DiffStores(*result.organizer, pc, std::span<const AppliId>(*held));
  } else {
    result.diffs = DiffStores(*result.organizer, pc);
  }
  return result;
}

std::unique_ptr<AppliStore> LinkCommands::InSendingOrder(const AppliStore& file,
                                                         uint8_t applis) const {
  auto store = NewStore();
  RowContext order;
  order.display_date = settings().display_date;
  order.display_hour = settings().display_hour;
  order.category_names = CategoryNamesOf(file);
  order.sort_table = setup_.sort_table;
  for (AppliId id = kSchedule; id <= kCategoryList; ++id) {
    if (!file.IsPresent(id) || ((applis >> id) & 1) == 0) continue;
    const std::vector<std::vector<uint8_t>> records = StoreRecords(file, id);
    const std::vector<int> ordering =
        id != kCategoryList ? DefaultOrder(id, records, order) : IdentityOrder(records.size());
    // A fresh store of seven slots takes every application and its records,
    // as they came from one.
    (void)store->ResetAppli(id);
    (void)PutInOrder(*store, id, records, ordering);
  }
  return store;
}

std::string StoreFingerprint(const AppliStore& store) {
  return Fingerprint(EncodeBackupFile(store, /*scramble=*/false, BackupBlocks::kAllPresent));
}

std::optional<std::vector<AppliId>> PartOfGeneration(const std::filesystem::path& path,
                                                     const AppliStore& file) {
  Generation generation;
  if (!ParseGenerationFileName(path.filename().string(), &generation)) return std::nullopt;
  std::vector<AppliId> held;
  for (AppliId id = kSchedule; id <= kTelephone; ++id) {
    if (file.IsPresent(id)) held.push_back(id);
  }
  if (held.size() == 6) return std::nullopt;
  return held;
}

DetectSettings DetectSetup(const AppSettings& settings, SerialPortFactory port_factory,
                           std::function<std::vector<PortSpec>()> list_ports,
                           const RunOverrides& overrides) {
  DetectSettings detect;
  detect.device_code = settings.device_code;
  detect.log_file_name = overrides.log_file_name.value_or(settings.log_file_name);
  detect.echo_back = overrides.no_echo ? 0 : settings.echo_back;
  detect.port_map = settings.port_devices;
  detect.port_factory = std::move(port_factory);
  detect.list_ports = std::move(list_ports);
  return detect;
}

}  // namespace kivo
