#ifndef KIVO_UI_OPTION_DIALOGS_H_
#define KIVO_UI_OPTION_DIALOGS_H_

// The Option menu's dialogs and the About box. Each reads its initial state
// from the values given and returns the user's choice through accessors;
// the caller stores it and updates the main window:
//
//   ComPortDialog com(settings, port_factory, this, {devices});
//   com.exec();                              // OK or Cancel: store both
//   settings.com_port = com.port();          // 1..4
//   settings.port_name = com.port_name();    // "virtual", a device or ""
//
//   OrganizerModelDialog m(settings.model, this);
//   m.exec(); settings.model = m.model();    // then ApplyOrganizerModel
//
//   DisplayFormatDialog f(settings.display_hour, settings.display_date, this);
//   f.exec(); /* ApplyDisplayFormat(f.display_date(), f.display_hour()) */
//
//   ExpenseCategoryDialog e(names, this);
//   if (e.exec() == QDialog::Accepted) store.SetCategoryNames(e.names());
//
//   AboutDialog(this).exec();

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QDialog>

#include "comm/detect_run.h"
#include "platform/port_diagnosis.h"
#include "platform/serial_devices.h"
#include "store/char_tables.h"
#include "store/record_codec.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kivo {

struct AppSettings;
class FilteredLineEdit;

// What the option dialogs share: no default button; Enter presses the
// focused push button (OK, Cancel, "&Auto Detect...") and is ignored
// elsewhere; Esc cancels.
class OptionDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionDialog(const char* caption, QWidget* parent);

  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

 protected:
  // Adds OK and Cancel (and any extra buttons given) in a row at the bottom.
  void AddButtons(const std::vector<QPushButton*>& extra = {});
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// Where the COM port dialog finds the serial devices present and learns
// whether each can be opened.
struct DeviceSource {
  SerialDevices* devices = nullptr;  // not owned; null: no device list
  PortChecker check = CheckPort;
  // How often the states are looked at again while the dialog is open, for
  // a program that lets go of a port (or takes one) without any word.
  int recheck_ms = 1500;
};

// "COM port": "COM&1".."COM&4" and "&Virtual organizer" in the group
// "Setting", the serial devices present in the group "Serial devices"
// (adapters, other serial ports, pseudo-terminals), OK, Cancel and
// "&Auto Detect...". Each COM port shows the device [Ports] gives it, and it
// and every device the reason it cannot be opened, when it cannot. The
// device list follows devices coming and going while the dialog is open;
// the reasons follow programs taking a port and letting go of it. A device
// chosen by name is kept by its path (the lasting by-id name where there is
// one), so COMPort and [Ports] stay as they were.
class ComPortDialog : public OptionDialog {
  Q_OBJECT

 public:
  // Runs the Auto Detect dialog; returns the port found (COM 1..4, or a
  // device by name), or an empty PortSpec. The default shows an
  // AutoDetectDialog modally.
  using AutoDetectRunner = std::function<PortSpec(QWidget* parent, const DetectSettings& settings)>;

  // port_factory: the transfers' factory (virtual organizer, mapped ports),
  // handed to the auto detection.
  ComPortDialog(const AppSettings& settings, SerialPortFactory port_factory = {},
                QWidget* parent = nullptr, DeviceSource source = {});
  ~ComPortDialog() override;

  void set_auto_detect_runner(AutoDetectRunner runner) { runner_ = std::move(runner); }
  // The first start's words above the choices: the program knows no port yet.
  void ShowFirstStartText();

  // After OK: the first checked COM button (1..4; 1 when none is), or with
  // the virtual organizer or a device checked the port of the opening. After
  // Cancel: the port of the opening (COMPort, or 1 when that is not 1..4).
  [[nodiscard]] int port() const { return port_; }
  // "virtual" for the virtual organizer, a device's path, or empty.
  [[nodiscard]] const std::string& port_name() const { return port_name_; }

  // index 0..3: COM1..COM4; 4: the virtual organizer.
  QRadioButton* port_button(int index) const { return buttons_[static_cast<size_t>(index)]; }
  // COM1..COM4 (index 0..3): the device shown beside the port, and the reason
  // shown beneath it (empty when it can be opened).
  [[nodiscard]] QString port_device(int index) const;
  [[nodiscard]] QString port_reason(int index) const;
  QPushButton* auto_detect_button() const { return auto_detect_; }
  // The listed device of that path and the reason shown beneath it (empty
  // when it can be opened); null and empty when it is not listed.
  [[nodiscard]] QRadioButton* device_button(const std::string& path) const;
  [[nodiscard]] QString device_reason(const std::string& path) const;
  [[nodiscard]] int device_count() const { return static_cast<int>(rows_.size()); }

