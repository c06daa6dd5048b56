#include "ui/progress_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "desktop/port_names.h"
#include "link/link_observer.h"
#include "platform/port_diagnosis.h"
#include "ui/pc_text.h"

namespace kivo {

// Hands what the worker tells over to the window's thread. Every call is
// queued, so the worker never waits for the window and the window sees the
// notifications in the order they were made. A window that is gone drops them.
class ProgressNotifier : public LinkObserver {
 public:
  explicit ProgressNotifier(ProgressWindow* window) : window_(window) {}
  void OnStatus(int total, int source) override {
    Post([total, source](ProgressWindow* w) { w->OnStatus(total, source); });
  }
  void OnProgress(int value, int source) override {
    Post([value, source](ProgressWindow* w) { w->OnProgress(value, source); });
  }
  void OnTitleTag(const std::string& tag) override {
    const QString text = FromPcText(tag);
    Post([text](ProgressWindow* w) { w->OnTitleTag(text); });
  }
  void OnRunDone(ResultCode result) override {
    Post([result](ProgressWindow* w) { w->OnEnd(result); });
  }
  void OnRunFailed(ResultCode result) override {
    Post([result](ProgressWindow* w) { w->OnEnd(result); });
  }

 private:
  template <typename Call>
  void Post(Call call) {
    QPointer<ProgressWindow> window = window_;
    QMetaObject::invokeMethod(
        window_,
        [window, call] {
          if (window) call(window.data());
        },
        Qt::QueuedConnection);
  }

  ProgressWindow* window_;
};

namespace {

constexpr const char* kFirstLine = "1. Make sure the cable is connected to your Organizer";
constexpr int kFirstLineUnits = 172;

// The layout is given in dialog units: a quarter of the font's average
// character width across and an eighth of its height down, so that it grows
// with the font. Fonts whose letters run wider than their average would
// push the longest line out of its place: the unit across then grows with it.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int line = metrics.horizontalAdvance(QString::fromLatin1(kFirstLine)) + 4;
    x_ = std::max(
        {metrics.averageCharWidth(), 6, (line * 4 + kFirstLineUnits - 1) / kFirstLineUnits});
    y_ = std::max(metrics.height(), 13);
  }
  QRect operator()(int x, int y, int w, int h) const {
    return QRect(x * x_ / 4, y * y_ / 8, w * x_ / 4, h * y_ / 8);
  }

 private:
  int x_;
  int y_;
};

// A static text at its place, never narrower than the text itself.
QLabel* Text(QWidget* parent, const char* text, const QRect& geometry) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  QRect place = geometry;
  place.setWidth(std::max(place.width(), label->sizeHint().width()));
  place.setHeight(std::max(place.height(), label->sizeHint().height()));
  label->setGeometry(place);
  return label;
}

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent, Clock* clock)
    : QDialog(parent),
      run_(std::make_unique<ProgressRun>(clock)),
      active_(run_.get()),
      notifier_(std::make_unique<ProgressNotifier>(this)),
      prompter_(this) {
  setModal(true);
  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) &
                 ~Qt::WindowContextHelpButtonHint);
  const DialogUnits units(font());
  setFixedSize(units(0, 0, 213, 120).size());

  auto* group = new QGroupBox(QStringLiteral("Instructions"), this);
  group->setGeometry(units(7, 7, 199, 53));
  Text(this, kFirstLine, units(19, 21, kFirstLineUnits, 8));
  Text(this, "    and your PC.", units(19, 32, 172, 8));
  Text(this, "2. Press the [PC-LINK] button.", units(19, 43, 172, 8));
  Text(this, "0%", units(16, 67, 28, 8))->hide();
  Text(this, "100%", units(188, 67, 17, 8))->hide();
  // Between the instructions and the bar, where the hidden percentages leave
  // room: a wait on the wrong port shows before it times out.
  port_ = Text(this, "Port :", units(19, 63, 187, 8));
  port_->setMinimumWidth(units(0, 0, 187, 8).width());
  QLabel* status_title = Text(this, "Status :", units(19, 102, 26, 8));
  // Replaced by the (empty) status text when the window opens.
  QRect status_place = units(49, 102, 100, 8);
  status_place.moveLeft(std::max(status_place.left(), status_title->geometry().right() + 4));
  status_ = Text(this, "Waiting for Organizer", status_place);
  status_->setMinimumWidth(status_place.width());
  // A long status (the snapshot's) wraps upwards into the room below the
  // bar, up to the Abort button; a short one keeps its line.
  const QRect room = units(0, 93, 154, 0);
  status_->setWordWrap(true);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  status_->setMinimumWidth(0);
  status_->setGeometry(status_->x(), room.top(), room.right() + 1 - status_->x(),
                       status_->geometry().bottom() + 1 - room.top());

  bar_ = new QProgressBar(this);
  bar_->setGeometry(units(19, 76, 175, 14));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);

  abort_ = new QPushButton(QStringLiteral("&Abort"), this);
  abort_->setGeometry(units(156, 99, 50, 14));
  // Enter must not abort a run by accident: only a press of the button does.
  abort_->setAutoDefault(false);
  connect(abort_, &QPushButton::clicked, this, &ProgressWindow::reject);

  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

