// The Memo, Expense and Telephone dialogs.

#include <algorithm>
#include <array>

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QSpacerItem>

#include "format/amount_format.h"
#include "format/date_format.h"
#include "format/today.h"
#include "store/amount.h"
#include "store/record_codec.h"
#include "ui/date_field.h"
#include "ui/edit_dialog_kinds.h"
#include "ui/pc_text.h"
#include "ui/text_fields.h"
#include "ui/toggle_button.h"

namespace kivo {

namespace {

void AddLabelled(QGridLayout* grid, int row, int column, const char* text, QWidget* field) {
  auto* label = new QLabel(QString::fromLatin1(text));
  label->setBuddy(field);
  grid->addWidget(label, row, column, Qt::AlignLeft | Qt::AlignVCenter);
  grid->addWidget(field, row, column + 1, Qt::AlignLeft | Qt::AlignVCenter);
}

// A field of several lines over rows (and columns): its label keeps to the
// top, level with the first line.
void AddLabelledBlock(QGridLayout* grid, int row, int column, const char* text, QWidget* field,
                      int line_height, int rows, int columns) {
  auto* label = new QLabel(QString::fromLatin1(text));
  label->setBuddy(field);
  label->setFixedHeight(line_height);
  grid->addWidget(label, row, column, Qt::AlignLeft | Qt::AlignTop);
  grid->addWidget(field, row, column + 1, rows, columns, Qt::AlignTop);
}

// ---- Memo -------------------------------------------------------------------

class MemoDialog final : public EditDialog {
 public:
  MemoDialog(QWidget* parent, const std::vector<uint8_t>* record, uint8_t flags,
             const EditContext& context)
      : EditDialog(kMemo, flags, parent), allowed_(context.allowed) {
    setWindowTitle(QStringLiteral("Memo"));
    Setup(record);
  }

  // An empty memo can be saved too.
  bool IsValid() const override { return true; }

 protected:
  void BuildFields(QGridLayout* grid) override {
    memo_ = new ThreeLineTextEdit(allowed_, this);
    memo_->setObjectName(QStringLiteral("memo"));
    AddLabelled(grid, 0, 0, "Memo", memo_);
  }
  void FillDefaults() override { memo_->clear(); }
  void FillFromRecord(const std::vector<uint8_t>& record) override {
    MemoRecord memo;
    if (DecodeMemoRecord(record, &memo) != 0) return FillDefaults();
    memo_->setPlainText(FromPcText(memo.text));
  }
  std::vector<uint8_t> BuildRecord() const override {
    return EncodeMemoRecord({memo_->RecordText()});
  }

 private:
  AllowedTable allowed_;
  ThreeLineTextEdit* memo_ = nullptr;
};

// ---- Expense ----------------------------------------------------------------

constexpr std::array<const char*, 4> kPayments{"Cash", "Check", "Card", "Others"};

class ExpenseDialog final : public EditDialog {
 public:
  ExpenseDialog(QWidget* parent, const std::vector<uint8_t>* record, uint8_t flags,
                const EditContext& context)
      : EditDialog(kExpense, flags, parent),
        allowed_(context.allowed),
        today_(context.today),
        names_(context.category_names) {
    const CategoryNames defaults = DefaultCategoryNames();
    for (size_t i = names_.size(); i < defaults.names.size(); ++i) {
      names_.push_back(defaults.names[i]);
    }
    names_.resize(kCategoryCount);
    setWindowTitle(QStringLiteral("Expense"));
    Setup(record);
  }

  bool IsValid() const override { return date_->IsValid(); }

 protected:
  void BuildFields(QGridLayout* grid) override {
    date_ = new DateField(display_date(), true, this);
    date_->setObjectName(QStringLiteral("date"));
    category_ = new QComboBox(this);
    category_->setObjectName(QStringLiteral("category"));
    for (const std::string& name : names_) category_->addItem(FromPcText(name));
    amount_ = new AmountEdit(this);
    amount_->setObjectName(QStringLiteral("amount"));
    amount_->setFont(FieldFont());
    amount_->setMinimumWidth(QFontMetrics(amount_->font()).horizontalAdvance(QString(16, '0')));
    payment_ = new QComboBox(this);
    payment_->setObjectName(QStringLiteral("payment"));
    for (const char* payment : kPayments) payment_->addItem(QString::fromLatin1(payment));
    receipt_ = new ToggleButton(QStringLiteral("receipt"), QStringLiteral("Receipt"), this);
    receipt_->setObjectName(QStringLiteral("receipt"));
    memo_ = new ThreeLineTextEdit(allowed_, this);
    memo_->setObjectName(QStringLiteral("memo"));
    AddLabelled(grid, 0, 0, "Date", date_);
    AddLabelled(grid, 1, 0, "Category", category_);
    AddLabelled(grid, 2, 0, "Amount", amount_);
    AddLabelled(grid, 3, 0, "Payment", payment_);
    AddLabelled(grid, 4, 0, "Receipt", receipt_);
    AddLabelled(grid, 5, 0, "Memo", memo_);
    connect(receipt_, &ToggleButton::toggled, this, [this] { UpdateEnabling(); });
  }

