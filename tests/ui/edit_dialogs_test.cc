// The record edit dialogs: results, enabling, validity, the records they
// build, the bytes they keep and the filtering of typed and pasted text.

#include "ui/edit_dialogs.h"

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "sample_data.h"
#include "store/amount.h"
#include "store/record_codec.h"
#include "ui/date_field.h"
#include "ui/numeric_field.h"
#include "ui/text_fields.h"
#include "ui/toggle_button.h"

namespace kivo {
namespace {

AllowedTable AllAllowed() {
  AllowedTable table;
  table.fill(1);
  return table;
}

EditContext Context(AllowedTable allowed = AllAllowed()) {
  EditContext context;
  context.allowed = allowed;
  context.category_names = {"Meals", "Hotel", "Car", "Phone", "Fares", "Enter't", "Tips", "Misc"};
  return context;
}

// The context of a dialog opened on the given day.
EditContext On(DateValue today) {
  EditContext context = Context();
  context.today = [today] { return today; };
  return context;
}

template <typename T>
T* Field(EditDialog& dialog, const char* name) {
  T* field = dialog.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(field, nullptr) << name;
  return field;
}

std::unique_ptr<EditDialog> Open(AppliId id, const std::vector<uint8_t>* record, uint8_t flags,
                                 const EditContext& context = Context()) {
  auto dialog = CreateEditDialog(nullptr, id, record, flags, context);
  EXPECT_NE(dialog, nullptr);
  dialog->show();
  return dialog;
}

TEST(EditDialogs, CaptionsAndButtonsInOrder) {
  const std::pair<AppliId, const char*> captions[] = {
      {kSchedule, "Schedule"}, {kAnniversary, "Anniversary"}, {kToDo, "To Do"},
      {kMemo, "Memo"},         {kExpense, "Expense"},         {kTelephone, "Telephone"}};
  for (const auto& [id, caption] : captions) {
    auto dialog = Open(id, nullptr, kEditFlagNew);
    EXPECT_EQ(dialog->windowTitle().toStdString(), caption);
    const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
    std::vector<std::string> frame;
    for (QPushButton* b : buttons) {
      if (qobject_cast<ToggleButton*>(b) == nullptr) frame.push_back(b->text().toStdString());
    }
    EXPECT_EQ(frame, (std::vector<std::string>{"Save", "Save As New", "Clear", "Cancel"}))
        << caption;
  }
  EXPECT_EQ(CreateEditDialog(nullptr, kCategoryList, nullptr, 0, Context()), nullptr);
}

TEST(EditDialogs, SaveAsNewOnlyForAnExistingRecordBelowTheLimit) {
  struct Case {
    bool with_record;
    uint8_t flags;
    bool save;
    bool save_as_new;
  };
  const Case cases[] = {
      {false, kEditFlagNew, true, false},
      {true, 0, true, true},
      {true, kEditFlagFull, true, false},
  };
  for (AppliId id : {kSchedule, kAnniversary, kToDo, kMemo, kExpense, kTelephone}) {
    const std::vector<uint8_t> record = test::ExampleRecord(id);
    for (const Case& c : cases) {
      auto dialog = Open(id, c.with_record ? &record : nullptr, c.flags);
      // A new Telephone record is empty and so not yet valid.
      const bool valid = id != kTelephone || c.with_record;
      EXPECT_EQ(dialog->save_button()->isEnabled(), c.save && valid) << int(id);
      EXPECT_EQ(dialog->save_as_new_button()->isEnabled(), c.save_as_new && valid) << int(id);
    }
  }
}

TEST(EditDialogs, FlagsFromTheMainWindow) {
  EXPECT_EQ(EditDialogFlags(kSchedule, true, 920, 1, 1, 3),
            kEditFlagNew | kEditFlagDateDmy | kEditFlagHour24);
  EXPECT_EQ(EditDialogFlags(kToDo, false, 920, 2, 1, 3), kEditFlagFull | kEditFlagDateYmd);
  EXPECT_EQ(EditDialogFlags(kExpense, false, 919, 7, 0, 3), 0);
  EXPECT_EQ(EditDialogFlags(kTelephone, true, 0, 1, 1, 3), kEditFlagNew);
  EXPECT_EQ(EditDialogFlags(kTelephone, true, 0, 0, 0, 0), kEditFlagNew);
  EXPECT_EQ(EditDialogFlags(kTelephone, true, 0, 0, 0, 1), kEditFlagNew | kEditFlagTelBusiness);
  EXPECT_EQ(EditDialogFlags(kTelephone, false, 5, 0, 0, 2), kEditFlagTelOthers);
}

TEST(EditDialogs, ResultsOfTheButtonsAndEsc) {
  const std::vector<uint8_t> record = test::ExampleRecord(kMemo);
  {
    auto dialog = Open(kMemo, &record, 0);
    dialog->save_button()->click();
    EXPECT_EQ(dialog->result(), kEditSave);
    EXPECT_EQ(dialog->record(), record);
  }
  {
    auto dialog = Open(kMemo, &record, 0);
    dialog->save_as_new_button()->click();
    EXPECT_EQ(dialog->result(), kEditSaveAsNew);
  }
  {
    auto dialog = Open(kMemo, &record, 0);
    dialog->cancel_button()->click();
    EXPECT_EQ(dialog->result(), kEditCancel);
    EXPECT_TRUE(dialog->record().empty());
  }
  {
    auto dialog = Open(kMemo, &record, 0);
    QTest::keyClick(Field<ThreeLineTextEdit>(*dialog, "memo"), Qt::Key_Escape);
    EXPECT_EQ(dialog->result(), kEditCancel);
    EXPECT_FALSE(dialog->isVisible());
  }
}

TEST(EditDialogs, EnterPressesOnlyTheFocusedButton) {
  const std::vector<uint8_t> record = test::ExampleRecord(kTelephone);
  auto dialog = Open(kTelephone, &record, 0);
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  QLineEdit* last_name = Field<QLineEdit>(*dialog, "tel0");
  last_name->setFocus();
  QTest::keyClick(last_name, Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  dialog->clear_button()->setFocus();
  QTest::keyClick(dialog->clear_button(), Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(last_name->text().isEmpty());  // Clear was pressed
  dialog->cancel_button()->setFocus();
  QTest::keyClick(dialog->cancel_button(), Qt::Key_Return);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), kEditCancel);
}

TEST(EditDialogs, TelephoneFormFitsTwoColumnsIntoASmallScreen) {
  auto dialog = Open(kTelephone, nullptr, kEditFlagNew);
  EXPECT_LE(dialog->width(), 640);
  // Names and numbers on the left, the address of two rows' height beside
  // them, the notes across the bottom.
  const QWidget* notes = Field<QWidget>(*dialog, "tel13");
  for (int left = 0; left < 7; ++left) {
    const std::string a_name = "tel" + std::to_string(left);
    const std::string b_name = "tel" + std::to_string(left + 7);
    QWidget* a = Field<QWidget>(*dialog, a_name.c_str());
    QWidget* b = Field<QWidget>(*dialog, b_name.c_str());
    EXPECT_TRUE(left > 0 || std::abs(a->y() - b->y()) <= 2);
    EXPECT_TRUE(left == 6 || b->x() >= a->geometry().right()) << left;
    EXPECT_LE(b->geometry().right(), dialog->width()) << left;
    EXPECT_GT(notes->y(), a->geometry().bottom()) << left;
  }
}

TEST(EditDialogs, TelephoneNeedsANameAndAWayToReachIt) {
  auto dialog = Open(kTelephone, nullptr, kEditFlagNew);
  struct Step {
    int field;
    const char* text;
    bool valid;
  };
  const Step steps[] = {
      {kLastName, "Smith", false},       // a name alone
      {kEmail, "s@example.org", false},  // an e-mail address does not help
      {kFaxNumber, "555-0199", true},    // a fax number does
      {kLastName, "", false},            // no name left
      {kCompany, "Acme", true},         {kFaxNumber, "", false}, {kAddress, "1 Main St", true},
  };
  for (const Step& step : steps) {
    const std::string name = "tel" + std::to_string(step.field);
    QWidget* field = Field<QWidget>(*dialog, name.c_str());
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
      line->selectAll();
    } else {
      static_cast<QPlainTextEdit*>(field)->selectAll();  // the address
    }
    if (*step.text == '\0') {
      QTest::keyClick(field, Qt::Key_Delete);
    } else {
      QTest::keyClicks(field, QString::fromLatin1(step.text));
    }
    EXPECT_EQ(dialog->save_button()->isEnabled(), step.valid) << name << " " << step.text;
    EXPECT_FALSE(dialog->save_as_new_button()->isEnabled());
  }
}

TEST(EditDialogs, TelephoneCategoryOfANewRecordAndAfterClear) {
  for (auto [flags, category] : {std::pair{uint8_t{kEditFlagNew}, 0},
                                 std::pair{uint8_t(kEditFlagNew | kEditFlagTelBusiness), 1},
                                 std::pair{uint8_t(kEditFlagNew | kEditFlagTelOthers), 2}}) {
    auto dialog = Open(kTelephone, nullptr, flags);
    QComboBox* box = Field<QComboBox>(*dialog, "telCategory");
    EXPECT_EQ(box->currentIndex(), category);
    dialog->Clear();
    EXPECT_EQ(box->currentIndex(), 0);
  }
  TelephoneRecord odd;
  odd.category = 7;  // anything but 0 and 1 shows as Others
  odd.texts[kCompany] = "Acme";
  odd.texts[kAddress] = "Road";
  const std::vector<uint8_t> record = EncodeTelephoneRecord(odd);
  auto dialog = Open(kTelephone, &record, 0);
  EXPECT_EQ(Field<QComboBox>(*dialog, "telCategory")->currentIndex(), 2);
  dialog->save_button()->click();
  TelephoneRecord saved;
  ASSERT_EQ(DecodeTelephoneRecord(dialog->record(), &saved), 0);
  EXPECT_EQ(saved.category, 2);
  EXPECT_EQ(saved.texts[kCompany], "Acme");
}

TEST(EditDialogs, ScheduleAlarmOffSavesReminderZero) {
  ScheduleRecord r;
  r.date = BcdDate::FromYmd(2002, 3, 4);
  r.reminder = 0x15;  // left from an earlier alarm
  const std::vector<uint8_t> record = EncodeScheduleRecord(r);
  auto dialog = Open(kSchedule, &record, 0);
  NumericField* reminder = Field<NumericField>(*dialog, "reminder");
  EXPECT_FALSE(reminder->isEnabled());
  EXPECT_EQ(reminder->findChild<QLineEdit*>()->text().toStdString(), "0");
  dialog->save_button()->click();
  ASSERT_EQ(dialog->result(), kEditSave);
  EXPECT_EQ(dialog->record()[11], 0);
  EXPECT_EQ(dialog->record()[13], 0);
}

TEST(EditDialogs, ScheduleAlarmOnEnablesTheReminder) {
  auto dialog = Open(kSchedule, nullptr, kEditFlagNew | kEditFlagHour24, On({2003, 7, 14}));
  EXPECT_EQ(Field<DateField>(*dialog, "date")->date(), (DateValue{2003, 7, 14}));
  ToggleButton* alarm = Field<ToggleButton>(*dialog, "alarm");
  NumericField* reminder = Field<NumericField>(*dialog, "reminder");
  alarm->click();
  EXPECT_TRUE(reminder->isEnabled());
  for (char digit : {'1', '5'}) QTest::keyClick(reminder, digit);
  QTest::keyClicks(Field<ThreeLineTextEdit>(*dialog, "description"), QStringLiteral("Call"));
  dialog->save_button()->click();
  ScheduleRecord saved;
  ASSERT_EQ(DecodeScheduleRecord(dialog->record(), &saved), 0);
  EXPECT_EQ(saved.reminder, 0x15);
  EXPECT_EQ(saved.flags, ScheduleRecord::kAlarmOn);
  EXPECT_EQ(saved.date, BcdDate::FromYmd(2003, 7, 14));
  EXPECT_EQ(saved.description, "Call");
  EXPECT_EQ(saved.start_time.minute(), 0);
}

// The bytes that no field carries come back as the record had them.
TEST(EditDialogs, EditedRecordsKeepTheBytesNoFieldCarries) {
  {
    ScheduleRecord r;
    r.date = BcdDate::FromYmd(2002, 3, 4);
    r.reserved = {1, 2, 3};
    r.reserved2 = 9;
    r.flags = ScheduleRecord::kAlarmOn | 0x01;
    r.reminder = 0x10;
    const std::vector<uint8_t> record = EncodeScheduleRecord(r);
    auto dialog = Open(kSchedule, &record, 0);
    dialog->save_button()->click();
    EXPECT_EQ(dialog->record(), record);
  }
  {
    AnniversaryRecord r;
    r.date = BcdDate::FromYmd(1961, 2, 28);
    r.reserved = {1, 2, 3, 4, 5, 6, 7, 8};
    r.reserved2 = 0x42;
    r.reminder = 3;
    const std::vector<uint8_t> record = EncodeAnniversaryRecord(r);
    auto dialog = Open(kAnniversary, &record, 0);
    DateField* date = Field<DateField>(*dialog, "date");
    date->SelectSegment(1);
    QTest::keyClick(date, Qt::Key_Up);  // 28 -> 29 February
    dialog->save_button()->click();
    AnniversaryRecord saved;
    ASSERT_EQ(DecodeAnniversaryRecord(dialog->record(), &saved), 0);
    EXPECT_EQ(saved.date, BcdDate::FromYmd(1961, 2, 29));  // its own year stays
    EXPECT_EQ(saved.reserved, r.reserved);
    EXPECT_EQ(saved.reserved2, 0x42);
  }
  {
    ExpenseRecord r;
    r.date = BcdDate::FromYmd(2002, 6, 1);
    r.flags = ExpenseRecord::MakeFlags(true, 7, 2) | 0x04;
    EncodeAmount(&r, -3);
    r.reserved.fill(0xAB);
    const std::vector<uint8_t> record = EncodeExpenseRecord(r);
    auto dialog = Open(kExpense, &record, 0);
    EXPECT_EQ(Field<QLineEdit>(*dialog, "amount")->text().toStdString(), "3.");
    dialog->save_button()->click();
    EXPECT_EQ(dialog->record(), record);  // the sign of the amount too
  }
  {
    ToDoRecord r;
    r.state = 0x82 | 0x30;
    r.due_date = BcdDate::FromYmd(2002, 1, 5);
    const std::vector<uint8_t> record = EncodeToDoRecord(r);
    auto dialog = Open(kToDo, &record, 0);
    EXPECT_EQ(Field<NumericField>(*dialog, "priority")->value(), 3);
    Field<ToggleButton>(*dialog, "done")->click();
    dialog->save_button()->click();
    EXPECT_EQ(dialog->record()[0], 0x02 | 0x30);
  }
}

TEST(EditDialogs, ADamagedPriorityBlocksSavingUntilCorrected) {
  ToDoRecord r;
  r.state = 0x0F;  // priority 16
  r.due_date = BcdDate::FromYmd(2002, 1, 5);
  const std::vector<uint8_t> record = EncodeToDoRecord(r);
  auto dialog = Open(kToDo, &record, 0);
  EXPECT_FALSE(dialog->save_button()->isEnabled());
  EXPECT_FALSE(dialog->save_as_new_button()->isEnabled());
  Field<NumericField>(*dialog, "priority")->Commit();  // what leaving the field does
  EXPECT_TRUE(dialog->save_button()->isEnabled());
  dialog->save_button()->click();
  EXPECT_EQ(dialog->record()[0], 0x08);  // priority 9
}

TEST(EditDialogs, NewAnniversaryCarriesTheCurrentYear) {
  auto dialog = Open(kAnniversary, nullptr, kEditFlagNew, On({2007, 5, 6}));
  dialog->save_button()->click();
  AnniversaryRecord saved;
  ASSERT_EQ(DecodeAnniversaryRecord(dialog->record(), &saved), 0);
  EXPECT_EQ(saved.date, BcdDate::FromYmd(2007, 5, 6));
}

TEST(EditDialogs, ExpenseFieldsMakeTheFlagsAndTheAmount) {
  auto dialog = Open(kExpense, nullptr, kEditFlagNew | kEditFlagDateYmd, On({2004, 2, 29}));
  EXPECT_EQ(Field<QComboBox>(*dialog, "category")->itemText(5).toStdString(), "Enter't");
  Field<QComboBox>(*dialog, "category")->setCurrentIndex(7);
  Field<QComboBox>(*dialog, "payment")->setCurrentIndex(2);
  Field<ToggleButton>(*dialog, "receipt")->click();
  QTest::keyClicks(Field<QLineEdit>(*dialog, "amount"), QStringLiteral("12a.5"));
  EXPECT_EQ(Field<QLineEdit>(*dialog, "amount")->text().toStdString(), "12.5");
  dialog->save_button()->click();
  ExpenseRecord saved;
  ASSERT_EQ(DecodeExpenseRecord(dialog->record(), &saved), 0);
  EXPECT_EQ(saved.flags, 0xF2);
  EXPECT_EQ(saved.amount, (std::array<uint8_t, 8>{0, 0, 0, 0, 0x50, 0x12, 0, 0x32}));
  EXPECT_EQ(saved.date, BcdDate::FromYmd(2004, 2, 29));
}

TEST(EditDialogs, ClearPutsBackTheDefaultsAndKeepsEditingTheRecord) {
  const std::vector<uint8_t> record = test::ExampleRecord(kToDo);
  auto dialog = Open(kToDo, &record, 0, On({2005, 1, 2}));
  dialog->clear_button()->click();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(Field<DateField>(*dialog, "date")->date(), (DateValue{2005, 1, 2}));
  EXPECT_EQ(Field<NumericField>(*dialog, "priority")->value(), 1);
  EXPECT_TRUE(Field<ThreeLineTextEdit>(*dialog, "description")->toPlainText().isEmpty());
  EXPECT_TRUE(dialog->save_as_new_button()->isEnabled());
}

TEST(EditDialogs, ExpenseAmountWithATrailingPointAndEmpty) {
  const std::pair<const char*, double> amounts[] = {{"7.", 7.0}, {".25", 0.25}, {"", 0.0}};
  for (const auto& [typed, value] : amounts) {
    auto dialog = Open(kExpense, nullptr, kEditFlagNew);
    QTest::keyClicks(Field<QLineEdit>(*dialog, "amount"), QString::fromLatin1(typed));
    dialog->save_button()->click();
    ExpenseRecord saved;
    ASSERT_EQ(DecodeExpenseRecord(dialog->record(), &saved), 0);
    EXPECT_DOUBLE_EQ(DecodeAmount(saved), value) << typed;
  }
}

TEST(ToggleButton, ImagesTakeThePaletteAndArrowsAreIgnored) {
  QImage image(3, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgb(192, 192, 192));
  image.setPixel(1, 0, qRgb(128, 128, 128));
  image.setPixel(2, 0, qRgb(200, 30, 30));
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(10, 20, 30));
  palette.setColor(QPalette::ButtonText, QColor(40, 50, 60));
  const QImage out = RecolourForPalette(image, palette);
  EXPECT_EQ(out.pixel(0, 0), qRgb(10, 20, 30));
  EXPECT_EQ(out.pixel(1, 0), qRgb(40, 50, 60));
  EXPECT_EQ(out.pixel(2, 0), qRgb(200, 30, 30));

