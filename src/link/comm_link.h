#ifndef KIVO_LINK_COMM_LINK_H_
#define KIVO_LINK_COMM_LINK_H_

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "link/frames.h"
#include "link/link_observer.h"
#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "platform/message_queue.h"
#include "platform/serial_port.h"
#include "store/appli_id.h"
#include "store/char_tables.h"
#include "store/result_code.h"

namespace kivo {

// Which side a record transfer plays.
enum class TransferRole {
  kPc = 0,         // PC side of a full communication run
  kPcStep = 2,     // PC side of a single-step run
  kOrganizer = 3,  // the system plays the organizer
};

// The organizer's model, learned by NegotiationForPC.
enum class DeviceModel {
  kBase = 0,        // "<E> "
  kM = 1,           // "<M> "
  kBaseSecond = 2,  // "<E+> "
};

// The order check of a base-model Telephone list being received: a list out
// of order, or of 1..records_min records, is an incomplete reception. Off
// with records_min 0. The tables are not owned and may be null: without the
// sort table only the count is checked; without table B the organizer's
// characters 127..254 compare as they are.
struct TelephoneCheck {
  int records_min = 0;
  const SortTable* sort_table = nullptr;
  const std::array<uint8_t, 128>* table_b = nullptr;
};

// How the link talks to the organizer, applied as one value before a run
// (Configure): the line speed, whether the cable echoes what is sent (each
// send then waits for its echo), the device code the link announces, and the
// time-outs of its waits.
struct LinkConfig {
  uint32_t baud_rate = kLinkBaudRate;
  bool echo_back = true;
  // Device code (high, low): high 1 or 2, low 0.
  uint8_t device_code_high = 2;
  uint8_t device_code_low = 0;
  int to_command = kDefaultTimeOutMs;      // ms
  int to_data_packet = kDefaultTimeOutMs;  // ms
  int to_multiplier = 0;                   // ms per byte
};

// Makes the port for a resolved port name; null when there is no such port.
// The default makes a termios port for the device path and nothing for an
// empty device or "virtual" (the communication layer hands in a factory that
// knows the virtual organizer's line).
using SerialPortFactory = std::function<std::unique_ptr<SerialPort>(const PortSpec&, Clock&)>;
[[nodiscard]] SerialPortFactory DefaultSerialPortFactory();

// The link to one organizer over one serial line: the serial layer with its
// echo check and time-outs, the link log, command frames, data packets, and
// the protocol procedures built on them. What a run works with (store, file,
// application, window) belongs to the run; a procedure that reports to the
// window takes it as a parameter (`window`, may be null). One class in
// several files, one concern each:
//   comm_link.cc              construction, fields, log helpers
//   comm_link_serial.cc       port open/close, timed send and receive, aborts
//   comm_link_frames.cc       command frames
//   comm_link_packets.cc      data packets
//   comm_link_negotiation.cc  negotiation and auto detection
//   comm_link_records.cc      record transfer procedures
//
// A CommLink belongs to one worker thread for a whole run; no locks are taken.
// Other threads reach it only through its message queue (an abort, 1127 or
// 1131, posted there ends the current wait with result 0).
//
// Results: link operations return a ResultCode (kResultSuccess = 16) and
// also leave it in result(); the lower serial operations return true or false
// and leave the code. A failure the link decides itself is logged with a
// line starting "!!!" at the place that decides it (Fail). Every wait blocks in poll() until bytes,
// its deadline or a message arrive.
class CommLink {
 public:
  // port: COM number 1..4 (the name through the port map); baud: line speed.
  // clock: null for the system clock; it must outlive the link.
  explicit CommLink(int port = 1, uint32_t baud_rate = kLinkBaudRate, Clock* clock = nullptr);
  ~CommLink();
  CommLink(const CommLink&) = delete;
  CommLink& operator=(const CommLink&) = delete;

