// The directory field's geometry and key rules, and its button action against a recording
// field on the fake drives.
#include <gtest/gtest.h>

#include <stdexcept>

#include "controls/ComboEditRules.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/FakeFolders.h"

namespace {

using controls::Bounds;

TEST(ComboEditGeometry, TheMainWindowsField) {
  // 233 x 21, 3D, single border: a 2-pixel edge on each side leaves a 229 x 17 client.
  Bounds holder = controls::ButtonHolderBounds(233, 21, 21, true, true, controls::bsSingle);
  EXPECT_EQ(holder, (Bounds{208, 0, 21, 17}));
  EXPECT_EQ(controls::EditTextRect(229, 17, holder.width), (controls::TextRect{0, 0, 206, 18}));
}

TEST(ComboEditGeometry, HolderByBorderAndStyle) {
  EXPECT_EQ(controls::ButtonHolderBounds(233, 21, 21, false, true, controls::bsSingle), (Bounds{212, 0, 21, 21}));
  EXPECT_EQ(controls::ButtonHolderBounds(233, 21, 21, true, false, controls::bsSingle), (Bounds{210, 2, 21, 17}));
  EXPECT_EQ(controls::ButtonHolderBounds(233, 21, 21, true, true, controls::bsNone), (Bounds{212, 0, 21, 21}));
  EXPECT_EQ(controls::ButtonHolderBounds(233, 21, 30, true, true, controls::bsSingle), (Bounds{199, 0, 30, 17}));
}

TEST(ComboEditGeometry, ButtonWidthsAndHeights) {
  EXPECT_EQ(controls::NaturalButtonWidth(controls::gkDefault, 14, 1, 17), 21);  // FEDITBMP
  EXPECT_EQ(controls::NaturalButtonWidth(controls::gkDefault, 30, 1, 17), 36);
  EXPECT_EQ(controls::NaturalButtonWidth(controls::gkDefault, 40, 2, 17), 26);
  EXPECT_EQ(controls::NaturalButtonWidth(controls::gkDefault, 0, 1, 17), 21);
  EXPECT_EQ(controls::NaturalButtonWidth(controls::gkDropDown, 14, 1, 17), 17);
  EXPECT_EQ(controls::NaturalButtonWidth(controls::gkEllipsis, 14, 1, 17), 21);
  EXPECT_EQ(controls::NaturalButtonWidth(controls::gkCustom, 50, 1, 17), 21);
  EXPECT_EQ(controls::DefaultGlyphButtonWidth(14, 1, 40), 40);
  EXPECT_EQ(controls::EllipsisGlyphSize(21), (controls::Size{15, 4}));
  EXPECT_EQ(controls::EllipsisGlyphSize(3), (controls::Size{1, 4}));
  EXPECT_EQ(controls::EffectiveNumGlyphs(controls::gkEllipsis, 3), 1);
  EXPECT_EQ(controls::EffectiveNumGlyphs(controls::gkCustom, 3), 3);

  EXPECT_EQ(controls::FieldTextHeight(16, 13), 13);
  EXPECT_EQ(controls::MinimumHeight(13, 1), 18);
  EXPECT_EQ(controls::MinimumHeight(13, 2), 22);
  EXPECT_EQ(controls::HeightAfterResize(10, 18, false), 18);  // resized to 10 pixels high
  EXPECT_EQ(controls::HeightAfterResize(10, 18, true), 10);
  EXPECT_EQ(controls::HeightAfterResize(30, 18, false), 30);
  EXPECT_FALSE(controls::ButtonHolderVisible(1));
  EXPECT_TRUE(controls::ButtonHolderVisible(2));
  EXPECT_FALSE(controls::ButtonWidthApplies(229, 229, false));
  EXPECT_TRUE(controls::ButtonWidthApplies(228, 229, false));
  EXPECT_TRUE(controls::ButtonWidthApplies(300, 229, true));
  EXPECT_EQ(controls::CaretWidth(false), 1);
  EXPECT_EQ(controls::CaretWidth(true), 2);
}

TEST(ComboEditKeys, AltDownIsTheClickKey) {
  const int vkDown = 0x28;
  uint16_t altDown = controls::ShortCutOf(vkDown, false, false, true);
  EXPECT_EQ(altDown, controls::kDefaultClickKey);
  EXPECT_TRUE(controls::ClickKeyRuns(altDown, controls::kDefaultClickKey, 21));
  EXPECT_FALSE(controls::ClickKeyRuns(altDown, controls::kDefaultClickKey, 0));
  EXPECT_FALSE(
      controls::ClickKeyRuns(controls::ShortCutOf(vkDown, false, false, false), controls::kDefaultClickKey, 21));
  EXPECT_FALSE(controls::ClickKeyRuns(controls::ShortCutOf(vkDown, true, false, true), controls::kDefaultClickKey, 21));
  EXPECT_EQ(controls::ShortCutOf(0x128, false, false, true), 0);
  EXPECT_FALSE(controls::ClickKeyRuns(0, 0, 21));
}

TEST(ComboEditKeys, DirectInputAndReadOnly) {
  EXPECT_FALSE(controls::EditIsReadOnly(false, true));
  EXPECT_TRUE(controls::EditIsReadOnly(true, true));
  EXPECT_TRUE(controls::EditIsReadOnly(false, false));
  EXPECT_TRUE(controls::CutPasteAllowed(true, false));
  EXPECT_FALSE(controls::CutPasteAllowed(false, false));
  EXPECT_FALSE(controls::CutPasteAllowed(true, true));
  EXPECT_TRUE(controls::SelectAllOnEnter(true, true, false));
  EXPECT_FALSE(controls::SelectAllOnEnter(true, false, false));
  EXPECT_FALSE(controls::SelectAllOnEnter(true, true, true));
  EXPECT_TRUE(controls::TextInGray(false, false));
  EXPECT_FALSE(controls::TextInGray(false, true));
  EXPECT_FALSE(controls::TextInGray(true, false));
}

// A field that records what the action does to it and answers its dialogs as told.
class RecordingField : public controls::DirectoryEditHost {
 public:
  explicit RecordingField(support::FakeFolders& folders) : folders_(folders) {}