  auto dialog = Open(kToDo, nullptr, kEditFlagNew);
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  ToggleButton* done = Field<ToggleButton>(*dialog, "done");
  done->setFocus();
  for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
    QTest::keyClick(done, key);
    EXPECT_EQ(QApplication::focusWidget(), done);
  }
  QTest::keyClick(done, Qt::Key_Return);  // Enter presses no toggle
  EXPECT_FALSE(done->on());
  EXPECT_TRUE(dialog->isVisible());
  QTest::keyClick(done, Qt::Key_Space);
  EXPECT_TRUE(done->on());
}

struct AmountCase {
  const char* text;
  int caret;
  bool selection;
  char typed;
  bool accepted;
};

TEST(AmountEdit, TypingRules) {
  const AmountCase cases[] = {
      {"", 0, false, '5', true},
      {"", 0, false, '.', true},
      {"12.5", 4, false, '.', false},           // one point only
      {"123456789012", 12, false, '3', false},  // twelve digits
      {"123456789012", 12, true, '3', true},    // a selection is replaced
      {"123456789012", 5, false, '.', true},    // the first point, not at the start
      {"123456789012", 0, false, '.', false},   // at the start
      {"12345678901", 0, false, '.', true},     // ".12345678901": eleven digits
      {".12345678901", 12, false, '1', false},  // a leading point leaves eleven
      {"1234567890", 10, false, '1', true},
      {"12", 2, false, 'x', false},
      {"12", 2, false, '-', false},
  };
  for (const AmountCase& c : cases) {
    EXPECT_EQ(AmountEdit::Accepts(QString::fromLatin1(c.text), c.caret, c.selection, false,
                                  QLatin1Char(c.typed)),
              c.accepted)
        << c.text << " + " << c.typed;
  }
}