  void accept() override;
  void reject() override;

 private:
  struct DeviceRow {
    std::string path;
    QRadioButton* button = nullptr;
    QLabel* reason = nullptr;  // hidden while the device can be opened
  };
  struct ComRow {
    std::string path;  // the device of [Ports]; empty for "virtual"
    QLabel* device = nullptr;
    QLabel* reason = nullptr;
  };
  void AutoDetect();
  // Lists the devices again; rebuilds the rows when the list changed (always
  // with force), keeping the checked device, or checking `check`, which is
  // shown as missing when it is not there.
  void RefreshDevices(bool force = false, const std::string& check = {});
  // Checks every port and device shown again: with force all of them, else
  // those whose holding processes changed since the last look.
  void RefreshStates(bool force);
  void ShowState(QLabel* reason, const PortCheck& check);
  std::string CheckedDevice() const;

  std::array<QRadioButton*, 5> buttons_{};
  std::array<ComRow, 4> com_rows_{};
  // The processes that held each path shown at the last look.
  std::map<std::string, std::vector<std::string>> holders_;
  QButtonGroup* group_ = nullptr;
  QGroupBox* device_box_ = nullptr;
  QLabel* no_devices_ = nullptr;
  std::vector<DeviceRow> rows_;
  std::vector<SerialDevice> listed_;
  DeviceSource source_;
  QPushButton* auto_detect_ = nullptr;
  DetectSettings detect_;
  AutoDetectRunner runner_;
  int start_port_ = 1;
  std::string start_name_;
  int port_ = 1;
  std::string port_name_;
};

// "Organizer Model": "&TR/VX-480" (0) and "&VX-480M" (1).
class OrganizerModelDialog : public OptionDialog {
  Q_OBJECT

 public:
  explicit OrganizerModelDialog(int model, QWidget* parent = nullptr);
  // After OK the checked model; after Cancel the model given.
  [[nodiscard]] int model() const { return model_; }
  QRadioButton* model_button(int index) const { return buttons_[static_cast<size_t>(index)]; }
  void accept() override;

 private:
  std::array<QRadioButton*, 2> buttons_{};
  int model_;
};

// "Display Format": "12/24 hour mode" and "Date mode".
class DisplayFormatDialog : public OptionDialog {
  Q_OBJECT

 public:
  DisplayFormatDialog(int display_hour, int display_date, QWidget* parent = nullptr);
  // After OK the checked modes; after Cancel the modes given.
  [[nodiscard]] int display_hour() const { return display_hour_; }
  [[nodiscard]] int display_date() const { return display_date_; }
  QRadioButton* hour_button(int mode) const { return hour_[static_cast<size_t>(mode)]; }
  QRadioButton* date_button(int mode) const { return date_[static_cast<size_t>(mode)]; }
  void accept() override;

 private:
  std::array<QRadioButton*, 2> hour_{};
  std::array<QRadioButton*, 3> date_{};
  int display_hour_;
  int display_date_;
};

// "Expense Category": eight fields "1:".."8:" of at most 7 characters,
// filtered through the allowed-character table.
class ExpenseCategoryDialog : public OptionDialog {
  Q_OBJECT

 public:
  ExpenseCategoryDialog(const CategoryNames& names, const AllowedTable& allowed,
                        QWidget* parent = nullptr);
  // The eight texts of the fields (PC coding), to store after OK.
  [[nodiscard]] CategoryNames names() const;
  FilteredLineEdit* name_field(int index) const { return fields_[static_cast<size_t>(index)]; }

 private:
  std::array<FilteredLineEdit*, kCategoryCount> fields_{};
};

// The About box: the program's icon, "PC Software for TR/VX-480, VX-480M
// Version 1.00", a second line and OK.
class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kFirstLine = "PC Software for TR/VX-480, VX-480M Version 1.00";
  static constexpr const char* kSecondLine =
      "Backup, restore and edit your organizer's records on this PC.";
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace kivo

#endif  // KIVO_UI_OPTION_DIALOGS_H_
