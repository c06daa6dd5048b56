#include "ui/option_dialogs.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

#include "desktop/port_names.h"
#include "platform/serial_port.h"
#include "store/app_settings.h"
#include "ui/auto_detect_dialog.h"
#include "ui/pc_text.h"
#include "ui/text_fields.h"
#include "ui/ui_resources.h"

namespace kivo {

namespace {

QGroupBox* RadioGroup(const char* title, std::initializer_list<const char*> texts,
                      QRadioButton** out, QWidget* parent) {
  auto* group = new QGroupBox(QString::fromLatin1(title), parent);
  auto* column = new QVBoxLayout(group);
  for (const char* text : texts) {
    auto* button = new QRadioButton(QString::fromLatin1(text), group);
    column->addWidget(button);
    *out++ = button;
  }
  return group;
}

}  // namespace

// ---- OptionDialog -----------------------------------------------------------

OptionDialog::OptionDialog(const char* caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(caption));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(true);
  new QVBoxLayout(this);
}

void OptionDialog::AddButtons(const std::vector<QPushButton*>& extra) {
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* button : {ok_, cancel_}) row->addWidget(button);
  for (QPushButton* button : extra) row->addWidget(button);
  for (QPushButton* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(true);  // Enter presses it while it has the focus
    button->setDefault(false);
    button->setMinimumWidth(80);
  }
  static_cast<QVBoxLayout*>(layout())->addSpacing(6);
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void OptionDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
      // No default button: a focused push button has taken Enter already.
      event->accept();
      return;
    case Qt::Key_Escape:
      event->accept();
      reject();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

// ---- ComPortDialog ----------------------------------------------------------

namespace {

// The reasons beneath the ports and devices wrap at this width.
constexpr int kReasonWidth = 340;

// Why a port or device cannot be opened, beneath it; hidden while it can.
QLabel* ReasonLabel(QWidget* parent) {
  auto* reason = new QLabel(parent);
  reason->setWordWrap(true);
  reason->setFixedWidth(kReasonWidth);
  reason->setContentsMargins(20, 0, 0, 4);
  reason->setForegroundRole(QPalette::PlaceholderText);
  reason->hide();
  return reason;
}

}  // namespace