ProgressWindow::~ProgressWindow() {
  // The run aborts and joins a worker still going and closes the port; the
  // worker may be waiting for a box on this thread, which is why the prompter
  // answers for a window that is gone.
  run_.reset();
}

void ProgressWindow::ApplyLinkSettings(const LinkSettings& settings) {
  run_->ApplyLinkSettings(settings);
  ShowSettings(settings);
}

ResultCode ProgressWindow::Run(LinkRun& run, const LinkSettings& shown) {
  active_ = &run;
  LinkSettings settings = shown;
  settings.run_mode = run.run_mode();
  ShowSettings(settings);
  return Run();
}

void ProgressWindow::ShowSettings(const LinkSettings& settings) {
  state_ = ProgressState(settings.run_mode);
  setWindowTitle(QString::fromStdString(state_.Title()));
  const std::string name =
      settings.port_name.empty() ? std::to_string(settings.com_port) : settings.port_name;
  const PortSpec port = ResolvePort(name, settings.port_map);
  port_device_ = port.device;
  port_title_ = PortTitle(port);
  port_->setText(QStringLiteral("Port : ") + QString::fromStdString(port_title_));
}

ResultCode ProgressWindow::Run() {
  result_ = kResultAborted;
  const int code = exec();
  // The outcome arrived through OnEnd already; this only joins the worker.
  (void)active_->Wait();
  // Without an end the window was closed with the code of done().
  const ResultCode result = ended_ ? result_ : static_cast<ResultCode>(code);
  // Joined: the link's model is the one the negotiation learned.
  if (result == kResultSuccess) {
    model_seen_ = active_->device_model() == DeviceModel::kM ? QStringLiteral("VX-480M")
                                                             : QStringLiteral("TR/VX-480");
  }
  return result;
}

SafeTransferReport ProgressWindow::safe_report() const { return active_->safe_report(); }

void ProgressWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  status_->setText(FromPcText(state_.status_text()));
  if (!active_->Start(notifier_.get(), &prompter_)) {
    start_failed_ = true;
    ShowMessageBox(
        this, {"Cannot start download.", "Error", PromptIcon::kExclamation, PromptButtons::kOk});
  }
}

void ProgressWindow::reject() {
  if (ended_) return;
  // Without a worker nothing would ever report an end: the window ends at once.
  if (!started_ || start_failed_) {
    QDialog::done(kResultAborted);
    return;
  }
  active_->Abort();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

bool ProgressWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down ||
        key == Qt::Key_F1) {
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ProgressWindow::OnStatus(int total, int source) {
  if (state_.OnStatus(total, source)) ShowTexts();
}

void ProgressWindow::OnProgress(int value, int source) {
  if (state_.OnProgress(value, source)) ShowTexts();
}

void ProgressWindow::OnTitleTag(const QString& tag) {
  setWindowTitle(tag + QString::fromStdString(state_.Title()));
}

void ProgressWindow::ShowTexts() {
  bar_->setValue(state_.position());
  status_->setText(FromPcText(state_.status_text()));
}

void ProgressWindow::OnEnd(ResultCode result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
  // A Restore or Download that stopped after deleting on the organizer is
  // explained by the command's one box on what the organizer holds and the
  // ways on; a bare error here would only come before it.
  const bool replacing =
      state_.run_mode() == RunMode::kRestore || state_.run_mode() == RunMode::kDownload;
  std::optional<PromptBox> box = ProgressState::OutcomeBox(result);
  if (replacing && box && active_->safe_report().deleted) box.reset();
  if (box) {
    // A port that would not open: why, in the words of `kivo-link ports`.
    const bool not_opened = result >= kResultCannotOpenCom1 && result <= kResultCannotOpenPort;
    if (not_opened && !port_device_.empty() && port_device_ != kVirtualPort) {
      box->text += "\n\n" + CheckPort(port_device_).reason;
    }
    // No answer at all: most often the organizer hangs on another port.
    if (result == kResultTimeout && !port_title_.empty()) {
      box->text += "\n\nNo answer on " + port_title_ + ".";
      if (port_device_ != kVirtualPort) {
        box->text += "\nChoose the port your Organizer is connected to in Option > COM port...";
      }
    }
    ShowMessageBox(this, *box);
  }
  QDialog::done(result);
}

}  // namespace kivo
