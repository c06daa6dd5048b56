// The main window's menus and controls: at the smallest size where the
// organizer's own program placed them, the list and the detail pane taking
// the room of a larger window.

#include <algorithm>

#include <QComboBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "ui/list_header_area.h"
#include "ui/main_window.h"
#include "ui/menu_commands.h"
#include "ui/pc_text.h"
#include "ui/sync_dialogs.h"
#include "ui/ui_resources.h"
#include "view/appli_columns.h"

namespace kivo {
namespace {

const char* const kTabIcons[kTabCount] = {":/icons/schedule.svg",    ":/icons/todo.svg",
                                          ":/icons/anniversary.svg", ":/icons/telephone.svg",
                                          ":/icons/memo.svg",        ":/icons/expense.svg"};

// The gap between the list and the detail pane at the smallest size.
constexpr int kSplitterGap = 30;

QFont ListFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setPointSize(9);
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

QToolButton* ImageButton(QWidget* parent, const QSize& icon_size) {
  auto* button = new QToolButton(parent);
  button->setIconSize(icon_size);
  button->setFocusPolicy(Qt::StrongFocus);
  button->setAutoRaise(false);
  return button;
}

}  // namespace

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* open = file->addAction(QStringLiteral("&Open..."));
  open->setShortcut(QKeySequence::Open);
  connect(open, &QAction::triggered, this, [this] { commands_.Open(); });
  // The program has no plain Save: the working data is saved as it closes.
  QAction* save_as = file->addAction(QStringLiteral("Save &As..."));
  save_as->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(save_as, &QAction::triggered, this, [this] { commands_.SaveAs(); });
  file->addSeparator();
  connect(file->addAction(QStringLiteral("&Clear All")), &QAction::triggered, this,
          [this] { commands_.ClearAll(); });
  file->addSeparator();
  connect(file->addAction(QStringLiteral("&Backup...")), &QAction::triggered, this,
          [this] { commands_.Backup(); });
  connect(file->addAction(QStringLiteral("&Restore...")), &QAction::triggered, this,
          [this] { commands_.Restore(); });
  connect(file->addAction(QStringLiteral("Backup &History...")), &QAction::triggered, this,
          [this] { commands_.BackupHistory(); });
  connect(file->addAction(QStringLiteral("Co&mpare with Organizer...")), &QAction::triggered, this,
          [this] { commands_.CompareWithOrganizer(); });
  connect(file->addAction(QStringLiteral("S&ynchronize...")), &QAction::triggered, this,
          [this] { commands_.Synchronize(); });
  file->addSeparator();
  connect(file->addAction(QStringLiteral("&Import...")), &QAction::triggered, this,
          [this] { commands_.Import(); });
  connect(file->addAction(QStringLiteral("&Export...")), &QAction::triggered, this,
          [this] { commands_.Export(); });
  file->addSeparator();
  AddPrintActions(file);
  file->addSeparator();
  connect(file->addAction(QStringLiteral("E&xit")), &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  undo_ = edit->addAction(QStringLiteral("&Undo"));
  undo_->setObjectName(QStringLiteral("undo"));
  undo_->setShortcut(QKeySequence::Undo);
  undo_->setEnabled(false);
  connect(undo_, &QAction::triggered, this, [this] {
    if (!commands_.Undo()) UpdateUndoAction();
  });
  // The item names what it takes back, and a change made another way since
  // (an Open, a Download) is no longer offered.
  connect(edit, &QMenu::aboutToShow, this, &MainWindow::UpdateUndoAction);
  edit->addSeparator();
  new_entry_ = edit->addAction(QStringLiteral("&New Entry..."));
  edit_entry_ = edit->addAction(QStringLiteral("&Edit Entry..."));
  // Del is the window's own key (the calendar gives it its own meaning): the
  // menu only shows it.
  delete_entry_ = edit->addAction(QStringLiteral("&Delete Entry\tDel"));
  edit->addSeparator();
  find_ = edit->addAction(QStringLiteral("&Find..."));
  new_entry_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  find_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  new_entry_->setObjectName(QStringLiteral("new_entry"));
  edit_entry_->setObjectName(QStringLiteral("edit_entry"));
  delete_entry_->setObjectName(QStringLiteral("delete_entry"));
  find_->setObjectName(QStringLiteral("find"));
  connect(edit_entry_, &QAction::triggered, this, &MainWindow::OnEditEntry);
  connect(delete_entry_, &QAction::triggered, this, [this] { commands_.DeleteEntry(); });
  connect(find_, &QAction::triggered, this, &MainWindow::Find);
  connect(new_entry_, &QAction::triggered, this, &MainWindow::NewEntry);
  AddSearchAction(edit);
  BuildViewMenu();

  QMenu* option = menuBar()->addMenu(QStringLiteral("&Option"));
  connect(option->addAction(QStringLiteral("Organizer &Model...")), &QAction::triggered, this,
          [this] { ChooseOrganizerModel(commands_, this); });
  connect(option->addAction(QStringLiteral("&Display Formart...")), &QAction::triggered, this,
          [this] { ChooseDisplayFormat(commands_, this); });
  connect(option->addAction(QStringLiteral("&Expense Category...")), &QAction::triggered, this,
          [this] { EditExpenseCategories(commands_, this); });
  connect(option->addAction(QStringLiteral("&COM port...")), &QAction::triggered, this, [this] {
    ChooseComPort(commands_, this, /*first_start=*/false);
    UpdateStatusBar();
  });
  connect(option->addAction(QStringLiteral("&Sync targets...")), &QAction::triggered, this,
          [this] { EditSyncTargets(commands_, this); });

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  QAction* guide = help->addAction(QStringLiteral("&User guide"));
  guide->setObjectName(QStringLiteral("user_guide"));
  guide->setShortcut(QKeySequence(Qt::Key_F1));
  connect(guide, &QAction::triggered, this, [this] { OpenUserGuide(commands_.paths(), this); });
  help->addSeparator();
  connect(help->addAction(QStringLiteral("&About...")), &QAction::triggered, this,
          [this] { ShowAbout(this); });
}

void MainWindow::BuildControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);

  // The tab control fills the client area; the controls of the page lie on top
  // of it and serve every tab.
  tabs_ = new QTabWidget(client);
  tabs_->setIconSize(QSize(56, 33));
  for (int tab = 0; tab < kTabCount; ++tab) {
    const int index = tabs_->addTab(new QWidget(tabs_), QString());
    tabs_->setTabToolTip(index, FromPcText(TabName(kTabAppli[tab])));
  }
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
    if (!filling_) commands_.ShowTab(tab);
  });

  header_ = new ListHeaderArea(client);

  list_ = new QTreeWidget(client);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  // Ctrl and Shift add rows for Delete and Export; Edit and SEND take the
  // current one.
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setFont(ListFont());
  list_->setContextMenuPolicy(Qt::NoContextMenu);
  list_->header()->setSectionsClickable(true);
  list_->header()->setSectionsMovable(false);
  list_->header()->setStretchLastSection(true);
  list_->header()->setSortIndicatorShown(true);
  list_->header()->setFont(font());
  // Keep the selection visible when the list loses the focus.
  QPalette list_palette = list_->palette();
  list_palette.setColor(QPalette::Inactive, QPalette::Highlight,
                        list_palette.color(QPalette::Active, QPalette::Highlight));
  list_palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                        list_palette.color(QPalette::Active, QPalette::HighlightedText));
  list_->setPalette(list_palette);
  connect(list_->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { commands_.SortOnColumn(column); });
  connect(list_->header(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
    if (!filling_) commands_.ResizeColumn(column, width, list_->columnCount());
  });
  connect(list_, &QTreeWidget::currentItemChanged, this, &MainWindow::OnCurrentRowChanged);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &MainWindow::OnCurrentRowChanged);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { OnEditEntry(); });

  // The gap between the list and the detail pane is the splitter's handle;
  // neither side can be pushed out of sight.
  splitter_ = new QSplitter(Qt::Horizontal, client);
  splitter_->setObjectName(QStringLiteral("splitter"));
  splitter_->setHandleWidth(kSplitterGap);
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(list_);
  connect(splitter_, &QSplitter::splitterMoved, this, [this] {
    const QList<int> sizes = splitter_->sizes();
    const int room = sizes.value(0) + sizes.value(1);
    if (room > 0) list_share_ = std::clamp(sizes.value(0) * 1000 / room, 1, 999);
  });

  detail_ = new QPlainTextEdit(client);
  splitter_->addWidget(detail_);
  detail_->setReadOnly(true);
  detail_->setFont(ListFont());
  detail_->setContextMenuPolicy(Qt::NoContextMenu);
  detail_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  detail_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  filter_ = new QComboBox(client);
  for (std::string_view name : kFilterNames) filter_->addItem(FromPcText(name));
  filter_->setCurrentIndex(kFilterAll);
  connect(filter_, &QComboBox::currentIndexChanged, this, [this](int filter) {
    if (!filling_) commands_.ShowFilter(filter);
  });

  upload_ = ImageButton(client, QSize(88, 48));
  download_ = ImageButton(client, QSize(88, 48));
  send_ = ImageButton(client, QSize(64, 34));
  UpdateButtonImages();
  connect(upload_, &QToolButton::clicked, this, [this] { commands_.Upload(); });
  connect(download_, &QToolButton::clicked, this, [this] { commands_.Download(); });
  connect(send_, &QToolButton::clicked, this, &MainWindow::OnSend);

  new_button_ = new QPushButton(QStringLiteral("New..."), client);
  edit_button_ = new QPushButton(QStringLiteral("Edit..."), client);
  delete_button_ = new QPushButton(QStringLiteral("Delete"), client);
  for (QPushButton* button : {new_button_, edit_button_, delete_button_}) {
    button->setAutoDefault(false);
  }
  connect(new_button_, &QPushButton::clicked, this, &MainWindow::NewEntry);
  connect(edit_button_, &QPushButton::clicked, this, &MainWindow::OnEditEntry);
  connect(delete_button_, &QPushButton::clicked, this, [this] { commands_.DeleteEntry(); });

  tabs_->setObjectName(QStringLiteral("tabs"));
  header_->setObjectName(QStringLiteral("header"));
  list_->setObjectName(QStringLiteral("list"));
  detail_->setObjectName(QStringLiteral("detail"));
  filter_->setObjectName(QStringLiteral("filter"));
  upload_->setObjectName(QStringLiteral("upload"));
  download_->setObjectName(QStringLiteral("download"));
  send_->setObjectName(QStringLiteral("send"));
  new_button_->setObjectName(QStringLiteral("new"));
  edit_button_->setObjectName(QStringLiteral("edit"));
  delete_button_->setObjectName(QStringLiteral("delete"));
  setTabOrder(list_, detail_);
  client->installEventFilter(this);
  LayOutControls();
}