ComPortDialog::ComPortDialog(const AppSettings& settings, SerialPortFactory port_factory,
                             QWidget* parent, DeviceSource source)
    : OptionDialog("COM port", parent),
      source_(std::move(source)),
      detect_(DetectSettingsFrom(settings, std::move(port_factory), source_.devices)),
      runner_([](QWidget* owner, const DetectSettings& detect) {
        AutoDetectDialog dialog(detect, owner);
        return dialog.exec() >= 0 ? dialog.found() : PortSpec{};
      }) {
  // Each COM port with the device [Ports] gives it, and beneath it why that
  // cannot be opened, as the serial devices below show theirs.
  auto* group = new QGroupBox(QStringLiteral("Setting"), this);
  auto* grid = new QGridLayout(group);
  grid->setColumnStretch(1, 1);
  constexpr const char* kTexts[] = {"COM&1", "COM&2", "COM&3", "COM&4", "&Virtual organizer"};
  group_ = new QButtonGroup(this);
  for (size_t i = 0, row = 0; i < buttons_.size(); ++i) {
    buttons_[i] = new QRadioButton(QString::fromLatin1(kTexts[i]), group);
    group_->addButton(buttons_[i]);
    grid->addWidget(buttons_[i], static_cast<int>(row), 0);
    if (i >= com_rows_.size()) continue;
    const std::string& mapped = settings.port_devices[i];
    buttons_[i]->setToolTip(QString::fromStdString(mapped));  // [Ports]
    ComRow& com = com_rows_[i];
    com.path = mapped == kVirtualPort ? std::string() : mapped;
    com.device = new QLabel(
        com.path.empty() ? QStringLiteral("virtual organizer") : QString::fromStdString(mapped),
        group);
    com.device->setForegroundRole(QPalette::PlaceholderText);
    com.reason = ReasonLabel(group);
    grid->addWidget(com.device, static_cast<int>(row), 1);
    grid->addWidget(com.reason, static_cast<int>(row) + 1, 0, 1, 2);
    row += 2;
  }
  layout()->addWidget(group);
  if (source_.devices != nullptr) {
    device_box_ = new QGroupBox(QStringLiteral("Serial devices"), this);
    auto* column = new QVBoxLayout(device_box_);
    no_devices_ = new QLabel(QStringLiteral("No serial device found."), device_box_);
    column->addWidget(no_devices_);
    layout()->addWidget(device_box_);
  }
  auto_detect_ = new QPushButton(QStringLiteral("&Auto Detect..."), this);
  AddButtons({auto_detect_});
  connect(auto_detect_, &QPushButton::clicked, this, &ComPortDialog::AutoDetect);

  start_port_ = IsComPortNumber(settings.com_port) ? settings.com_port : 1;
  start_name_ = settings.port_name;
  port_ = start_port_;
  port_name_ = start_name_;
  const bool by_name = !start_name_.empty() && start_name_ != kVirtualPort;
  // A device by name without a device list to show it in: its COM port.
  if (start_name_.empty() || (by_name && source_.devices == nullptr)) {
    buttons_[static_cast<size_t>(start_port_ - 1)]->setChecked(true);
  } else if (start_name_ == kVirtualPort) {
    buttons_[4]->setChecked(true);
  }
  // Pseudo-terminals and a program letting go of a port come without any
  // word: the list and the states are looked at again from time to time.
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] {
    if (source_.devices != nullptr) RefreshDevices();
    RefreshStates(/*force=*/false);
  });
  timer->start(std::max(source_.recheck_ms, 100));
  if (source_.devices == nullptr) {
    RefreshStates(/*force=*/true);
    return;
  }
  RefreshDevices(/*force=*/true, by_name ? start_name_ : std::string());
  if (const int fd = source_.devices->change_fd(); fd >= 0) {
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
      if (source_.devices->TakeChanges()) RefreshDevices();
    });
  }
}

void ComPortDialog::ShowFirstStartText() {
  auto* text = new QLabel(
      QStringLiteral("Choose how this PC reaches your Organizer: the COM port or serial device "
                     "its cable is on, \"Auto Detect...\" to look for it on every port, or the "
                     "virtual organizer to try the program without one.\n"
                     "You can change this later in Option > COM port..."),
      this);
  text->setObjectName(QStringLiteral("first_start"));
  text->setWordWrap(true);
  static_cast<QBoxLayout*>(layout())->insertWidget(0, text);
}

ComPortDialog::~ComPortDialog() = default;

std::string ComPortDialog::CheckedDevice() const {
  for (const DeviceRow& row : rows_) {
    if (row.button->isChecked()) return row.path;
  }
  return {};
}

void ComPortDialog::RefreshDevices(bool force, const std::string& check) {
  std::vector<SerialDevice> devices = source_.devices->List();
  if (!force && devices == listed_) return;
  listed_ = devices;
  // The checked device stays in the list while it is away, shown as missing.
  const std::string keep = check.empty() ? CheckedDevice() : check;
  if (!keep.empty() && std::none_of(devices.begin(), devices.end(),
                                    [&](const SerialDevice& d) { return d.path == keep; })) {
    SerialDevice away;
    away.path = keep;
    away.node = keep;
    devices.push_back(away);
  }
  for (DeviceRow& row : rows_) {
    group_->removeButton(row.button);
    delete row.button;
    delete row.reason;
  }
  rows_.clear();
  auto* column = static_cast<QVBoxLayout*>(device_box_->layout());
  for (const SerialDevice& device : devices) {
    DeviceRow row;
    row.path = device.path;
    row.button = new QRadioButton(QString::fromStdString(device.Label()), device_box_);
    row.button->setToolTip(QString::fromStdString(
        device.path == device.node ? device.path : device.path + "\n" + device.node));
    group_->addButton(row.button);
    column->addWidget(row.button);
    row.reason = ReasonLabel(device_box_);
    column->addWidget(row.reason);
    if (device.path == keep) row.button->setChecked(true);
    rows_.push_back(row);
  }
  no_devices_->setVisible(rows_.empty());
  // A COM port's device that is listed shows as the list names it.
  for (ComRow& com : com_rows_) {
    if (com.path.empty()) continue;
    QString text = QString::fromStdString(com.path);
    for (const SerialDevice& device : listed_) {
      if (device.path == com.path || device.node == com.path) {
        text = QString::fromStdString(device.Label());
      }
    }
    com.device->setText(text);
  }
  RefreshStates(/*force=*/true);
}