TEST(TextFields, TypedAndPastedTextIsFiltered) {
  AllowedTable no_comma = AllAllowed();
  no_comma[','] = 0;
  const std::vector<uint8_t> record = test::ExampleRecord(kTelephone);
  auto dialog = Open(kTelephone, &record, 0, Context(no_comma));
  QLineEdit* email = Field<QLineEdit>(*dialog, "tel12");  // E-mail
  email->clear();
  QTest::keyClicks(email, QStringLiteral("a,b"));
  EXPECT_EQ(email->text().toStdString(), "ab");
  QApplication::clipboard()->setText(QStringLiteral("x,y,z"));
  QTest::keySequence(email, QKeySequence::Paste);
  EXPECT_EQ(email->text().toStdString(), "abxyz");
  email->undo();  // the paste was one step
  EXPECT_EQ(email->text().toStdString(), "ab");

  auto memo_dialog = Open(kMemo, nullptr, kEditFlagNew, Context(no_comma));
  ThreeLineTextEdit* memo = Field<ThreeLineTextEdit>(*memo_dialog, "memo");
  QTest::keyClicks(memo, QStringLiteral("1,2"));
  EXPECT_EQ(memo->toPlainText().toStdString(), "12");
  QApplication::clipboard()->setText(QStringLiteral("3,4"));
  QTest::keySequence(memo, QKeySequence::Paste);
  EXPECT_EQ(memo->toPlainText().toStdString(), "1234");
  memo->undo();
  EXPECT_EQ(memo->toPlainText().toStdString(), "12");
}