void MainWindow::LayOutControls() {
  QWidget* client = centralWidget();
  // At the smallest size the client area is what the menu bar leaves of it;
  // every control keeps its place there and the rest follows the growth.
  const int grow_x = std::max(client->width() - kWidth, 0);
  const int grow_y = std::max(client->height() - (kHeight - menuBar()->sizeHint().height()), 0);
  // The list has the more columns to show: it takes two thirds of the width.
  const int list_grow = grow_x - grow_x / 3;

  tabs_->setGeometry(0, 0, client->width(), client->height());
  filter_->setGeometry(450 + grow_x, 60, 100, 22);
  // The header reaches to the filter, which shows on the Telephone tab only.
  header_->setGeometry(20, 58, 420 + grow_x, 32);
  splitter_->setGeometry(20, 90, 530 + grow_x, 190 + grow_y);
  const int room = 500 + grow_x;
  const int list_width = list_share_ > 0 ? room * list_share_ / 1000 : 290 + list_grow;
  splitter_->setSizes({list_width, room - list_width});
  upload_->setGeometry(20, 290 + grow_y, 100, 60);
  download_->setGeometry(130, 290 + grow_y, 100, 60);
  send_->setGeometry(240, 308 + grow_y, 72, 42);
  new_button_->setGeometry(340 + grow_x, 310 + grow_y, 70, 40);
  edit_button_->setGeometry(410 + grow_x, 310 + grow_y, 70, 40);
  delete_button_->setGeometry(480 + grow_x, 310 + grow_y, 70, 40);
  LayOutViews();
}

void MainWindow::UpdateButtonImages() {
  // Outlines and lettering take the button text colour, so the images read on
  // a light and on a dark desktop alike (the tabs' too).
  const QColor ink = palette().color(QPalette::ButtonText);
  upload_->setIcon(InkedIcon(QStringLiteral(":/icons/upload.svg"), upload_->iconSize(), ink));
  download_->setIcon(InkedIcon(QStringLiteral(":/icons/download.svg"), download_->iconSize(), ink));
  send_->setIcon(InkedIcon(QStringLiteral(":/icons/send.svg"), send_->iconSize(), ink));
  for (int tab = 0; tab < kTabCount; ++tab) {
    tabs_->setTabIcon(tab, InkedIcon(QString::fromLatin1(kTabIcons[tab]), tabs_->iconSize(), ink));
  }
}

}  // namespace kivo
