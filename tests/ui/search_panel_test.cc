// The search across applications: its folding over the whole Windows-1252
// table, held against Unicode's own decompositions (Qt's), and the search
// window as a user drives it, from the shortcut to the record in its list.

#include "ui/search_panel.h"

#include <optional>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "box_script.h"
#include "csv/cp1252.h"
#include "desktop_fixture.h"
#include "ui/pc_text.h"
#include "view/text_fold.h"

namespace kivo {
namespace {

bool IsAsciiWord(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text) {
    if (c.unicode() >= 0x80 || !c.isLetterOrNumber()) return false;
  }
  return true;
}

TEST(SearchFolding, EveryCharacterFoldsAsUnicodeDecomposesIt) {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    const std::string_view fold = FoldOf(byte);
    const std::optional<char32_t> code = Cp1252ToUnicode(byte);
    if (!code) {
      EXPECT_EQ(fold, std::string(1, static_cast<char>(byte))) << "unused byte " << b;
      continue;
    }
    const QString character = QString::fromUcs4(&*code, 1);
    // Unicode's compatibility decomposition without its marks, in small letters.
    QString bare;
    for (const QChar c : character.normalized(QString::NormalizationForm_KD)) {
      if (!c.isMark()) bare += c;
    }
    bare = bare.toLower();
    const QString folded = FromPcText(fold);
    SCOPED_TRACE(character.toStdString());
    // Where Unicode takes the character to plain letters or digits, so do we.
    if (IsAsciiWord(bare)) {
      EXPECT_EQ(folded, bare);
    }
    // Every Latin letter ends as small ASCII letters ("ß" "ss", "Ø" "o").
    if (character[0].isLetter() && character[0].script() == QChar::Script_Latin) {
      EXPECT_TRUE(IsAsciiWord(folded) && folded == folded.toLower());
    }
    // A capital folds as its small letter does.
    const std::string small = ToPcText(character.toLower());
    if (small.size() == 1) {
      EXPECT_EQ(fold, FoldOf(static_cast<uint8_t>(small[0])));
    }
  }
  // Typed either way, a text finds itself and its plain spelling.
  EXPECT_EQ(Folded("M\xFCLLER Stra\xDF"
                   "e \x93"
                   "Caf\xE9\x94"),
            "muller strasse \"cafe\"");
}

using SearchPanelTest = test::DesktopTest;

TEST_F(SearchPanelTest, FindsEveryApplicationAndJumpsToTheRecord) {
  auto window = Open();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window->window));
  test::BoxScript script;
  // Telephone shows Personal only: the Müller there is a Business card.
  window->tabs()->setCurrentIndex(TabOfAppli(kTelephone));
  window->filter_box()->setCurrentIndex(0);
  QTest::keyClick(&window->window, Qt::Key_K, Qt::ControlModifier);
  auto* panel = window->window.findChild<SearchPanel*>(QStringLiteral("searchPanel"));
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([panel] { return panel->field()->hasFocus(); }));
  QTest::keyClicks(panel->field(), QStringLiteral("MULLER"));
  ASSERT_EQ(panel->hits().size(), 3u);
  const QAbstractItemModel* results = panel->results()->model();
  EXPECT_EQ(results->index(0, 0).data().toString(), QStringLiteral("Schedule"));
  EXPECT_EQ(results->index(0, 1).data().toString(), QStringLiteral("06/20/2002 07:00 AM"));
  EXPECT_EQ(results->index(0, 2).data().toString(), QStringLiteral("Review the Müller contract"));
  // The match is marked where the text has it.
  EXPECT_EQ(results->index(0, 2).data(Qt::UserRole).toPoint(), QPoint(11, 6));

  // Down into the list, Down to the Telephone card, Enter: its tab, all
  // categories, the card selected.
  QTest::keyClick(panel->field(), Qt::Key_Down);
  QTest::keyClick(panel->results(), Qt::Key_Down);
  QTest::keyClick(panel->results(), Qt::Key_Return);
  EXPECT_EQ(window->tabs()->currentIndex(), TabOfAppli(kTelephone));
  EXPECT_EQ(window->filter_box()->currentIndex(), kFilterAll);
  ASSERT_NE(window->list()->currentItem(), nullptr);
  EXPECT_EQ(window->list()->currentItem()->text(1), QStringLiteral("Müller"));

  // A click on the Memo result; then the memo is deleted and the search,
  // still open, finds it no more.
  const QRect memo = panel->results()->visualRect(results->index(2, 2));
  QTest::mouseClick(panel->results()->viewport(), Qt::LeftButton, Qt::NoModifier, memo.center());
  EXPECT_EQ(window->tabs()->currentIndex(), TabOfAppli(kMemo));
  EXPECT_EQ(window->list()->currentItem()->text(0), QStringLiteral("Café Müller opens at 7:30"));
  window->delete_button()->click();
  EXPECT_EQ(panel->hits().size(), 2u);
  // Nothing found says so.
  QTest::keyClicks(panel->field(), QStringLiteral("xyz"));
  EXPECT_TRUE(panel->hits().empty());
  EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("searchStatus"))->text(),
            QStringLiteral("No record found"));
}

}  // namespace
}  // namespace kivo