TEST(TextFields, ComposedTextIsFiltered) {
  AllowedTable no_comma = AllAllowed();
  no_comma[','] = 0;
  const std::vector<uint8_t> record = test::ExampleRecord(kTelephone);
  auto dialog = Open(kTelephone, &record, 0, Context(no_comma));
  auto memo_dialog = Open(kMemo, nullptr, kEditFlagNew, Context(no_comma));
  Field<QLineEdit>(*dialog, "tel12")->clear();
  QWidget* fields[] = {Field<QLineEdit>(*dialog, "tel12"),
                       Field<ThreeLineTextEdit>(*memo_dialog, "memo")};
  for (QWidget* field : fields) {
    QInputMethodEvent event;
    event.setCommitString(QStringLiteral("d,e\u20AC"));  // the euro sign is 0x80
    QApplication::sendEvent(field, &event);
  }
  EXPECT_EQ(Field<QLineEdit>(*dialog, "tel12")->text(), QStringLiteral("de\u20AC"));
  EXPECT_EQ(Field<ThreeLineTextEdit>(*memo_dialog, "memo")->toPlainText(),
            QStringLiteral("de\u20AC"));
}

TEST(TextFields, ThreeLineFieldHoldsNinetySixCharacters) {
  auto dialog = Open(kMemo, nullptr, kEditFlagNew);
  ThreeLineTextEdit* memo = Field<ThreeLineTextEdit>(*dialog, "memo");
  QTest::keyClicks(memo, QString(100, QLatin1Char('m')));
  EXPECT_EQ(memo->toPlainText().size(), 96);
  memo->selectAll();
  QApplication::clipboard()->setText(QString(120, QLatin1Char('p')));
  QTest::keySequence(memo, QKeySequence::Paste);
  EXPECT_EQ(memo->toPlainText(), QString(96, QLatin1Char('p')));
  // Ctrl+A selects the whole text.
  memo->moveCursor(QTextCursor::Start);
  QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(memo->textCursor().selectedText().size(), 96);
  // 0xFF would end the record: it is saved as a blank.
  memo->setPlainText(
      QString::fromUtf8("a\xC3\xBF"
                        "b"));
  EXPECT_EQ(memo->RecordText(), "a b");
}

TEST(TextFields, ScrollBarOnlyBeyondThreeLines) {
  auto dialog = Open(kMemo, nullptr, kEditFlagNew);
  ThreeLineTextEdit* memo = Field<ThreeLineTextEdit>(*dialog, "memo");
  memo->setPlainText(QStringLiteral("one\ntwo\nthree"));
  QApplication::processEvents();
  EXPECT_FALSE(memo->verticalScrollBar()->isVisible());
  memo->setPlainText(QStringLiteral("one\ntwo\nthree\nfour"));
  QApplication::processEvents();
  EXPECT_TRUE(memo->verticalScrollBar()->isVisible());
}

}  // namespace
}  // namespace kivo