void ComPortDialog::ShowState(QLabel* reason, const PortCheck& check) {
  reason->setText(check.usable ? QString() : QString::fromStdString(check.reason));
  reason->setHidden(check.usable);
}

void ComPortDialog::RefreshStates(bool force) {
  std::vector<std::string> paths;
  for (const ComRow& com : com_rows_) {
    if (!com.path.empty()) paths.push_back(com.path);
  }
  for (const DeviceRow& row : rows_) paths.push_back(row.path);
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  const std::vector<std::vector<std::string>> holders = PortHoldersOf(paths);
  std::map<std::string, std::vector<std::string>> now;
  for (size_t i = 0; i < paths.size(); ++i) {
    auto last = holders_.find(paths[i]);
    if (!force && last != holders_.end() && last->second == holders[i]) continue;
    // Opened once for every label that shows it.
    const PortCheck check = source_.check(paths[i]);
    for (const ComRow& com : com_rows_) {
      if (com.path == paths[i]) ShowState(com.reason, check);
    }
    for (const DeviceRow& row : rows_) {
      if (row.path == paths[i]) ShowState(row.reason, check);
    }
  }
  for (size_t i = 0; i < paths.size(); ++i) now[paths[i]] = holders[i];
  holders_ = std::move(now);
}

QString ComPortDialog::port_device(int index) const {
  return com_rows_[static_cast<size_t>(index)].device->text();
}

QString ComPortDialog::port_reason(int index) const {
  const QLabel* reason = com_rows_[static_cast<size_t>(index)].reason;
  return reason != nullptr ? reason->text() : QString();
}

QRadioButton* ComPortDialog::device_button(const std::string& path) const {
  for (const DeviceRow& row : rows_) {
    if (row.path == path) return row.button;
  }
  return nullptr;
}

QString ComPortDialog::device_reason(const std::string& path) const {
  for (const DeviceRow& row : rows_) {
    if (row.path == path && row.reason != nullptr) return row.reason->text();
  }
  return {};
}

void ComPortDialog::accept() {
  port_ = 0;
  port_name_.clear();
  for (int i = 0; i < kComPorts && port_ == 0; ++i) {
    if (buttons_[static_cast<size_t>(i)]->isChecked()) port_ = i + 1;
  }
  if (port_ == 0) {
    // COMPort stays what it was for a port chosen by name.
    if (buttons_[kComPorts]->isChecked()) {
      port_ = start_port_;
      port_name_ = std::string(kVirtualPort);
    } else if (std::string device = CheckedDevice(); !device.empty()) {
      port_ = start_port_;
      port_name_ = device;
    }
  }
  if (port_ == 0) port_ = 1;
  QDialog::accept();
}

void ComPortDialog::reject() {
  port_ = start_port_;
  port_name_ = start_name_;
  QDialog::reject();
}

void ComPortDialog::AutoDetect() {
  const PortSpec found = runner_(this, detect_);
  if (IsComPortNumber(found.com_number)) {
    buttons_[static_cast<size_t>(found.com_number - 1)]->setChecked(true);
    return;
  }
  if (found.device.empty() || source_.devices == nullptr) return;
  RefreshDevices(/*force=*/true, found.device);
}

// ---- OrganizerModelDialog ---------------------------------------------------

