// The record edit dialogs' requests and outcomes: the flags, the context and
// the record each dialog opens with, and what its end does to the lists.

#include <algorithm>

#include "desktop/main_commands.h"
#include "store/app_settings.h"
#include "store/record_codec.h"
#include "view/appli_records.h"
#include "view/calendar_model.h"

namespace kivo {
namespace {

bool Saved(const EditDialogResult& result) {
  return result.code == kEditSave || result.code == kEditSaveAsNew;
}

// The position of a record among the application's records as they stand.
int PositionOf(const RecordViews& records, std::span<const uint8_t> record) {
  const std::span<const uint8_t> wanted = RecordBody(record);
  for (size_t i = 0; i < records.size(); ++i) {
    const std::span<const uint8_t> body = RecordBody(records[i]);
    if (std::equal(body.begin(), body.end(), wanted.begin(), wanted.end())) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

}  // namespace

EditRequest MainCommands::EditOfRow(int row) const {
  EditRequest request;
  request.id = model_->appli();
  const bool is_new = row < 0;
  request.flags =
      EditDialogFlags(request.id, is_new, model_->AppliRecordCount(), settings_->display_date,
                      settings_->display_hour, model_->filter());
  const CategoryNames names = ExpenseCategoryNames();
  request.context.category_names.assign(names.names.begin(), names.names.end());
  request.context.allowed = AllowedCharacters();
  if (!is_new) request.record = model_->RowRecord(row);
  return request;
}

bool MainCommands::ApplyEdit(int row, const EditDialogResult& result) {
  if (!Saved(result)) return false;
  KeepListState();
  bool changed = true;
  if (result.code == kEditSave && row >= 0) {
    model_->ReplaceRow(row, result.record);
  } else {
    // Refused at the record limit: nothing is added.
    changed = model_->AppendRow(result.record);
  }
  ShowList();
  return changed;
}

EditRequest MainCommands::EditOfStored(AppliId id, std::span<const uint8_t> stored) const {
  EditRequest request;
  request.id = id;
  std::vector<uint8_t> record(stored.begin(), stored.end());
  record.push_back(kTerminator);
  request.record = std::move(record);
  request.context.allowed = AllowedCharacters();
  request.flags = EditDialogFlags(id, /*is_new=*/false, std::max(store_.GetRecordCount(id), 0),
                                  settings_->display_date, settings_->display_hour, kFilterAll);
  return request;
}

int MainCommands::ApplyStoredEdit(AppliId id, const std::vector<uint8_t>& before,
                                  const EditDialogResult& result) {
  if (!Saved(result)) return -1;
  // The record waits in the store while another application is on screen:
  // the change goes through its own list, as an edit there would.
  KeepListState();
  const AppliId shown = model_->appli();
  model_->ShowAppli(id, /*commit_first=*/true);
  const int row = RowOfRecord(*model_, before);
  if (result.code == kEditSave && row >= 0) {
    model_->ReplaceRow(row, result.record);
  } else {
    // Refused at the record limit: nothing is added.
    (void)model_->AppendRow(result.record);
  }
  model_->ShowAppli(shown, /*commit_first=*/true);
  ShowList();
  return PositionOf(CurrentRecordList(*model_, store_, id), result.record);
}

std::optional<EditRequest> MainCommands::NewScheduleEntry(int day, int minute) const {
  if (model_->appli() != kSchedule || model_->AppliRecordCount() >= kOrganizerRecordLimit) {
    return std::nullopt;
  }
  const DateValue date = DateOfDay(day);
  EditRequest request;
  request.id = kSchedule;
  request.context.allowed = AllowedCharacters();
  // Clear goes back to the day chosen, not to today.
  request.context.today = [date] { return date; };
  if (minute >= 0) {
    // An hour of the week or day page: the entry starts there and lasts an hour.
    ScheduleRecord r;
    r.date = BcdDate::FromYmd(date.year, date.month, date.day);
    r.start_time = BcdTime::FromHm(minute / 60, minute % 60);
    r.end_time = BcdTime::FromHm(std::min(minute / 60 + 1, 23), minute % 60);
    std::vector<uint8_t> preset = EncodeScheduleRecord(r);
    if (!preset.empty()) request.record = std::move(preset);
  }
  request.flags = EditDialogFlags(kSchedule, /*is_new=*/true, model_->AppliRecordCount(),
                                  settings_->display_date, settings_->display_hour, kFilterAll);
  return request;
}

}  // namespace kivo