  void FillDefaults() override {
    date_->SetDate(today_());
    category_->setCurrentIndex(0);
    payment_->setCurrentIndex(0);
    receipt_->SetOn(false);
    amount_->clear();
    memo_->clear();
  }

  void FillFromRecord(const std::vector<uint8_t>& record) override {
    if (DecodeExpenseRecord(record, &original_) != 0) {
      original_ = {};
      FillDefaults();
      return;
    }
    has_original_ = true;
    date_->SetDate(DateFromBcd(std::span<const uint8_t, 4>(original_.date.bytes)));
    category_->setCurrentIndex(original_.category_index());
    payment_->setCurrentIndex(original_.payment_kind());
    receipt_->SetOn(original_.receipt());
    shown_amount_ = QString::fromStdString(FormatAmount(DecodeAmount(original_)));
    amount_->setText(shown_amount_);
    memo_->setPlainText(FromPcText(original_.memo));
  }

  std::vector<uint8_t> BuildRecord() const override {
    ExpenseRecord out = original_;
    const DateValue date = date_->date();
    out.date = BcdDate::FromYmd(date.year, date.month, date.day);
    // Bits 2 and 3 carry no field and stay.
    out.flags =
        static_cast<uint8_t>((original_.flags & 0x0C) |
                             ExpenseRecord::MakeFlags(receipt_->on(), category_->currentIndex(),
                                                      payment_->currentIndex()));
    // The field shows the magnitude only: an amount left as shown keeps its
    // bytes, sign included.
    if (!has_original_ || amount_->text() != shown_amount_) {
      const double value = amount_->text().isEmpty() ? 0.0 : amount_->text().toDouble();
      EncodeAmount(&out, value);
    }
    out.memo = memo_->RecordText();
    return EncodeExpenseRecord(out);
  }

 private:
  AllowedTable allowed_;
  TodaySource today_;
  std::vector<std::string> names_;
  ExpenseRecord original_;
  bool has_original_ = false;
  QString shown_amount_;
  DateField* date_ = nullptr;
  QComboBox* category_ = nullptr;
  AmountEdit* amount_ = nullptr;
  QComboBox* payment_ = nullptr;
  ToggleButton* receipt_ = nullptr;
  ThreeLineTextEdit* memo_ = nullptr;
};

// ---- Telephone --------------------------------------------------------------

constexpr std::array<const char*, kTelephoneTextCount> kTelephoneLabels{
    "Last name", "First name", "Company", "Home#",    "Office#", "Fax#",   "Other#",
    "Address",   "City",       "State",   "Zip Code", "Country", "E-mail", "Notes"};
constexpr std::array<const char*, 3> kTelephoneCategories{"Personal", "Business", "Others"};

class TelephoneDialog final : public EditDialog {
 public:
  TelephoneDialog(QWidget* parent, const std::vector<uint8_t>* record, uint8_t flags,
                  const EditContext& context)
      : EditDialog(kTelephone, flags, parent), allowed_(context.allowed) {
    setWindowTitle(QStringLiteral("Telephone"));
    Setup(record);
  }

  // A name (last, first or company) and a way to reach it (a number or the
  // address).
  bool IsValid() const override {
    auto filled = [this](int field) { return !Text(field).isEmpty(); };
    const bool named = filled(kLastName) || filled(kFirstName) || filled(kCompany);
    const bool reachable = filled(kHomeNumber) || filled(kOfficeNumber) || filled(kFaxNumber) ||
                           filled(kOtherNumber) || filled(kAddress);
    return named && reachable;
  }