OrganizerModelDialog::OrganizerModelDialog(int model, QWidget* parent)
    : OptionDialog("Organizer Model", parent), model_(model) {
  auto* box = new QWidget(this);
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(12, 6, 12, 6);
  buttons_[0] = new QRadioButton(QStringLiteral("&TR/VX-480"), box);
  buttons_[1] = new QRadioButton(QStringLiteral("&VX-480M"), box);
  for (QRadioButton* b : buttons_) column->addWidget(b);
  layout()->addWidget(box);
  AddButtons();
  buttons_[model == 1 ? 1 : 0]->setChecked(true);
}

void OrganizerModelDialog::accept() {
  model_ = buttons_[0]->isChecked() ? 0 : 1;
  QDialog::accept();
}

// ---- DisplayFormatDialog ----------------------------------------------------

DisplayFormatDialog::DisplayFormatDialog(int display_hour, int display_date, QWidget* parent)
    : OptionDialog("Display Format", parent),
      display_hour_(display_hour),
      display_date_(display_date) {
  auto* row = new QHBoxLayout;
  row->addWidget(
      RadioGroup("12/24 hour mode", {"&12 hour mode", "&24 hour mode"}, hour_.data(), this));
  row->addWidget(
      RadioGroup("Date mode", {"&mm/dd/yyyy", "&dd.mm.yyyy", "&yyyy.mm.dd"}, date_.data(), this));
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
  AddButtons();
  hour_[display_hour == 1 ? 1 : 0]->setChecked(true);
  date_[display_date == 1 || display_date == 2 ? static_cast<size_t>(display_date) : 0]->setChecked(
      true);
}

void DisplayFormatDialog::accept() {
  display_hour_ = hour_[0]->isChecked() ? 0 : 1;
  display_date_ = date_[1]->isChecked() ? 1 : date_[2]->isChecked() ? 2 : 0;
  QDialog::accept();
}

// ---- ExpenseCategoryDialog --------------------------------------------------

ExpenseCategoryDialog::ExpenseCategoryDialog(const CategoryNames& names, const AllowedTable& table,
                                             QWidget* parent)
    : OptionDialog("Expense Category", parent) {
  auto* grid = new QGridLayout;
  const QFontMetrics metrics(FieldFont());
  for (int i = 0; i < kCategoryCount; ++i) {
    auto* field = new FilteredLineEdit(table, static_cast<int>(kCategoryNameCapacity), this);
    field->setObjectName(QStringLiteral("name%1").arg(i + 1));
    field->setFont(FieldFont());
    field->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("MMMMMMMM")) + 14);
    field->setText(FromPcText(names.names[static_cast<size_t>(i)]));
    fields_[static_cast<size_t>(i)] = field;
    auto* label = new QLabel(QStringLiteral("%1:").arg(i + 1), this);
    label->setBuddy(field);
    // Two columns of four, as on the organizer's own list.
    grid->addWidget(label, i % 4, (i / 4) * 3);
    grid->addWidget(field, i % 4, (i / 4) * 3 + 1);
  }
  grid->setHorizontalSpacing(6);
  grid->setColumnMinimumWidth(2, 16);
  static_cast<QVBoxLayout*>(layout())->addLayout(grid);
  AddButtons();
}

CategoryNames ExpenseCategoryDialog::names() const {
  CategoryNames out;
  for (size_t i = 0; i < fields_.size(); ++i) {
    out.names[i] = FieldRecordText(fields_[i]->text(), kCategoryNameCapacity);
  }
  return out;
}

// ---- AboutDialog ------------------------------------------------------------

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  InitUiResources();
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(48, 48));
  icon->setAlignment(Qt::AlignTop);
  row->addWidget(icon);
  auto* lines = new QVBoxLayout;
  lines->addWidget(new QLabel(QString::fromLatin1(kFirstLine), this));
  lines->addWidget(new QLabel(QString::fromLatin1(kSecondLine), this));
  lines->addStretch(1);
  row->addSpacing(10);
  row->addLayout(lines);
  outer->addLayout(row);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  ok->setMinimumWidth(80);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  outer->addLayout(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kivo
