// The option dialogs' initial state and results, and the Auto Detect dialog
// against in-memory lines.

#include "ui/option_dialogs.h"

#include <future>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/memory_line.h"
#include "store/app_settings.h"
#include "support/organizer_pair.h"
#include "ui/auto_detect_dialog.h"
#include "ui/text_fields.h"

namespace kivo {
namespace {

// Presses a button of the dialog once its event loop runs.
template <typename Dialog>
int ExecPressing(Dialog& dialog, QPushButton* button) {
  QTimer::singleShot(0, button, &QPushButton::click);
  return dialog.exec();
}

int CheckedPort(const ComPortDialog& dialog) {
  for (int i = 0; i < 5; ++i) {
    if (dialog.port_button(i)->isChecked()) return i + 1;
  }
  return 0;
}

struct ComPortCase {
  const char* name;
  int com_port;
  const char* port_name;
  int check;  // button to check before the end (1..5), 0: none
  bool ok;
  int checked_at_opening;  // 5: the virtual organizer
  int port;
  const char* result_name;
};

TEST(ComPortDialog, OpeningAndResults) {
  const ComPortCase cases[] = {
      {"COMPort 7 opens with COM1, Cancel gives 1", 7, "", 3, false, 1, 1, ""},
      {"COMPort 3 and OK", 3, "", 0, true, 3, 3, ""},
      {"OK gives the checked port", 2, "", 4, true, 2, 4, ""},
      {"Cancel gives the port of the opening", 2, "", 4, false, 2, 2, ""},
      {"the virtual organizer chosen", 2, "", 5, true, 2, 2, "virtual"},
      {"the virtual organizer at opening", 4, "virtual", 0, false, 5, 4, "virtual"},
      {"from the virtual organizer back to COM1", 4, "virtual", 1, true, 5, 1, ""},
  };
  for (const ComPortCase& c : cases) {
    AppSettings settings;
    settings.com_port = c.com_port;
    settings.port_name = c.port_name;
    ComPortDialog dialog(settings);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "COM port");
    EXPECT_EQ(CheckedPort(dialog), c.checked_at_opening) << c.name;
    if (c.check > 0) dialog.port_button(c.check - 1)->setChecked(true);
    const int code = ExecPressing(dialog, c.ok ? dialog.ok_button() : dialog.cancel_button());
    EXPECT_EQ(code, c.ok ? QDialog::Accepted : QDialog::Rejected) << c.name;
    EXPECT_EQ(dialog.port(), c.port) << c.name;
    EXPECT_EQ(dialog.port_name(), c.result_name) << c.name;
  }
}

TEST(ComPortDialog, AutoDetectChecksThePortFoundAndStaysOpen) {
  AppSettings settings;
  settings.com_port = 2;
  settings.device_code = 1;
  settings.echo_back = 0;
  settings.port_devices[2] = "/dev/ttyUSB7";
  ComPortDialog dialog(settings);
  std::vector<PortSpec> answers = {{3, "/dev/ttyUSB7"}, {}, {}};
  DetectSettings seen;
  dialog.set_auto_detect_runner([&](QWidget*, const DetectSettings& s) {
    seen = s;
    const PortSpec answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  dialog.auto_detect_button()->click();
  EXPECT_EQ(CheckedPort(dialog), 3);
  EXPECT_EQ(seen.device_code, 1);
  EXPECT_EQ(seen.echo_back, 0);
  EXPECT_EQ(seen.baud_text, "19200");
  EXPECT_EQ(seen.port_map[2], "/dev/ttyUSB7");
  dialog.auto_detect_button()->click();  // nothing found: the check stays
  EXPECT_EQ(CheckedPort(dialog), 3);
  dialog.auto_detect_button()->click();
  EXPECT_EQ(CheckedPort(dialog), 3);
  EXPECT_EQ(ExecPressing(dialog, dialog.ok_button()), QDialog::Accepted);
  EXPECT_EQ(dialog.port(), 3);
}

TEST(OptionDialogs, EnterPressesOnlyAFocusedButton) {
  OrganizerModelDialog dialog(0);
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  dialog.model_button(1)->setFocus();
  dialog.model_button(1)->setChecked(true);
  QTest::keyClick(dialog.model_button(1), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  dialog.ok_button()->setFocus();
  QTest::keyClick(dialog.ok_button(), Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.model(), 1);

  DisplayFormatDialog format(1, 1);
  format.show();
  QTest::keyClick(&format, Qt::Key_Escape);
  EXPECT_EQ(format.result(), QDialog::Rejected);
  EXPECT_EQ(format.display_hour(), 1);
}

TEST(OrganizerModelDialog, OpeningAndResults) {
  struct Case {
    int model;
    int checked;  // button index at opening
    int check;    // -1: leave
    bool ok;
    int result;
  };
  const Case cases[] = {{0, 0, 1, true, 1},
                        {1, 1, 0, true, 0},
                        {1, 1, 0, false, 1},
                        {5, 0, -1, true, 0},
                        {5, 0, 1, false, 5}};
  for (const Case& c : cases) {
    OrganizerModelDialog dialog(c.model);
    EXPECT_TRUE(dialog.model_button(c.checked)->isChecked()) << c.model;
    EXPECT_EQ(dialog.model_button(0)->text().toStdString(), "&TR/VX-480");
    if (c.check >= 0) dialog.model_button(c.check)->setChecked(true);
    (void)ExecPressing(dialog, c.ok ? dialog.ok_button() : dialog.cancel_button());
    EXPECT_EQ(dialog.model(), c.result) << c.model;
  }
}

TEST(DisplayFormatDialog, OpeningAndResults) {
  struct Case {
    int hour, date;  // given
    int open_hour, open_date;
    int check_hour, check_date;  // -1: leave
    bool ok;
    int result_hour, result_date;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 1, 1, true, 1, 1},   {1, 2, 1, 2, 0, 0, true, 0, 0},
      {1, 2, 1, 2, 0, 0, false, 1, 2},  {7, 9, 0, 0, -1, -1, true, 0, 0},
      {7, 9, 0, 0, -1, 2, false, 7, 9},
  };
  for (const Case& c : cases) {
    DisplayFormatDialog dialog(c.hour, c.date);
    EXPECT_TRUE(dialog.hour_button(c.open_hour)->isChecked());
    EXPECT_TRUE(dialog.date_button(c.open_date)->isChecked());
    if (c.check_hour >= 0) dialog.hour_button(c.check_hour)->setChecked(true);
    if (c.check_date >= 0) dialog.date_button(c.check_date)->setChecked(true);
    (void)ExecPressing(dialog, c.ok ? dialog.ok_button() : dialog.cancel_button());
    EXPECT_EQ(dialog.display_hour(), c.result_hour);
    EXPECT_EQ(dialog.display_date(), c.result_date);
  }
}

TEST(ExpenseCategoryDialog, SevenFilteredCharactersAndEmptyNames) {
  AllowedTable no_comma;
  no_comma.fill(1);
  no_comma[','] = 0;
  const CategoryNames defaults = DefaultCategoryNames();
  ExpenseCategoryDialog dialog(defaults, no_comma);
  EXPECT_EQ(dialog.name_field(5)->text().toStdString(), "Enter't");
  EXPECT_EQ(dialog.names(), defaults);
  dialog.name_field(2)->selectAll();
  QTest::keyClicks(dialog.name_field(2), QStringLiteral("Gas,oline"));
  dialog.name_field(7)->clear();
  CategoryNames expected = defaults;
  expected.names[2] = "Gasolin";
  expected.names[7] = "";
  EXPECT_EQ(dialog.names(), expected);
}

TEST(AboutDialog, ShowsTheProgramLine) {
  AboutDialog dialog;
  bool found = false;
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    found |= label->text() == QLatin1String("PC Software for TR/VX-480, VX-480M Version 1.00");
  }
  EXPECT_TRUE(found);
}

// ---- Auto Detect --------------------------------------------------------------

// COM1..COM4 on in-memory lines; an organizer answers behind `organizer_port`
// (0: nowhere); `closed_port` does not open.
class DetectPorts {
 public:
  DetectPorts(Clock& clock, int organizer_port, int closed_port)
      : clock_(clock), organizer_port_(organizer_port), closed_port_(closed_port) {}
  ~DetectPorts() {
    for (auto& f : organizers_) {
      if (f.valid()) (void)f.get();
    }
  }
  SerialPortFactory Factory() {
    return [this](const PortSpec& port_spec, Clock&) -> std::unique_ptr<SerialPort> {
      if (port_spec.com_number == closed_port_) return nullptr;
      auto line = MemoryLine::Create(clock_);
      line->SetEcho(0, true);
      lines_.push_back(line);
      if (port_spec.com_number == organizer_port_) {
        organizers_.push_back(std::async(std::launch::async, [line, this]() -> int {
          CommLink organizer(1, 19200, &clock_);
          organizer.Configure({.echo_back = false});
          organizer.SetSerialPortFactory(
              [line](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
                return line->MakeEnd(1);
              });
          if (!organizer.OpenPort(1)) return -1;
          return organizer.NegotiationForDevice();
        }));
      }
      return line->MakeEnd(0);
    };
  }

 private:
  Clock& clock_;
  int organizer_port_;
  int closed_port_;
  std::vector<std::shared_ptr<MemoryLine>> lines_;
  std::vector<std::future<int>> organizers_;
};

TEST(AutoDetectDialog, FindsTheOrganizerOnAPort) {
  ScaledClock clock(40);
  DetectPorts ports(clock, 3, 1);
  DetectSettings settings;
  settings.port_factory = ports.Factory();
  AutoDetectDialog dialog(settings, nullptr, &clock);
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Auto Detect");
  EXPECT_TRUE(dialog.status_line1()->text().isEmpty());
  std::vector<MessageBoxText> boxes;
  std::vector<std::string> seen_status;
  std::vector<std::string> button_texts;
  dialog.set_message_shower([&](QWidget*, const MessageBoxText& box) {
    boxes.push_back(box);
    seen_status.push_back(dialog.status_line1()->text().toStdString() + " | " +
                          dialog.status_line2()->text().toStdString());
  });
  QTimer::singleShot(0, &dialog, [&] {
    dialog.proceed_button()->click();
    button_texts.push_back(dialog.cancel_button()->text().toStdString());
    button_texts.push_back(dialog.proceed_button()->isEnabled() ? "enabled" : "disabled");
  });
  EXPECT_EQ(dialog.exec(), 3);
  EXPECT_EQ(button_texts, (std::vector<std::string>{"&Abort", "disabled"}));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (MessageBoxText{"Organizer is detected on COM3.", "Auto Detect",
                                      MessageIcon::kInformation}));
  EXPECT_EQ(seen_status[0], "Auto Detect in progress... | Checking COM3");
}

TEST(AutoDetectDialog, NothingFoundShowsTheFailureBoxAndGivesMinusOne) {
  ScaledClock clock(100);
  DetectPorts ports(clock, 0, 2);
  DetectSettings settings;
  settings.port_factory = ports.Factory();
  AutoDetectDialog dialog(settings, nullptr, &clock);
  std::vector<MessageBoxText> boxes;
  dialog.set_message_shower([&](QWidget*, const MessageBoxText& box) { boxes.push_back(box); });
  QTimer::singleShot(0, dialog.proceed_button(), &QPushButton::click);
  EXPECT_EQ(dialog.exec(), -1);
  ASSERT_EQ(boxes.size(), 1u);
  // The failure names the ports it tried.
  EXPECT_EQ(boxes[0].text.substr(0, kAutoDetectFailedText.size()), kAutoDetectFailedText);
  EXPECT_NE(boxes[0].text.find("\n\nTried:\nCOM1 (/dev/ttyS0)\nCOM2 (/dev/ttyS1)"),
            std::string_view::npos)
      << boxes[0].text;
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(dialog.cancel_button()->text().toStdString(), "&Cancel");
  EXPECT_TRUE(dialog.proceed_button()->isEnabled());
  EXPECT_TRUE(dialog.status_line1()->text().isEmpty());
  EXPECT_TRUE(dialog.status_line2()->text().isEmpty());
}

TEST(AutoDetectDialog, EscWhileDetectingAbortsAndCancelWhileIdleCloses) {
  ScaledClock clock(10);
  DetectPorts ports(clock, 0, 0);
  DetectSettings settings;
  settings.port_factory = ports.Factory();
  AutoDetectDialog dialog(settings, nullptr, &clock);
  std::vector<MessageBoxText> boxes;
  bool stayed_open = false;
  dialog.set_message_shower([&](QWidget*, const MessageBoxText& box) { boxes.push_back(box); });
  QTimer::singleShot(0, &dialog, [&] {
    dialog.proceed_button()->click();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    stayed_open = dialog.isVisible() && dialog.detecting();
  });
  EXPECT_EQ(dialog.exec(), -1);
  EXPECT_TRUE(stayed_open);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");

  AutoDetectDialog idle(settings, nullptr, &clock);
  EXPECT_EQ(ExecPressing(idle, idle.cancel_button()), -1);
}

}  // namespace
}  // namespace kivo
