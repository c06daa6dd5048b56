// The Schedule, To Do and Anniversary dialogs: a date, numbers, a toggle and
// a description.

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTime>

#include "format/date_format.h"
#include "format/today.h"
#include "store/record_codec.h"
#include "ui/date_field.h"
#include "ui/edit_dialog_kinds.h"
#include "ui/numeric_field.h"
#include "ui/pc_text.h"
#include "ui/text_fields.h"
#include "ui/time_field.h"
#include "ui/toggle_button.h"

namespace kivo {

namespace {

QLabel* AddLabel(QGridLayout* grid, int row, const char* text, QWidget* buddy) {
  auto* label = new QLabel(QString::fromLatin1(text));
  label->setBuddy(buddy);
  grid->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

// A field and, where it is narrow, room to its right.
void AddField(QGridLayout* grid, int row, const char* label, QWidget* field) {
  AddLabel(grid, row, label, field);
  grid->addWidget(field, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
}

DateValue DateOf(const BcdDate& date) {
  return DateFromBcd(std::span<const uint8_t, 4>(date.bytes));
}

// The year of a record built on `today`, brought into 1950..2150.
int CurrentYear(const DateValue& today) { return std::clamp(today.year, kMinYear, kMaxYear); }

// ---- Schedule ---------------------------------------------------------------

class ScheduleDialog final : public EditDialog {
 public:
  ScheduleDialog(QWidget* parent, const std::vector<uint8_t>* record, uint8_t flags,
                 const EditContext& context)
      : EditDialog(kSchedule, flags, parent), allowed_(context.allowed), today_(context.today) {
    setWindowTitle(QStringLiteral("Schedule"));
    Setup(record);
  }

  bool IsValid() const override { return date_->IsValid() && reminder_->IsValid(); }

 protected:
  void BuildFields(QGridLayout* grid) override {
    date_ = new DateField(display_date(), true, this);
    date_->setObjectName(QStringLiteral("date"));
    start_ = new TimeField(display_hour(), this);
    start_->setObjectName(QStringLiteral("startTime"));
    end_ = new TimeField(display_hour(), this);
    end_->setObjectName(QStringLiteral("endTime"));
    alarm_ = new ToggleButton(QStringLiteral("alarm"), QStringLiteral("Alarm"), this);
    alarm_->setObjectName(QStringLiteral("alarm"));
    reminder_ = new NumericField(NumericField::Kind::kReminderMinutes, this);
    reminder_->setObjectName(QStringLiteral("reminder"));
    description_ = new ThreeLineTextEdit(allowed_, this);
    description_->setObjectName(QStringLiteral("description"));

    AddField(grid, 0, "Date", date_);
    AddField(grid, 1, "Start Time", start_);
    AddField(grid, 2, "End Time", end_);
    AddField(grid, 3, "Alarm", alarm_);
    auto* reminder_row = new QHBoxLayout;
    reminder_row->addWidget(reminder_);
    reminder_row->addWidget(new QLabel(QStringLiteral("minutes before")));
    reminder_row->addStretch(1);
    AddLabel(grid, 4, "Reminder", reminder_);
    grid->addLayout(reminder_row, 4, 1);
    AddLabel(grid, 5, "Description", description_);
    grid->addWidget(description_, 5, 1);
    connect(alarm_, &ToggleButton::toggled, this, [this](bool on) {
      ShowAlarm(on);
      UpdateEnabling();
    });
  }

  void FillDefaults() override {
    date_->SetDate(today_());
    const int hour = QTime::currentTime().hour();
    start_->SetTime({hour, 0});
    end_->SetTime({hour, 0});
    alarm_->SetOn(false);
    reminder_->SetValue(0);
    ShowAlarm(false);
    description_->clear();
  }

  void FillFromRecord(const std::vector<uint8_t>& record) override {
    if (DecodeScheduleRecord(record, &original_) != 0) {
      original_ = {};
      FillDefaults();
      return;
    }
    date_->SetDate(DateOf(original_.date));
    start_->SetTime({original_.start_time.hour(), original_.start_time.minute()});
    end_->SetTime({original_.end_time.hour(), original_.end_time.minute()});
    alarm_->SetOn(original_.alarm_on());
    reminder_->SetValue(original_.reminder_minutes());
    ShowAlarm(original_.alarm_on());
    description_->setPlainText(FromPcText(original_.description));
  }

  std::vector<uint8_t> BuildRecord() const override {
    ScheduleRecord out = original_;
    const DateValue date = date_->date();
    out.date = BcdDate::FromYmd(date.year, date.month, date.day);
    const TimeValue start = start_->time();
    const TimeValue end = end_->time();
    out.start_time = BcdTime::FromHm(start.hour, start.minute);
    out.end_time = BcdTime::FromHm(end.hour, end.minute);
    const bool alarm = alarm_->on();
    out.reminder = alarm ? ToBcd(reminder_->value()) : 0;
    out.flags = static_cast<uint8_t>((original_.flags & ~ScheduleRecord::kAlarmOn) |
                                     (alarm ? ScheduleRecord::kAlarmOn : 0));
    out.description = description_->RecordText();
    return EncodeScheduleRecord(out);
  }

 private:
  // While the alarm is off the reminder is 0, disabled and reads "0".
  void ShowAlarm(bool on) {
    if (!on) reminder_->SetValue(0);
    reminder_->setEnabled(on);
  }

  AllowedTable allowed_;
  TodaySource today_;
  ScheduleRecord original_;
  DateField* date_ = nullptr;
  TimeField* start_ = nullptr;
  TimeField* end_ = nullptr;
  ToggleButton* alarm_ = nullptr;
  NumericField* reminder_ = nullptr;
  ThreeLineTextEdit* description_ = nullptr;
};

// ---- To Do ------------------------------------------------------------------

class ToDoDialog final : public EditDialog {
 public:
  ToDoDialog(QWidget* parent, const std::vector<uint8_t>* record, uint8_t flags,
             const EditContext& context)
      : EditDialog(kToDo, flags, parent), allowed_(context.allowed), today_(context.today) {
    setWindowTitle(QStringLiteral("To Do"));
    Setup(record);
  }

  bool IsValid() const override { return date_->IsValid() && priority_->IsValid(); }

 protected:
  void BuildFields(QGridLayout* grid) override {
    date_ = new DateField(display_date(), true, this);
    date_->setObjectName(QStringLiteral("date"));
    priority_ = new NumericField(NumericField::Kind::kPriority, this);
    priority_->setObjectName(QStringLiteral("priority"));
    done_ = new ToggleButton(QStringLiteral("check"), QStringLiteral("Check"), this);
    done_->setObjectName(QStringLiteral("done"));
    description_ = new ThreeLineTextEdit(allowed_, this);
    description_->setObjectName(QStringLiteral("description"));
    AddField(grid, 0, "Date", date_);
    AddField(grid, 1, "Priority", priority_);
    AddField(grid, 2, "Done", done_);
    AddLabel(grid, 3, "Description", description_);
    grid->addWidget(description_, 3, 1);
    connect(done_, &ToggleButton::toggled, this, [this] { UpdateEnabling(); });
  }

  void FillDefaults() override {
    date_->SetDate(today_());
    priority_->SetValue(1);
    done_->SetOn(false);
    description_->clear();
  }

  void FillFromRecord(const std::vector<uint8_t>& record) override {
    if (DecodeToDoRecord(record, &original_) != 0) {
      original_ = {};
      FillDefaults();
      return;
    }
    date_->SetDate(DateOf(original_.due_date));
    priority_->SetValue(original_.priority());
    done_->SetOn(original_.done());
    description_->setPlainText(FromPcText(original_.description));
  }

  std::vector<uint8_t> BuildRecord() const override {
    ToDoRecord out = original_;
    const DateValue date = date_->date();
    out.due_date = BcdDate::FromYmd(date.year, date.month, date.day);
    // Bits 4 to 6 carry no field: they stay as the record had them.
    out.state = static_cast<uint8_t>((original_.state & 0x70) |
                                     ToDoRecord::MakeState(done_->on(), priority_->value()));
    out.description = description_->RecordText();
    return EncodeToDoRecord(out);
  }

 private:
  AllowedTable allowed_;
  TodaySource today_;
  ToDoRecord original_;
  DateField* date_ = nullptr;
  NumericField* priority_ = nullptr;
  ToggleButton* done_ = nullptr;
  ThreeLineTextEdit* description_ = nullptr;
};

// ---- Anniversary ------------------------------------------------------------

class AnniversaryDialog final : public EditDialog {
 public:
  AnniversaryDialog(QWidget* parent, const std::vector<uint8_t>* record, uint8_t flags,
                    const EditContext& context)
      : EditDialog(kAnniversary, flags, parent), allowed_(context.allowed), today_(context.today) {
    setWindowTitle(QStringLiteral("Anniversary"));
    Setup(record);
  }

  bool IsValid() const override { return date_->IsValid() && reminder_->IsValid(); }

 protected:
  void BuildFields(QGridLayout* grid) override {
    date_ = new DateField(display_date(), false, this);
    date_->setObjectName(QStringLiteral("date"));
    reminder_ = new NumericField(NumericField::Kind::kReminderDays, this);
    reminder_->setObjectName(QStringLiteral("reminder"));
    description_ = new ThreeLineTextEdit(allowed_, this);
    description_->setObjectName(QStringLiteral("description"));
    AddField(grid, 0, "Date", date_);
    auto* reminder_row = new QHBoxLayout;
    reminder_row->addWidget(reminder_);
    reminder_row->addWidget(new QLabel(QStringLiteral("days before")));
    reminder_row->addStretch(1);
    AddLabel(grid, 1, "Reminder", reminder_);
    grid->addLayout(reminder_row, 1, 1);
    AddLabel(grid, 2, "Description", description_);
    grid->addWidget(description_, 2, 1);
  }

  void FillDefaults() override {
    date_->SetDate(today_());
    reminder_->SetValue(0);
    description_->clear();
  }

  void FillFromRecord(const std::vector<uint8_t>& record) override {
    if (DecodeAnniversaryRecord(record, &original_) != 0) {
      FillDefaults();
      return;
    }
    has_original_ = true;
    date_->SetDate(DateOf(original_.date));
    reminder_->SetValue(original_.reminder);
    description_->setPlainText(FromPcText(original_.description));
  }

  std::vector<uint8_t> BuildRecord() const override {
    AnniversaryRecord out = original_;
    const DateValue date = date_->date();
    // The dialog shows no year: an edited record keeps its own, a new one
    // gets the current year.
    const BcdDate built = BcdDate::FromYmd(CurrentYear(today_()), date.month, date.day);
    if (!has_original_) {
      out.date.bytes[0] = built.bytes[0];
      out.date.bytes[1] = built.bytes[1];
    }
    out.date.bytes[2] = built.bytes[2];
    out.date.bytes[3] = built.bytes[3];
    out.reminder = static_cast<uint8_t>(reminder_->value());
    out.description = description_->RecordText();
    return EncodeAnniversaryRecord(out);
  }

 private:
  AllowedTable allowed_;
  TodaySource today_;
  AnniversaryRecord original_;
  bool has_original_ = false;
  DateField* date_ = nullptr;
  NumericField* reminder_ = nullptr;
  ThreeLineTextEdit* description_ = nullptr;
};

}  // namespace

std::unique_ptr<EditDialog> MakeScheduleDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                               uint8_t flags, const EditContext& context) {
  return std::make_unique<ScheduleDialog>(parent, record, flags, context);
}

std::unique_ptr<EditDialog> MakeToDoDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                           uint8_t flags, const EditContext& context) {
  return std::make_unique<ToDoDialog>(parent, record, flags, context);
}

std::unique_ptr<EditDialog> MakeAnniversaryDialog(QWidget* parent,
                                                  const std::vector<uint8_t>* record, uint8_t flags,
                                                  const EditContext& context) {
  return std::make_unique<AnniversaryDialog>(parent, record, flags, context);
}

}  // namespace kivo
