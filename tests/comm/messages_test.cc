#include "comm/messages.h"

#include <string>

#include <gtest/gtest.h>

#include "store/result_code.h"

namespace kivo {
namespace {

TEST(ResultMessage, EveryCodeHasItsText) {
  const std::pair<int, std::string> cases[] = {
      {0, "User aborted."},
      {1, "Organizer is detected on COM1."},
      {2, "Organizer is detected on COM2."},
      {3, "Organizer is detected on COM3."},
      {4, "Organizer is detected on COM4."},
      {5, "Communications error!\n(Organizer is not responding.)"},
      {6, "Cannot open COM1."},
      {7, "Cannot open COM2."},
      {8, "Cannot open COM3."},
      {9, "Cannot open COM4."},
      {10, "Cannot open COM port."},
      {11, "I/O Device error."},
      {12, "Auto detect error ! \n(Unable to detect your organizer.)"},
      {13, "The backup file is not compatible."},
      {14, "Communications error !\nPlease try again."},
      {15, "Communications error !\n(All data are not sent.)"},
      {16, "Error."},
      {17, "Error."},
      {18, "Error."},
      {-1, "Error."},
      {-2147483647 - 1, "Error."},
  };
  for (const auto& [code, text] : cases)
    EXPECT_EQ(ResultMessage(static_cast<ResultCode>(code)), text) << code;
  EXPECT_EQ(MessageTable().size(), 17u);
  // Built twice, the table gives the same texts.
  EXPECT_EQ(&MessageTable(), &MessageTable());
}

TEST(RunEndMessage, CaptionsAndSilentCodes) {
  EXPECT_EQ(RunEndMessage(kResultAborted),
            (MessageBoxText{"User aborted.", "Abort", MessageIcon::kExclamation}));
  EXPECT_EQ(
      RunEndMessage(kResultNotCompatible),
      (MessageBoxText{"The backup file is not compatible.", "Error", MessageIcon::kExclamation}));
  EXPECT_FALSE(RunEndMessage(kResultSuccess).has_value());
  EXPECT_FALSE(RunEndMessage(kResultGaveUp).has_value());
  EXPECT_EQ(RunEndMessage(static_cast<ResultCode>(18))->text, "Error.");
  EXPECT_EQ(RunEndMessage(static_cast<ResultCode>(-4))->text, "Error.");
  EXPECT_EQ(RunEndMessage(static_cast<ResultCode>(-4))->caption, "Error");
}

TEST(DetectEndMessage, FoundPortOrFailureWithoutExtraBlank) {
  EXPECT_EQ(
      DetectEndMessage(kResultFoundCom3),
      (MessageBoxText{"Organizer is detected on COM3.", "Auto Detect", MessageIcon::kInformation}));
  for (int code : {int{kResultDetectFailed}, int{kResultAborted}, 5, -1}) {
    MessageBoxText box = DetectEndMessage(static_cast<ResultCode>(code));
    EXPECT_EQ(box.text, "Auto detect error !\n(Unable to detect your organizer.)") << code;
    EXPECT_EQ(box.caption, "Error");
    EXPECT_NE(box.text, ResultMessage(kResultDetectFailed));
  }
}

}  // namespace
}  // namespace kivo