  // ---- Port choice and plumbing -------------------------------------------
  // COM1..COM4 name these devices (settings section [Ports]).
  void SetPortMap(const PortMap& ports) { port_map_ = ports; }
  // A port given by text: "COM3" or "3" as OpenPort(3) would; a device path
  // or "virtual" directly (the COM number becomes 0, so failures give 10).
  // Takes effect at the next OpenPort(-1).
  void SetPortName(std::string_view name);
  void SetSerialPortFactory(SerialPortFactory factory) { factory_ = std::move(factory); }
  // The queue PollAbort takes messages from; null (the default) means the
  // queue of the thread that calls PollAbort. Not owned.
  void SetMessageQueue(MessageQueue* queue) { queue_ = queue; }
  MessageQueue& message_queue() const;
  // Messages other than the aborts are handed here by PollAbort.
  void SetMessageHandler(std::function<void(const ThreadMessage&)> handler) {
    message_handler_ = std::move(handler);
  }
  Clock& clock() const { return *clock_; }

  // ---- Serial layer (comm_link_serial.cc) ----------------------------------
  // Opens COM `port` (-1 keeps the stored one). Closes an open port first.
  // False with result 6..9 for COM1..COM4, else 10, when the port cannot be
  // opened or set up; the link is then closed. Purges both buffers.
  [[nodiscard]] bool OpenPort(int port = -1);
  // Restores the line's settings and closes it. Returns whether the settings
  // could be restored (true when it was not open). Safe when closed.
  bool ClosePort();
  // Throws away pending input and output; clears the abort flag, result 16.
  [[nodiscard]] bool PurgePort();
  // Sends n bytes (n = -1: up to the terminating zero byte) after draining
  // the input, and with EchoBack checks that the same bytes come back within
  // 10 s. Logs the bytes sent.
  [[nodiscard]] bool SendBytes(const uint8_t* bytes, int n);
  [[nodiscard]] bool SendBytes(std::span<const uint8_t> bytes) {
    return SendBytes(bytes.data(), static_cast<int>(bytes.size()));
  }
  // Receives exactly buffer.size() bytes before the deadline. An empty
  // buffer reads nothing and fails. *received (if given) gets the count read.
  [[nodiscard]] bool ReceiveBytes(std::span<uint8_t> buffer, Deadline deadline,
                                  int* received = nullptr);
  // Until n bytes are queued: false with 5 at the deadline, 0 on abort.
  [[nodiscard]] bool WaitReceiveQueue(int n, Deadline deadline);
  // Until the input stays empty for one 10 ms pass.
  [[nodiscard]] bool DrainReceiveQueue(Deadline deadline);
  // Until the output queue is empty.
  [[nodiscard]] bool WaitSendQueue(Deadline deadline);
  // Takes at most one message from the queue. True when it was an abort
  // (1127 or 1131): the abort flag rises and result becomes 0. While aborts
  // are held (HoldAborts) an abort is only noted and the wait goes on.
  [[nodiscard]] bool PollAbort();
  // While on, an abort does not break the wait it arrives in: a record being
  // sent is finished, and SendAllRecords then stops with 0 before the next
  // one, so the organizer is back in its command loop and the session can
  // go on. Turning it off forgets an abort still held.
  void HoldAborts(bool on);
  // Whether an abort arrived while held; taking it ends the holding of that
  // abort (the flag rises and result becomes 0, as for an abort not held).
  [[nodiscard]] bool TakeHeldAbort();
  // Stores code; with port 1..4 it stores the port on success (16) and
  // port + 5 otherwise; any other port but -1 stores 10.
  void SetResult(ResultCode code, int port);

  [[nodiscard]] Deadline DeadlineAfter(uint32_t ms) const { return MakeDeadline(*clock_, ms); }
  [[nodiscard]] bool IsExpired(Deadline deadline) const {
    return kivo::IsExpired(*clock_, deadline);
  }

  [[nodiscard]] ResultCode result() const { return result_; }
  [[nodiscard]] int port_number() const { return port_number_; }
  // Takes effect at the next OpenPort for the line speed, at once for the rest.
  void Configure(const LinkConfig& config) { config_ = config; }
  [[nodiscard]] const LinkConfig& config() const { return config_; }
  [[nodiscard]] bool is_open() const { return port_ != nullptr && port_->IsOpen(); }
  [[nodiscard]] bool abort_flag() const { return abort_flag_ != 0; }
  // Whether the last GetAllRecords failed (14) on the telephone checks, not
  // on a record cut short: only then would a smaller TelRecordsMin help.
  [[nodiscard]] bool telephone_check_failed() const { return telephone_check_failed_; }
  // The open port, for diagnosis; null when closed.
  SerialPort* port() const { return port_.get(); }

