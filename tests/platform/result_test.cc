#include "platform/result.h"

#include <string>

#include <gtest/gtest.h>

namespace kivo {
namespace {

// A text value must never be taken for a message or the other way round, and
// an empty message is still a failure.
TEST(Result, TellsValueFromFailureEvenWhenBothAreText) {
  struct Case {
    Result<std::string> result;
    bool ok;
    std::string text;  // the value when ok, the message when not
  };
  const Case kCases[] = {
      {std::string("Disk full"), true, "Disk full"},
      {Failure{"Disk full"}, false, "Disk full"},
      {std::string(), true, ""},
      {Failure{}, false, ""},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(c.result.ok(), c.ok) << c.text;
    EXPECT_EQ(static_cast<bool>(c.result), c.ok) << c.text;
    EXPECT_EQ(c.ok ? c.result.value() : c.result.error(), c.text);
  }
}

TEST(Result, StatusIsASuccessUntilItCarriesAMessage) {
  const Status done;
  EXPECT_TRUE(done.ok());
  const Status failed = Failure{"Cannot create the folder."};
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error(), "Cannot create the folder.");
  const Status silent = Failure{};
  EXPECT_FALSE(silent.ok());
}

TEST(Result, HandsItsValueOnByMove) {
  Result<std::string> text = std::string(64, 'x');
  const std::string taken = std::move(text).value();
  EXPECT_EQ(taken.size(), 64u);
  Result<int> count = 3;
  *count += 1;
  EXPECT_EQ(count.value(), 4);
}

}  // namespace
}  // namespace kivo
