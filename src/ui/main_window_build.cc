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

#include "print/page_layout.h"
#include "ui/list_header_area.h"
#include "ui/main_window_parts.h"
#include "ui/menu_commands.h"
#include "ui/page_printer.h"
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
  (new PagePrinter(this, commands_, [this] { return CurrentPrint(); }))->AddActions(file);
  file->addSeparator();
  connect(file->addAction(QStringLiteral("E&xit")), &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  parts_->undo = edit->addAction(QStringLiteral("&Undo"));
  parts_->undo->setObjectName(QStringLiteral("undo"));
  parts_->undo->setShortcut(QKeySequence::Undo);
  parts_->undo->setEnabled(false);
  connect(parts_->undo, &QAction::triggered, this, [this] {
    if (!commands_.Undo()) UpdateUndoAction();
  });
  // The item names what it takes back, and a change made another way since
  // (an Open, a Download) is no longer offered.
  connect(edit, &QMenu::aboutToShow, this, &MainWindow::UpdateUndoAction);
  edit->addSeparator();
  parts_->new_entry = edit->addAction(QStringLiteral("&New Entry..."));
  parts_->edit_entry = edit->addAction(QStringLiteral("&Edit Entry..."));
  // Del is the window's own key (the calendar gives it its own meaning): the
  // menu only shows it.
  parts_->delete_entry = edit->addAction(QStringLiteral("&Delete Entry\tDel"));
  edit->addSeparator();
  parts_->find = edit->addAction(QStringLiteral("&Find..."));
  parts_->new_entry->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  parts_->find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  parts_->new_entry->setObjectName(QStringLiteral("new_entry"));
  parts_->edit_entry->setObjectName(QStringLiteral("edit_entry"));
  parts_->delete_entry->setObjectName(QStringLiteral("delete_entry"));
  parts_->find->setObjectName(QStringLiteral("find"));
  connect(parts_->edit_entry, &QAction::triggered, this, &MainWindow::OnEditEntry);
  connect(parts_->delete_entry, &QAction::triggered, this, [this] { commands_.DeleteEntry(); });
  connect(parts_->find, &QAction::triggered, this, &MainWindow::Find);
  connect(parts_->new_entry, &QAction::triggered, this, &MainWindow::NewEntry);
  parts_->search = std::make_unique<RecordSearch>(
      this, commands_, [this](AppliId id, std::span<const uint8_t> record) {
        // The span lies in the index, which the list's switch may read again.
        ShowRecord(id, std::vector<uint8_t>(record.begin(), record.end()));
        activateWindow();
      });
  parts_->search->AddAction(edit);
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
  parts_->tabs = new QTabWidget(client);
  parts_->tabs->setIconSize(QSize(56, 33));
  for (int tab = 0; tab < kTabCount; ++tab) {
    const int index = parts_->tabs->addTab(new QWidget(parts_->tabs), QString());
    parts_->tabs->setTabToolTip(index, FromPcText(TabName(kTabAppli[tab])));
  }
  connect(parts_->tabs, &QTabWidget::currentChanged, this, [this](int tab) {
    if (!filling_) commands_.ShowTab(tab);
  });

  parts_->header = new ListHeaderArea(client);

  parts_->list = new QTreeWidget(client);
  parts_->list->setRootIsDecorated(false);
  parts_->list->setItemsExpandable(false);
  parts_->list->setUniformRowHeights(true);
  parts_->list->setAllColumnsShowFocus(true);
  // Ctrl and Shift add rows for Delete and Export; Edit and SEND take the
  // current one.
  parts_->list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  parts_->list->setSelectionBehavior(QAbstractItemView::SelectRows);
  parts_->list->setFont(ListFont());
  parts_->list->setContextMenuPolicy(Qt::NoContextMenu);
  parts_->list->header()->setSectionsClickable(true);
  parts_->list->header()->setSectionsMovable(false);
  parts_->list->header()->setStretchLastSection(true);
  parts_->list->header()->setSortIndicatorShown(true);
  parts_->list->header()->setFont(font());
  // Keep the selection visible when the list loses the focus.
  QPalette list_palette = parts_->list->palette();
  list_palette.setColor(QPalette::Inactive, QPalette::Highlight,
                        list_palette.color(QPalette::Active, QPalette::Highlight));
  list_palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                        list_palette.color(QPalette::Active, QPalette::HighlightedText));
  parts_->list->setPalette(list_palette);
  connect(parts_->list->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { commands_.SortOnColumn(column); });
  connect(parts_->list->header(), &QHeaderView::sectionResized, this,
          [this](int column, int, int width) {
            if (!filling_) commands_.ResizeColumn(column, width, parts_->list->columnCount());
          });
  connect(parts_->list, &QTreeWidget::currentItemChanged, this, &MainWindow::OnCurrentRowChanged);
  connect(parts_->list, &QTreeWidget::itemSelectionChanged, this, &MainWindow::OnCurrentRowChanged);
  connect(parts_->list, &QTreeWidget::itemDoubleClicked, this, [this] { OnEditEntry(); });

  // The gap between the list and the detail pane is the splitter's handle;
  // neither side can be pushed out of sight.
  parts_->splitter = new QSplitter(Qt::Horizontal, client);
  parts_->splitter->setObjectName(QStringLiteral("splitter"));
  parts_->splitter->setHandleWidth(kSplitterGap);
  parts_->splitter->setChildrenCollapsible(false);
  parts_->splitter->addWidget(parts_->list);
  connect(parts_->splitter, &QSplitter::splitterMoved, this, [this] {
    const QList<int> sizes = parts_->splitter->sizes();
    const int room = sizes.value(0) + sizes.value(1);
    if (room > 0) list_share_ = std::clamp(sizes.value(0) * 1000 / room, 1, 999);
  });

  parts_->detail = new QPlainTextEdit(client);
  parts_->splitter->addWidget(parts_->detail);
  parts_->detail->setReadOnly(true);
  parts_->detail->setFont(ListFont());
  parts_->detail->setContextMenuPolicy(Qt::NoContextMenu);
  parts_->detail->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  parts_->detail->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  parts_->filter = new QComboBox(client);
  for (std::string_view name : kFilterNames) parts_->filter->addItem(FromPcText(name));
  parts_->filter->setCurrentIndex(kFilterAll);
  connect(parts_->filter, &QComboBox::currentIndexChanged, this, [this](int filter) {
    if (!filling_) commands_.ShowFilter(filter);
  });

  parts_->upload = ImageButton(client, QSize(88, 48));
  parts_->download = ImageButton(client, QSize(88, 48));
  parts_->send = ImageButton(client, QSize(64, 34));
  UpdateButtonImages();
  connect(parts_->upload, &QToolButton::clicked, this, [this] { commands_.Upload(); });
  connect(parts_->download, &QToolButton::clicked, this, [this] { commands_.Download(); });
  connect(parts_->send, &QToolButton::clicked, this, &MainWindow::OnSend);

  parts_->new_button = new QPushButton(QStringLiteral("New..."), client);
  parts_->edit_button = new QPushButton(QStringLiteral("Edit..."), client);
  parts_->delete_button = new QPushButton(QStringLiteral("Delete"), client);
  for (QPushButton* button : {parts_->new_button, parts_->edit_button, parts_->delete_button}) {
    button->setAutoDefault(false);
  }
  connect(parts_->new_button, &QPushButton::clicked, this, &MainWindow::NewEntry);
  connect(parts_->edit_button, &QPushButton::clicked, this, &MainWindow::OnEditEntry);
  connect(parts_->delete_button, &QPushButton::clicked, this, [this] { commands_.DeleteEntry(); });

  parts_->tabs->setObjectName(QStringLiteral("tabs"));
  parts_->header->setObjectName(QStringLiteral("header"));
  parts_->list->setObjectName(QStringLiteral("list"));
  parts_->detail->setObjectName(QStringLiteral("detail"));
  parts_->filter->setObjectName(QStringLiteral("filter"));
  parts_->upload->setObjectName(QStringLiteral("upload"));
  parts_->download->setObjectName(QStringLiteral("download"));
  parts_->send->setObjectName(QStringLiteral("send"));
  parts_->new_button->setObjectName(QStringLiteral("new"));
  parts_->edit_button->setObjectName(QStringLiteral("edit"));
  parts_->delete_button->setObjectName(QStringLiteral("delete"));
  setTabOrder(parts_->list, parts_->detail);
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

  parts_->tabs->setGeometry(0, 0, client->width(), client->height());
  parts_->filter->setGeometry(450 + grow_x, 60, 100, 22);
  // The header reaches to the filter, which shows on the Telephone tab only.
  parts_->header->setGeometry(20, 58, 420 + grow_x, 32);
  parts_->splitter->setGeometry(20, 90, 530 + grow_x, 190 + grow_y);
  const int room = 500 + grow_x;
  const int list_width = list_share_ > 0 ? room * list_share_ / 1000 : 290 + list_grow;
  parts_->splitter->setSizes({list_width, room - list_width});
  parts_->upload->setGeometry(20, 290 + grow_y, 100, 60);
  parts_->download->setGeometry(130, 290 + grow_y, 100, 60);
  parts_->send->setGeometry(240, 308 + grow_y, 72, 42);
  parts_->new_button->setGeometry(340 + grow_x, 310 + grow_y, 70, 40);
  parts_->edit_button->setGeometry(410 + grow_x, 310 + grow_y, 70, 40);
  parts_->delete_button->setGeometry(480 + grow_x, 310 + grow_y, 70, 40);
  LayOutViews();
}

void MainWindow::UpdateButtonImages() {
  // Outlines and lettering take the button text colour, so the images read on
  // a light and on a dark desktop alike (the tabs' too).
  const QColor ink = palette().color(QPalette::ButtonText);
  parts_->upload->setIcon(
      InkedIcon(QStringLiteral(":/icons/upload.svg"), parts_->upload->iconSize(), ink));
  parts_->download->setIcon(
      InkedIcon(QStringLiteral(":/icons/download.svg"), parts_->download->iconSize(), ink));
  parts_->send->setIcon(
      InkedIcon(QStringLiteral(":/icons/send.svg"), parts_->send->iconSize(), ink));
  for (int tab = 0; tab < kTabCount; ++tab) {
    parts_->tabs->setTabIcon(
        tab, InkedIcon(QString::fromLatin1(kTabIcons[tab]), parts_->tabs->iconSize(), ink));
  }
}

}  // namespace kivo