  // ---- Link log (link_log.h) ------------------------------------------------
  // Stores the name and deletes that file; empty turns logging off.
  void SetLogFileName(const std::string& name);
  [[nodiscard]] bool logging() const { return !log_file_name_.empty(); }
  // False when the log could not be written. The log is a diagnosis aid and
  // never stops a run, so callers need not look at the result.
  bool WriteLogIfEnabled(std::string_view text, bool full = false);
  bool WriteHexDumpIfEnabled(std::span<const uint8_t> bytes);

  // ---- Command frames (comm_link_frames.cc) --------------------------------
  // 16 when sent; 0 for a code that is not a command (nothing sent, result
  // untouched); otherwise the result the failed send left (11, or 0 after an
  // abort). DEVICE_INFORMATION carries the link's device code (low, high);
  // only DELETE_ALL_RECORDS and GET_ALL_RECORDS carry p1 and p2.
  [[nodiscard]] ResultCode SendCommand(int code, int p1 = 0, int p2 = 0);
  // Waits for the command `expected` (kAnyCommand: any of the accepted set).
  // params (may be null) gets parameter 1 and 2, code (may be null) the code.
  // total: ms, -1 for TOCommand; multiplier: ms per byte, -1 for TOMultiplier.
  // 16, 0 (abort), 5 (time-out), 11 (bad frame or another command).
  [[nodiscard]] ResultCode WaitCommand(int expected, std::array<uint8_t, 2>* params = nullptr,
                                       int* code = nullptr, int total = -1, int multiplier = -1);
  // Waits for an ACK with the default time-outs. On success logs
  // "---PC receives ACK"; on failure logs failure_log (nothing when empty)
  // and returns the wait's code.
  [[nodiscard]] ResultCode ExpectAck(std::string_view failure_log = "!!!ACK Receive Err\n\n");

  // ---- Data packets (comm_link_packets.cc) ---------------------------------
  // Sends one packet of contents.size() bytes (1..252, else 11 and nothing
  // sent, result untouched). 16, or the result of the failed send.
  [[nodiscard]] ResultCode SendDataPacket(std::span<const uint8_t> contents, int record_size,
                                          int appli_id, int flag);
  // Waits for a packet of application `expected` (255: any). contents gets the
  // piece and must hold 252 bytes; n its length; lead (may be null) the
  // application id, or 13 for FINISH_ALL_RECORDS, 21 for NACK; flag (may be
  // null) the sequence flag, 0xA0 whenever the piece completes the record.
  // A FINISH_ALL_RECORDS frame (or a NACK when lead is null) comes back as 16
  // with n = 5 and the frame bytes as contents. record_size (may be null) gets
  // the size of the whole record the packet belongs to (0 for a frame).
  [[nodiscard]] ResultCode WaitDataPacket(int expected, std::span<uint8_t> contents, int* n,
                                          int* lead = nullptr, int* flag = nullptr, int total = -1,
                                          int multiplier = -1, int* record_size = nullptr);

  // ---- Negotiation and auto detection (comm_link_negotiation.cc) -----------
  // window gets the negotiation's status, and for a run with a log the
  // model's title tag. request_received: the organizer's LINK_REQUEST has
  // been taken off the line already (by a caller that waited for the
  // organizer to call), so the handshake starts with the PC's ACK; the
  // organizer waits two seconds for it.
  [[nodiscard]] ResultCode NegotiationForPC(int total = -1, int multiplier = -1,
                                            LinkObserver* window = nullptr,
                                            bool request_received = false);
  [[nodiscard]] ResultCode NegotiationForDevice(LinkObserver* window = nullptr);
  // Tries COM1..COM4; returns 1..4 or 12. Leaves the port closed. window is
  // told each port tried.
  [[nodiscard]] ResultCode AutoDetect(LinkObserver* window = nullptr);
  // The same passes and waits over the ports given, in their order: a COM
  // number 1..4 (with its device, or empty for the port map's) or a device by
  // name (COM 0). Returns 1..4 for a COM port, 16 for a device by name, 12
  // when none answered; detected_port() then tells which it was.
  [[nodiscard]] ResultCode AutoDetect(std::span<const PortSpec> candidates,
                                      LinkObserver* window = nullptr);
  [[nodiscard]] const PortSpec& detected_port() const { return detected_port_; }

