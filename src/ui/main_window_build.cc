// The main window's menus and controls, placed where the organizer's own
// program placed them.

#include <QComboBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "ui/list_header_area.h"
#include "ui/main_window.h"
#include "ui/pc_text.h"
#include "view/appli_columns.h"

namespace kivo {
namespace {

const char* const kTabIcons[kTabCount] = {":/icons/schedule.svg",    ":/icons/todo.svg",
                                          ":/icons/anniversary.svg", ":/icons/telephone.svg",
                                          ":/icons/memo.svg",        ":/icons/expense.svg"};

QFont ListFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setPointSize(9);
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

QToolButton* ImageButton(QWidget* parent, const char* icon, const QSize& icon_size,
                         const QRect& geometry) {
  auto* button = new QToolButton(parent);
  button->setIcon(QIcon(QString::fromLatin1(icon)));
  button->setIconSize(icon_size);
  button->setGeometry(geometry);
  button->setFocusPolicy(Qt::StrongFocus);
  button->setAutoRaise(false);
  return button;
}

}  // namespace

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  connect(file->addAction(QStringLiteral("&Open...")), &QAction::triggered, this,
          &MainWindow::Open);
  connect(file->addAction(QStringLiteral("Save &As...")), &QAction::triggered, this,
          &MainWindow::SaveAs);
  file->addSeparator();
  connect(file->addAction(QStringLiteral("&Clear All")), &QAction::triggered, this,
          &MainWindow::ClearAll);
  file->addSeparator();
  connect(file->addAction(QStringLiteral("&Backup...")), &QAction::triggered, this,
          &MainWindow::Backup);
  connect(file->addAction(QStringLiteral("&Restore...")), &QAction::triggered, this,
          &MainWindow::Restore);
  file->addSeparator();
  connect(file->addAction(QStringLiteral("&Import...")), &QAction::triggered, this,
          &MainWindow::Import);
  connect(file->addAction(QStringLiteral("&Export...")), &QAction::triggered, this,
          &MainWindow::Export);
  file->addSeparator();
  connect(file->addAction(QStringLiteral("E&xit")), &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  new_entry_ = edit->addAction(QStringLiteral("&New Entry..."));
  edit_entry_ = edit->addAction(QStringLiteral("&Edit Entry..."));
  delete_entry_ = edit->addAction(QStringLiteral("&Delete Entry"));
  edit->addSeparator();
  find_ = edit->addAction(QStringLiteral("&Find..."));
  connect(edit_entry_, &QAction::triggered, this, &MainWindow::OnEditEntry);
  connect(delete_entry_, &QAction::triggered, this, &MainWindow::OnDeleteEntry);
  connect(find_, &QAction::triggered, this, &MainWindow::Find);
  connect(new_entry_, &QAction::triggered, this, &MainWindow::NewEntry);

  QMenu* option = menuBar()->addMenu(QStringLiteral("&Option"));
  connect(option->addAction(QStringLiteral("Organizer &Model...")), &QAction::triggered, this,
          &MainWindow::ChooseOrganizerModel);
  connect(option->addAction(QStringLiteral("&Display Formart...")), &QAction::triggered, this,
          &MainWindow::ChooseDisplayFormat);
  connect(option->addAction(QStringLiteral("&Expense Category...")), &QAction::triggered, this,
          &MainWindow::EditExpenseCategories);
  connect(option->addAction(QStringLiteral("&COM port...")), &QAction::triggered, this,
          &MainWindow::ChooseComPort);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  connect(help->addAction(QStringLiteral("&About...")), &QAction::triggered, this,
          &MainWindow::About);
}

void MainWindow::BuildControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);

  // The tab control fills the client area; the controls of the page lie on top
  // of it and serve every tab.
  tabs_ = new QTabWidget(client);
  tabs_->setGeometry(0, 0, kWidth, kHeight - menuBar()->sizeHint().height());
  tabs_->setIconSize(QSize(56, 33));
  for (int tab = 0; tab < kTabCount; ++tab) {
    const int index =
        tabs_->addTab(new QWidget(tabs_), QIcon(QString::fromLatin1(kTabIcons[tab])), QString());
    tabs_->setTabToolTip(index, FromPcText(TabName(kTabAppli[tab])));
  }
  connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::OnTabChanged);

  header_ = new ListHeaderArea(client);
  header_->setGeometry(20, 60, 320, 130);

  list_ = new QTreeWidget(client);
  list_->setGeometry(20, 90, 290, 190);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setFont(ListFont());
  list_->setContextMenuPolicy(Qt::NoContextMenu);
  list_->header()->setSectionsClickable(true);
  list_->header()->setSectionsMovable(false);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSortIndicatorShown(true);
  list_->header()->setFont(font());
  // Keep the selection visible when the list loses the focus.
  QPalette list_palette = list_->palette();
  list_palette.setColor(QPalette::Inactive, QPalette::Highlight,
                        list_palette.color(QPalette::Active, QPalette::Highlight));
  list_palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                        list_palette.color(QPalette::Active, QPalette::HighlightedText));
  list_->setPalette(list_palette);
  connect(list_->header(), &QHeaderView::sectionClicked, this, &MainWindow::OnHeaderClicked);
  connect(list_, &QTreeWidget::currentItemChanged, this, &MainWindow::OnCurrentRowChanged);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { OnEditEntry(); });

  detail_ = new QPlainTextEdit(client);
  detail_->setGeometry(340, 90, 210, 190);
  detail_->setReadOnly(true);
  detail_->setFont(ListFont());
  detail_->setContextMenuPolicy(Qt::NoContextMenu);
  detail_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  detail_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  filter_ = new QComboBox(client);
  filter_->setGeometry(450, 60, 100, 22);
  for (std::string_view name : kFilterNames) filter_->addItem(FromPcText(name));
  filter_->setCurrentIndex(kFilterAll);
  connect(filter_, &QComboBox::currentIndexChanged, this, &MainWindow::OnFilterChanged);

  upload_ = ImageButton(client, ":/icons/upload.svg", QSize(88, 48), QRect(20, 290, 100, 60));
  download_ = ImageButton(client, ":/icons/download.svg", QSize(88, 48), QRect(130, 290, 100, 60));
  send_ = ImageButton(client, ":/icons/send.svg", QSize(64, 34), QRect(240, 308, 72, 42));
  connect(upload_, &QToolButton::clicked, this, &MainWindow::Upload);
  connect(download_, &QToolButton::clicked, this, &MainWindow::Download);
  connect(send_, &QToolButton::clicked, this, &MainWindow::OnSend);

  new_button_ = new QPushButton(QStringLiteral("New..."), client);
  new_button_->setGeometry(340, 310, 70, 40);
  edit_button_ = new QPushButton(QStringLiteral("Edit..."), client);
  edit_button_->setGeometry(410, 310, 70, 40);
  delete_button_ = new QPushButton(QStringLiteral("Delete"), client);
  delete_button_->setGeometry(480, 310, 70, 40);
  for (QPushButton* button : {new_button_, edit_button_, delete_button_}) {
    button->setAutoDefault(false);
  }
  connect(new_button_, &QPushButton::clicked, this, &MainWindow::NewEntry);
  connect(edit_button_, &QPushButton::clicked, this, &MainWindow::OnEditEntry);
  connect(delete_button_, &QPushButton::clicked, this, &MainWindow::OnDeleteEntry);

  setTabOrder(list_, detail_);
}

}  // namespace kivo
