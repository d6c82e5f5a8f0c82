// How an error message is shown: the full-stop rule and the trimming of the system's texts.
#include <gtest/gtest.h>

#include "base/ErrorDisplay.h"

namespace {

TEST(ErrorDisplay, FullStopFollowsTheLastCharacterRule) {
  EXPECT_EQ(base::ErrorDisplayText("Access denied"), "Access denied.");
  EXPECT_EQ(base::ErrorDisplayText("写流出错"), "写流出错.");
  EXPECT_EQ(base::ErrorDisplayText("Done."), "Done.");
  EXPECT_EQ(base::ErrorDisplayText("(see above)"), "(see above)");
  EXPECT_EQ(base::ErrorDisplayText("error 5"), "error 5.");
  EXPECT_EQ(base::ErrorDisplayText(""), "");
  // A Chinese character whose trail byte is below "." still counts as one character.
  EXPECT_EQ(base::ErrorDisplayText("x\x81\x20"), "x\x81\x20.");
  // The Chinese full stop is a full stop; only a whole character counts as one.
  EXPECT_EQ(base::ErrorDisplayText("Cannot create file \"d:\\k\\kestrum.exe\". 共享冲突。"),
            "Cannot create file \"d:\\k\\kestrum.exe\". 共享冲突。");
  EXPECT_EQ(base::ErrorDisplayText("。"), "。");
  EXPECT_EQ(base::ErrorDisplayText("x\xA1\xA1\xA3"), "x\xA1\xA1\xA3.");
}

TEST(ErrorDisplay, SystemTextLosesTrailingBlanksControlsAndFullStops) {
  EXPECT_EQ(base::TrimSystemErrorText("Access is denied.\r\n"), "Access is denied");
  EXPECT_EQ(base::TrimSystemErrorText("拒绝访问。\r\n"), "拒绝访问。");
  EXPECT_EQ(base::TrimSystemErrorText(" . .\t"), "");
}

TEST(ErrorDisplay, ReasonLosesItsOwnStopSoOurSentenceShowsOne) {
  EXPECT_EQ(base::SystemReason("拒绝访问。\r\n"), "拒绝访问");
  EXPECT_EQ(base::SystemReason("Access is denied.\r\n"), "Access is denied");
  EXPECT_EQ(base::SystemReason("。 。\r\n"), "");
  EXPECT_EQ(base::WithReason("启动失败", ""), "启动失败");
  EXPECT_EQ(base::ErrorDisplayText(base::WithReason("启动失败", base::SystemReason("拒绝访问。\r\n"))),
            "启动失败: 拒绝访问.");
}

}  // namespace
