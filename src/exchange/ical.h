#ifndef KIVO_EXCHANGE_ICAL_H_
#define KIVO_EXCHANGE_ICAL_H_

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>

#include "exchange/import_rules.h"
#include "format/display_modes.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {

// Schedule, Anniversary and To Do records as an iCalendar file (RFC 5545),
// each component with the record's RecordUid as its UID:
//   Schedule     VEVENT with DTSTART and DTEND as floating local times
//                (DURATION:PT0S for an entry that ends when it starts),
//                SUMMARY from the description and, with the alarm on, a
//                VALARM whose TRIGGER lies the reminder's minutes before the
//                start;
//   Anniversary  an all-day VEVENT repeated by RRULE:FREQ=YEARLY, with the
//                days of notice as a VALARM;
//   To Do        VTODO with DUE, PRIORITY 1 to 9 as the organizer's, and
//                STATUS:COMPLETED with COMPLETED when done.
// `now` stamps DTSTAMP and COMPLETED. Returns the number of
// components, -1 (and an empty text) for another application.
int BuildICalendar(const AppliStore& store, AppliId id, std::time_t now, std::string* text);
// One record as a calendar of its own component, with `uid` as its UID; empty
// for a record that does not decode or another application.
[[nodiscard]] std::string BuildICalendarItem(AppliId id, std::span<const uint8_t> record,
                                             const std::string& uid, std::time_t now);

// Reads what other calendars write into records of `id` (Schedule,
// Anniversary or To Do): times with a time zone and UTC times become local
// times (a TZID that names a zone of the system's zone database is read
// with the system's rules, whatever VTIMEZONE the file gives; other TZIDs
// with the file's), all-day events start and end at 00:00 (one of several
// days from its first, counted as moved), of a recurring entry the first
// occurrence is taken and counted, and components the application cannot
// hold (a VTODO for Schedule, a VJOURNAL, a changed occurrence of a series)
// are skipped and counted, as are cancelled ones. Of components sharing a
// UID only the last is read. A VTODO without priority takes the middle of
// the scale (5). `today` gives the year of a birthday before the organizer's
// years and the due date of a VTODO without one.
[[nodiscard]] ImportBatch ReadICalendar(std::string_view text, AppliId id,
                                        const AllowedTable& allowed, const DateValue& today);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_ICAL_H_
