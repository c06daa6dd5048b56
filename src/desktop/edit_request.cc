#include "desktop/edit_request.h"

#include "format/display_modes.h"

namespace kivo {

uint8_t EditDialogFlags(AppliId id, bool is_new, int record_count, int display_date,
                        int display_hour, int telephone_filter) {
  uint8_t flags = 0;
  if (is_new) flags |= kEditFlagNew;
  if (!is_new && record_count >= kOrganizerRecordLimit) flags |= kEditFlagFull;
  if (id == kTelephone) {
    // "Personal" and "All" give Personal.
    if (telephone_filter == 1) flags |= kEditFlagTelBusiness;
    if (telephone_filter == 2) flags |= kEditFlagTelOthers;
    return flags;
  }
  const int date = NormalDisplayDate(display_date);
  if (date == kDateDmy) flags |= kEditFlagDateDmy;
  if (date == kDateYmd) flags |= kEditFlagDateYmd;
  if (id == kSchedule && NormalDisplayHour(display_hour) == kHour24) flags |= kEditFlagHour24;
  return flags;
}

}  // namespace kivo