  // ---- Record transfers (comm_link_records.cc) -----------------------------
  [[nodiscard]] ResultCode Send1Record(std::span<const uint8_t> record, AppliId id,
                                       TransferRole role);
  // Gathers the packets of one record. Every piece must belong to the same
  // application and name the same record size, and the pieces must add up to
  // exactly that size: a piece too many or too few fails with 11, and a
  // FINISH_ALL_RECORDS after the first piece of a record with 14.
  [[nodiscard]] ResultCode Receive1Record(std::span<uint8_t> buffer, int* received, int* lead,
                                          TransferRole role);
  // buffer gets a record list buffer (records each followed by 0xFF); *end
  // its length. window gets the status and progress; check applies to a
  // Telephone list from a base model.
  [[nodiscard]] ResultCode GetAllRecords(std::span<uint8_t> buffer, int* end, AppliId id,
                                         TransferRole role, LinkObserver* window = nullptr,
                                         const TelephoneCheck& check = {});
  [[nodiscard]] ResultCode SendAllRecords(std::span<const uint8_t> buffer, AppliId id, int count,
                                          TransferRole role, LinkObserver* window = nullptr);
  [[nodiscard]] ResultCode GetExpenseCategory(std::span<uint8_t> buffer, int* length,
                                              TransferRole role);
  [[nodiscard]] ResultCode SendExpenseCategory(std::span<const uint8_t> buffer, TransferRole role);

  // ---- Protocol fields ------------------------------------------------------
  // Learned by NegotiationForPC.
  DeviceModel device_model() const { return device_model_; }
  void set_device_model(DeviceModel model) { device_model_ = model; }

 private:
  // Reads n bytes, all of which are queued or on their way (the bulk
  // strategy: one read, then completion polling until the deadline).
  bool ReadCommNT(std::span<uint8_t> buffer, Deadline deadline, int* received);
  // Ends a read that will not complete.
  void CancelPendingRead();
  // Deadline for a receive inside a frame or packet wait: `ms` from now when
  // a multiplier is set, else the wait's own deadline.
  Deadline PieceDeadline(int multiplier, int64_t ms, Deadline whole) const;
  // Ends a wait on a line that failed (result 11) instead of retrying it.
  [[nodiscard]] bool LineFailed() const;
  // A failure decided here: stores code, logs log_text, returns code.
  ResultCode Fail(ResultCode code, std::string_view log_text);

  // Serial layer.
  std::unique_ptr<SerialPort> port_;
  int port_number_ = 1;
  std::string port_device_;  // set by SetPortName for a direct device
  PortSpec detected_port_;   // the port the last AutoDetect found
  ResultCode result_ = kResultSuccess;
  int abort_flag_ = 0;
  bool hold_aborts_ = false;
  bool abort_held_ = false;
  bool telephone_check_failed_ = false;
  LinkConfig config_;
  std::string log_file_name_;

  // Protocol.
  DeviceModel device_model_ = DeviceModel::kBase;

  // Plumbing.
  Clock* clock_;
  PortMap port_map_ = DefaultPortMap();
  SerialPortFactory factory_ = DefaultSerialPortFactory();
  MessageQueue* queue_ = nullptr;
  std::function<void(const ThreadMessage&)> message_handler_;
};

// ---- Negotiation and record transfers: shared values ------------------------
// The title tag of a DeviceModel.
[[nodiscard]] std::string_view DeviceModelTag(DeviceModel model);
// Progress of a receive-all after `records` records: a quarter per record up
// to 200 (50), then the next 720 records fill the other half (100 at 920).
[[nodiscard]] int ReceivedPercent(int records);
// The key a Telephone list is ordered by: the record's first text field (from
// byte 1 up to its zero byte, at most 49 bytes), organizer characters 127..254
// turned into the PC's through table B (when given).
[[nodiscard]] std::string TelephoneSortKey(std::span<const uint8_t> record,
                                           const std::array<uint8_t, 128>* table_b);

}  // namespace kivo

#endif  // KIVO_LINK_COMM_LINK_H_