  std::string text;
  std::vector<std::string> calls;
  std::vector<std::string> dialogStarts;
  std::vector<uint32_t> errorModesInDialog;
  bool accept = true;
  std::string chosen;
  bool throwInDialog = false;
  std::function<void(std::string&, bool&)> beforeDialog, afterDialog;

  void FireButtonClick() override { calls.push_back("click"); }
  void NotifyBeforeDialog(std::string& name, bool& action) override {
    calls.push_back("before");
    if (beforeDialog) beforeDialog(name, action);
  }
  void NotifyAfterDialog(std::string& name, bool& action) override {
    calls.push_back(action ? "after ok" : "after cancel");
    if (afterDialog) afterDialog(name, action);
  }
  bool RunSelectDirDialog(std::string& name, controls::TSelectDirOpts, int) override { return Dialog("select", name); }
  bool RunBrowseFolderDialog(std::string& name, const std::string& dialogText, int) override {
    return Dialog("browse " + dialogText, name);
  }
  bool CanFocus() override { return true; }
  void SetFocus() override { calls.push_back("focus"); }
  void ClearSelection() override { calls.push_back("clear selection"); }
  std::string Text() override { return text; }
  void SetText(const std::string& t) override {
    calls.push_back("text " + t);
    text = t;
  }

 private:
  bool Dialog(const std::string& kind, std::string& name) {
    calls.push_back(kind);
    dialogStarts.push_back(name);
    errorModesInDialog.push_back(folders_.errorMode);
    if (throwInDialog) throw std::runtime_error("dialog failed");
    if (accept) name = chosen;
    return accept;
  }
  support::FakeFolders& folders_;
};

class ButtonActionTest : public ::testing::Test {
 protected:
  ButtonActionTest() {
    folders.AddFolders("c:\\apps\\a");
    folders.AddFolders("c:\\apps\\b");
    folders.errorMode = 0x4;
  }
  bool Press() { return controls::DirectoryButtonAction(field, settings, fs, folders); }

