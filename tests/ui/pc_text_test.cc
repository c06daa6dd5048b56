#include "ui/pc_text.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

TEST(PcText, EveryByteSurvivesTheWayToTheWidgetsAndBack) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  EXPECT_EQ(ToPcText(FromPcText(all)), all);
}

TEST(PcText, UsesWindows1252) {
  const struct {
    std::string pc;
    QString shown;
  } cases[] = {
      {"Caf\xE9", QStringLiteral("Café")},
      {"\x80 5", QStringLiteral("€ 5")},
      {"\x93quoted\x94", QStringLiteral("“quoted”")},
      {"Zo\xEB", QStringLiteral("Zoë")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FromPcText(c.pc), c.shown) << c.pc;
    EXPECT_EQ(ToPcText(c.shown), c.pc) << c.pc;
  }
  EXPECT_EQ(ToPcText(QStringLiteral("日本")), "??");
}

}  // namespace
}  // namespace kivo