 protected:
  void BuildFields(QGridLayout* grid) override {
    category_ = new QComboBox(this);
    category_->setObjectName(QStringLiteral("telCategory"));
    for (const char* name : kTelephoneCategories) category_->addItem(QString::fromLatin1(name));
    AddLabelled(grid, 0, 0, "Category", category_);
    const QFont font = FieldFont();
    const QFontMetrics metrics(font);
    // Two columns of fields, names and numbers on the left, the address on
    // the right, each field showing up to kShownChars characters (the rest
    // scrolls), so the dialog stays narrow enough for a small screen. The
    // address wraps over two rows' height, the notes over the width below.
    constexpr int kShownChars = 26;
    constexpr int kLeftCount = 7;
    constexpr int kRightColumn = 3;
    constexpr int kNotesRow = kLeftCount + 1;
    grid->addItem(new QSpacerItem(12, 0), 1, kRightColumn - 1);
    FilteredLineEdit sample(allowed_, 1);
    sample.setFont(font);
    const int line_height = sample.sizeHint().height();
    for (int i = 0; i < kTelephoneTextCount; ++i) {
      const size_t at = static_cast<size_t>(i);
      const int capacity = static_cast<int>(kTelephoneCapacity[at]);
      const int width =
          metrics.horizontalAdvance(QString(std::min(capacity, kShownChars), QLatin1Char('M')));
      QWidget* field = nullptr;
      if (IsMultiLine(i)) {
        // The address and the notes wrap over three lines; their 96
        // characters and the character table hold as in the memo field.
        auto* block = new ThreeLineTextEdit(allowed_, this);
        if (i == kAddress) block->setFixedWidth(width + 12);
        connect(block, &QPlainTextEdit::textChanged, this, [this] { UpdateEnabling(); });
        blocks_[at] = block;
        field = block;
      } else {
        auto* line = new FilteredLineEdit(allowed_, capacity, this);
        line->setFont(font);
        line->setFixedWidth(width + 12);
        connect(line, &QLineEdit::textChanged, this, [this] { UpdateEnabling(); });
        lines_[at] = line;
        field = line;
      }
      field->setObjectName(QStringLiteral("tel%1").arg(i));
      const char* label = kTelephoneLabels[at];
      if (i < kLeftCount) {
        AddLabelled(grid, i + 1, 0, label, field);
      } else if (i == kAddress) {
        AddLabelledBlock(grid, 1, kRightColumn, label, field, line_height, 2, 1);
      } else if (i == kNotes) {
        AddLabelledBlock(grid, kNotesRow, 0, label, field, line_height, 1, kRightColumn + 1);
      } else {
        AddLabelled(grid, i + 2 - kLeftCount, kRightColumn, label, field);
      }
    }
  }

  void FillDefaults() override {
    // Clear gives Personal; a new record the category of the flags.
    int category = 0;
    if (!cleared_once_ && (flags() & kEditFlagNew)) {
      if (flags() & kEditFlagTelBusiness) category = 1;
      if (flags() & kEditFlagTelOthers) category = 2;
    }
    cleared_once_ = true;
    category_->setCurrentIndex(category);
    for (int i = 0; i < kTelephoneTextCount; ++i) SetText(i, QString());
  }

  void FillFromRecord(const std::vector<uint8_t>& record) override {
    cleared_once_ = true;
    TelephoneRecord telephone;
    if (DecodeTelephoneRecord(record, &telephone) != 0) return FillDefaults();
    category_->setCurrentIndex(telephone.category <= 1 ? telephone.category : 2);
    for (int i = 0; i < kTelephoneTextCount; ++i) {
      SetText(i, FromPcText(telephone.texts[static_cast<size_t>(i)]));
    }
  }

  std::vector<uint8_t> BuildRecord() const override {
    TelephoneRecord out;
    out.category = static_cast<uint8_t>(category_->currentIndex());
    for (int i = 0; i < kTelephoneTextCount; ++i) {
      const size_t at = static_cast<size_t>(i);
      out.texts[at] = FieldRecordText(Text(i), kTelephoneCapacity[at]);
    }
    return EncodeTelephoneRecord(out);
  }

 private:
  static bool IsMultiLine(int field) { return field == kAddress || field == kNotes; }
  QString Text(int field) const {
    const size_t at = static_cast<size_t>(field);
    return blocks_[at] != nullptr ? blocks_[at]->toPlainText() : lines_[at]->text();
  }
  void SetText(int field, const QString& text) {
    const size_t at = static_cast<size_t>(field);
    if (blocks_[at] != nullptr) {
      blocks_[at]->setPlainText(text);
    } else {
      lines_[at]->setText(text);
    }
  }

  AllowedTable allowed_;
  bool cleared_once_ = false;
  QComboBox* category_ = nullptr;
  // One of the two per field: a line, or a block for the address and notes.
  std::array<FilteredLineEdit*, kTelephoneTextCount> lines_{};
  std::array<ThreeLineTextEdit*, kTelephoneTextCount> blocks_{};
};

}  // namespace

std::unique_ptr<EditDialog> MakeMemoDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                           uint8_t flags, const EditContext& context) {
  return std::make_unique<MemoDialog>(parent, record, flags, context);
}

std::unique_ptr<EditDialog> MakeExpenseDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                              uint8_t flags, const EditContext& context) {
  return std::make_unique<ExpenseDialog>(parent, record, flags, context);
}

std::unique_ptr<EditDialog> MakeTelephoneDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                                uint8_t flags, const EditContext& context) {
  return std::make_unique<TelephoneDialog>(parent, record, flags, context);
}

}  // namespace kivo