  support::FakeFileSystem fs;
  support::FakeFolders folders{fs};
  RecordingField field{folders};
  controls::DirectoryEditSettings settings;
};

TEST_F(ButtonActionTest, StartNameFallsBackToInitialDirThenBackslash) {
  field.accept = false;
  field.text = "d:\\kestrum";  // names no existing folder: not that drive's root either
  Press();
  field.text = "";
  Press();
  settings.initialDir = "c:\\apps\\a";
  Press();
  settings.initialDir = "c:\\gone";
  Press();
  field.text = "c:\\apps\\b";
  Press();
  EXPECT_EQ(field.dialogStarts, (std::vector<std::string>{"\\", "\\", "c:\\apps\\a", "\\", "c:\\apps\\b"}));
}

TEST_F(ButtonActionTest, AcceptingReplacesTheTextAndBecomesTheNextStart) {
  field.text = "d:\\kestrum";
  field.chosen = "c:\\apps\\a";
  EXPECT_TRUE(Press());
  EXPECT_EQ(field.calls, (std::vector<std::string>{"click", "before", "select", "focus", "after ok", "clear selection",
                                                   "text c:\\apps\\a"}));
  EXPECT_EQ(field.text, "c:\\apps\\a");
  EXPECT_EQ(settings.initialDir, "c:\\apps\\a");
  field.text = "";
  field.accept = false;
  Press();
  EXPECT_EQ(field.dialogStarts.back(), "c:\\apps\\a");
}

TEST_F(ButtonActionTest, AnAcceptedFolderThatDoesNotExistIsNoStart) {
  settings.initialDir = "c:\\apps\\b";
  field.chosen = "c:\\apps\\new";
  EXPECT_TRUE(Press());
  EXPECT_EQ(field.text, "c:\\apps\\new");
  EXPECT_EQ(settings.initialDir, "c:\\apps\\b");
}

TEST_F(ButtonActionTest, CancelLeavesTextAndStartButStillReports) {
  field.text = "c:\\apps\\b";
  settings.initialDir = "c:\\apps\\a";
  field.accept = false;
  EXPECT_FALSE(Press());
  EXPECT_EQ(field.calls, (std::vector<std::string>{"click", "before", "select", "focus", "after cancel"}));
  EXPECT_EQ(field.text, "c:\\apps\\b");
  EXPECT_EQ(settings.initialDir, "c:\\apps\\a");
}

TEST_F(ButtonActionTest, EventsMaySuppressOrChangeTheResult) {
  field.beforeDialog = [](std::string&, bool& action) { action = false; };
  EXPECT_FALSE(Press());
  EXPECT_EQ(field.calls, (std::vector<std::string>{"click", "before"}));  // no dialog, focus left alone
  EXPECT_EQ(folders.errorMode, 0x4u);

  field.calls.clear();
  field.beforeDialog = [](std::string& name, bool&) { name = "c:\\apps\\b"; };
  field.accept = false;
  field.afterDialog = [](std::string& name, bool& action) {
    name = "c:\\apps\\a";
    action = true;
  };
  EXPECT_TRUE(Press());
  EXPECT_EQ(field.dialogStarts.back(), "c:\\apps\\b");
  EXPECT_EQ(field.text, "c:\\apps\\a");
}

TEST_F(ButtonActionTest, MultipleDirsPutsTheChoiceInFront) {
  settings.multipleDirs = true;
  field.text = "c:\\apps\\a";
  field.chosen = "c:\\apps\\b";
  Press();
  EXPECT_EQ(field.text, "c:\\apps\\b;c:\\apps\\a");
  field.text = "";
  Press();
  EXPECT_EQ(field.text, "c:\\apps\\b");
}

TEST_F(ButtonActionTest, ErrorModeIsQuietDuringTheDialogAndRestoredAfterAnError) {
  field.chosen = "c:\\apps\\a";
  Press();
  EXPECT_EQ(field.errorModesInDialog, (std::vector<uint32_t>{0x8001}));
  EXPECT_EQ(folders.errorMode, 0x4u);
  EXPECT_EQ(settings.savedErrorMode, 0u);

  field.text = "c:\\apps\\b";
  field.throwInDialog = true;
  EXPECT_THROW(Press(), std::runtime_error);
  EXPECT_EQ(folders.errorMode, 0x4u);
  EXPECT_EQ(settings.savedErrorMode, 0u);
  EXPECT_EQ(field.text, "c:\\apps\\b");
}

TEST_F(ButtonActionTest, DialogKindAndReadOnly) {
  field.accept = false;
  settings.dialogKind = controls::dkWin32;
  settings.dialogText = "Pick";
  Press();
  settings.newStyleControls = false;  // no shell browser there
  Press();
  EXPECT_EQ(field.calls[2], "browse Pick");
  EXPECT_EQ(field.calls[7], "select");

  field.calls.clear();
  settings.readOnly = true;
  EXPECT_FALSE(Press());
  EXPECT_TRUE(field.calls.empty());
}

TEST_F(ButtonActionTest, DroppedAndConvertedPathTexts) {
  fs.AddFile("c:\\apps\\a\\tool.exe", "");
  EXPECT_EQ(controls::DroppedPathText(fs, "c:\\apps\\a\\tool.exe", "old", false), "c:\\apps\\a\\");
  EXPECT_EQ(controls::DroppedPathText(fs, "c:\\apps\\b", "old", true), "c:\\apps\\b;old");
  EXPECT_EQ(controls::DroppedPathText(fs, "c:\\apps\\b", "", true), "c:\\apps\\b");
  auto upperOrDrop = [](const std::string& p) { return p == "gone" ? std::string() : "<" + p + ">"; };
  EXPECT_EQ(controls::ConvertPathText("a;gone;b", true, upperOrDrop), "<a>;<b>");
  EXPECT_EQ(controls::ConvertPathText("gone;b", true, upperOrDrop), "<b>");
  EXPECT_EQ(controls::ConvertPathText("a;b", false, upperOrDrop), "<a;b>");
}

}  // namespace
