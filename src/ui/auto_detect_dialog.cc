#include "ui/auto_detect_dialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "desktop/port_names.h"

namespace kivo {

namespace {

constexpr const char* kInstructions[] = {
    "1. Connect your Organizer to your PC with the cable supplied.",
    "2. Press the [PC-LINK] button on your Organizer.",
    "3. Press the [Proceed] button below.",
    "",
    "If Auto Detection appears to take a long time or your wish to",
    "abort, press the [ESC] key.",
    "",
    "WARNING: This process may cause your computer to crash if",
    "you have any incorrectly configured hardware. If this happens,",
    "you may have to reset your computer.",
};

// The texts are UTF-8: a device's name goes into them.
QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "COM3" for a COM port, the device's own name (ttyUSB0, or its by-id name)
// for a device chosen by name.
QString PortText(const PortSpec& port) {
  if (IsComPortNumber(port.com_number)) return QString::fromStdString(PortKey(port.com_number));
  const size_t slash = port.device.rfind('/');
  return QString::fromStdString(slash == std::string::npos ? port.device
                                                           : port.device.substr(slash + 1));
}

}  // namespace

void ShowMessageBoxModal(QWidget* parent, const MessageBoxText& box) {
  QMessageBox message(
      box.icon == MessageIcon::kInformation ? QMessageBox::Information : QMessageBox::Warning,
      Text(box.caption), Text(box.text), QMessageBox::Ok, parent);
  message.exec();
}

AutoDetectDialog::AutoDetectDialog(const DetectSettings& settings, QWidget* parent, Clock* clock)
    : QDialog(parent), settings_(settings), clock_(clock) {
  setWindowTitle(QStringLiteral("Auto Detect"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  outer->setSpacing(2);
  for (const char* line : kInstructions) {
    auto* label = new QLabel(QString::fromLatin1(line), this);
    if (*line == '\0') label->setFixedHeight(8);
    outer->addWidget(label);
  }
  outer->addSpacing(10);
  status1_ = new QLabel(this);
  status1_->setObjectName(QStringLiteral("status1"));  // 1013
  status2_ = new QLabel(this);
  status2_->setObjectName(QStringLiteral("status2"));  // 1015
  for (QLabel* status : {status1_, status2_}) {
    status->setMinimumHeight(status->fontMetrics().height());
    outer->addWidget(status);
  }
  outer->addSpacing(10);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  proceed_ = new QPushButton(QStringLiteral("&Proceed"), this);  // 1, the default
  cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);    // 2
  proceed_->setDefault(true);
  cancel_->setAutoDefault(false);
  for (QPushButton* b : {proceed_, cancel_}) {
    b->setMinimumWidth(90);
    buttons->addWidget(b);
  }
  outer->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  connect(proceed_, &QPushButton::clicked, this, &AutoDetectDialog::Proceed);
  connect(cancel_, &QPushButton::clicked, this, &AutoDetectDialog::reject);
  status1_->clear();
  status2_->clear();
}

AutoDetectDialog::~AutoDetectDialog() {
  closing_.store(true);
  if (run_) {
    run_->Abort();
    // The worker may be waiting for this thread to show a status: keep
    // serving until its last word is out, then join it.
    while (!worker_done_.load()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QThread::msleep(5);
    }
    run_.reset();
  }
}

void AutoDetectDialog::Proceed() {
  if (detecting_) return;
  run_ = std::make_unique<DetectRun>(clock_);
  run_->Configure(settings_);
  tried_.clear();
  worker_done_.store(false);
  if (!run_->Start(this)) {
    worker_done_.store(true);
    run_.reset();
    shower_(this, {"Cannot start download.", "Error", MessageIcon::kExclamation});
    return;
  }
  detecting_ = true;
  proceed_->setEnabled(false);
  cancel_->setText(QStringLiteral("&Abort"));
  cancel_->setFocus();
}

void AutoDetectDialog::OnDetectTrying(const PortSpec& port) {
  if (closing_.load()) return;
  QMetaObject::invokeMethod(
      this, [this, port] { ShowStatus(port); }, Qt::BlockingQueuedConnection);
}

void AutoDetectDialog::OnDetectFound(int port) {
  QMetaObject::invokeMethod(
      this, [this, port] { Found(port); }, Qt::QueuedConnection);
  worker_done_.store(true);
}

void AutoDetectDialog::OnDetectFailed(ResultCode result) {
  QMetaObject::invokeMethod(
      this, [this, result] { Failed(result); }, Qt::QueuedConnection);
  worker_done_.store(true);
}

void AutoDetectDialog::ShowStatus(const PortSpec& port) {
  status1_->setText(QStringLiteral("Auto Detect in progress..."));
  status2_->setText(QStringLiteral("Checking ") + PortText(port));
  PortSpec tried = port;
  if (tried.device.empty() && IsComPortNumber(tried.com_number)) {
    tried.device = settings_.port_map[static_cast<size_t>(tried.com_number - 1)];
  }
  tried_.push_back(PortTitle(tried));
  status1_->repaint();
  status2_->repaint();
}

void AutoDetectDialog::Found(int port) {
  if (run_) {
    // The outcome is the port given; this only joins the worker.
    (void)run_->Wait();
    found_ = run_->found();
  }
  detecting_ = false;
  if (IsComPortNumber(port)) {
    shower_(this, DetectEndMessage(static_cast<ResultCode>(port)));
    done(port);
    return;
  }
  found_text_ = "Organizer is detected on " + PortText(found_).toStdString() + ".";
  shower_(this, {found_text_, "Auto Detect", MessageIcon::kInformation});
  done(0);
}

void AutoDetectDialog::Failed(int result) {
  // The outcome is the code given; this only joins the worker.
  if (run_) (void)run_->Wait();
  detecting_ = false;
  MessageBoxText box = DetectEndMessage(static_cast<ResultCode>(result));
  // Which ports were tried tells a wrong cable from a device that is missing.
  if (result != kResultAborted) {
    failed_text_ = std::string(box.text) + "\n\n";
    if (tried_.empty()) {
      failed_text_ += "No serial port was found to try.";
    } else {
      failed_text_ += "Tried:";
      for (const std::string& port : tried_) failed_text_ += "\n" + port;
    }
    box.text = failed_text_;
  }
  shower_(this, box);
  proceed_->setEnabled(true);
  proceed_->setFocus();
  cancel_->setText(QStringLiteral("&Cancel"));
  status1_->clear();
  status2_->clear();
  done(-1);
}

void AutoDetectDialog::reject() {
  if (detecting_) {
    if (run_) run_->Abort();  // the dialog stays until the worker answers
    return;
  }
  done(-1);
}

void AutoDetectDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace kivo
