#ifndef KIVO_COMM_VIRTUAL_ORGANIZER_H_
#define KIVO_COMM_VIRTUAL_ORGANIZER_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "link/comm_link.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "store/tables.h"

namespace kivo {

// Which organizer the virtual one plays. The models differ in the low byte of
// the device code they announce and in whether they answer
// GET_DEVICE_INFORMATION:
//   base   low byte 0, no answer  -> the PC learns DeviceModel 0 ("<E> ")
//   E+     low byte 1, no answer  -> DeviceModel 2 ("<E+> ")
//   M      low byte 1, answers    -> DeviceModel 1 ("<M> ")
enum class VirtualModel { kBase, kBaseSecond, kM };

// "base" or "e", "e+", "m" (any case); nullopt for anything else.
[[nodiscard]] std::optional<VirtualModel> ParseVirtualModel(std::string_view text);

struct VirtualOrganizerOptions {
  VirtualModel model = VirtualModel::kBase;
  // The organizer family: 1 plays device code (1, 0), anything else (2, 0),
  // as the DeviceCode setting. A PC set for the other family is refused.
  int device_code = 2;
  // The cable returns what each side sends; the PC's EchoBack check needs it.
  bool echo = true;
  // Paces the cable like a line at this speed (ten bits a byte); 0: no pacing.
  uint32_t baud_rate = 0;
  // The program's tables: code.dat for the sample and the sort keys, the
  // model's sort table to keep Telephone in order (none without sort.dat),
  // char.dat for the sample's texts.
  Tables tables;
  // Where its records are kept between runs; empty: forgotten after the run.
  std::filesystem::path data_dir;
  // The records of a first start (the programs give the shipped sample,
  // FindSampleDir); empty: none.
  std::filesystem::path sample_dir;
  // The organizer side's own link log; empty: none.
  std::string log_file_name;
  // Faults for tests, counted per session. Stops answering (as when the
  // cable is pulled) once it has taken this many records; 0: never.
  int hang_up_after_records = 0;
  // Acknowledges the first record it is sent but does not keep it.
  bool lose_first_record = false;
};

// The file in the data directory that holds the virtual organizer's records.
inline constexpr const char* kVirtualOrganizerFile = "virtual-organizer.bkf";

// An organizer played in-process, built from the organizer-role procedures:
// it negotiates as the chosen model, serves GET_ALL_RECORDS and
// GET_EXPENSE_CATEGORY from its records, and takes DELETE_ALL_RECORDS,
// SEND_1_RECORD (each record to the application its packets name) and
// SEND_EXPENSE_CATEGORY into them.
//
// The records are held in the organizer's own coding, exactly as they travel
// (the store converts nothing), and Telephone is kept sorted by last name
// with the sort table of the model: a real organizer does, and the PC checks
// the order of a base model's list. Not thread-safe: the session thread owns
// it while it serves.
class VirtualOrganizer {
 public:
  explicit VirtualOrganizer(VirtualOrganizerOptions options);
  VirtualOrganizer(const VirtualOrganizer&) = delete;
  VirtualOrganizer& operator=(const VirtualOrganizer&) = delete;

  // The data directory's file; when there is none, or it cannot be read, the
  // sample set (every application present afterwards; without a sample they
  // are empty and the category list has its default names).
  void Load();
  [[nodiscard]] bool LoadFile(const std::filesystem::path& file);
  void LoadSample(const std::filesystem::path& dir);
  // Writes the records to the data directory (created when missing) through
  // a temporary file. True when written, or when no data directory is set.
  [[nodiscard]] bool Save();

  // Plays one session on an open link: the negotiation, the model query,
  // then the PC's commands until END_COMMUNICATION or NACK (16). Otherwise
  // the failing step's code: the link's (0 after an abort posted to the
  // link's queue, 5 when the PC stays silent for the link's TOCommand), or 11
  // for a command an organizer does not know. What arrived before a failure
  // stays, as on a real organizer. Blocks for the whole session.
  [[nodiscard]] ResultCode Serve(CommLink& link);

  // Whether the records changed since they were loaded or saved.
  [[nodiscard]] bool changed() const { return changed_; }
  AppliStore& store() { return store_; }
  const AppliStore& store() const { return store_; }

  // Puts Telephone in last-name order (stable); nothing without sort table.
  void SortTelephone();

 private:
  uint8_t device_code_high() const;
  uint8_t device_code_low() const;
  // One command after the negotiation: 16 to go on, a negative value when
  // the PC ended the session, otherwise the failing code (so an int).
  int HandleCommand(CommLink& link, int code, const std::array<uint8_t, 2>& params);
  ResultCode ServeAppli(CommLink& link, AppliId id);
  ResultCode ReceiveRecord(CommLink& link);

  VirtualOrganizerOptions options_;
  AppliStore store_;
  const SortTable* sort_table_ = nullptr;  // the model's, in options_
  bool changed_ = false;
  int records_taken_ = 0;  // this session's
};

// A port factory that plays the virtual organizer behind the port name
// "virtual" and hands every other port to `fallback`. Each open of "virtual"
// joins a fresh in-memory cable to a session thread of a VirtualOrganizer
// loaded from options.data_dir; the organizer starts calling for the link
// once the PC listens or sends. Closing the port ends the session (after a
// short grace for the last command) and saves what changed.
[[nodiscard]] SerialPortFactory VirtualOrganizerFactory(
    const VirtualOrganizerOptions& options,
    SerialPortFactory fallback = DefaultSerialPortFactory());

}  // namespace kivo

#endif  // KIVO_COMM_VIRTUAL_ORGANIZER_H_
