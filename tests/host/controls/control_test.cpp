// The control base: what it shows comes from its command first, and the
// band finds it by command, caption and image.
#include <string>

#include "band_test_support.h"

namespace band_test {
namespace {

std::u16string ButtonText(HWND toolbar, int id) {
  char16_t buffer[64] = {};
  SendMessageW(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

using ControlTest = BandTest;

TEST_F(ControlTest, CommandCaptionWinsAndStaysWon) {
  TestCommand& command = NewCommand();
  auto* control = new TestControl(TYPE_BUTTON, &command, u"Layout");
  control->SetDisplay(DISPLAY_CAPTION);
  band_->AppendControl(control);
  EXPECT_EQ(ButtonText(toolbar_, 1), u"Layout");

  command.SetText(u"From command");
  auto* second = new TestControl(TYPE_BUTTON, &command, u"Second layout");
  band_->AppendControl(second);
  EXPECT_EQ(ButtonText(toolbar_, 2), u"From command");

  ControlList found;
  band_->FindControlsByCaption(u"From command", found);
  EXPECT_EQ(found, (ControlList{control, second}));

  // The command's caption went away: the layout caption does not come back.
  command.SetText(u"");
  EXPECT_EQ(control->GetCaption(), u"");
  band_->FindControlsByCaption(u"Layout", found);
  EXPECT_TRUE(found.empty());
  band_->FindControlsByCaption(u"", found);
  EXPECT_TRUE(found.empty());
}

TEST_F(ControlTest, CommandImageWinsAndStaysWon) {
  TestCommand& command = NewCommand();
  auto* control = new TestControl(TYPE_BUTTON, &command, u"Pic");
  control->SetImage(301);
  band_->AppendControl(control);
  ControlList found;
  band_->FindControlsByImage(301, found);
  EXPECT_EQ(found, (ControlList{control}));

  command.SetImage(303, kCommandMaskColor);
  EXPECT_EQ(control->GetImage(), 303);
  EXPECT_EQ(control->GetBitmap(), command.GetBitmap());
  command.SetImage(0, kCommandMaskColor);
  EXPECT_EQ(control->GetImage(), 0);  // the layout image is gone for good
  EXPECT_EQ(control->GetBitmap(), nullptr);
}

TEST_F(ControlTest, TooltipFromCommandFirst) {
  TestCommand& command = NewCommand();
  TestControl control(TYPE_BUTTON, &command);
  control.SetTooltip(u"own");
  EXPECT_EQ(control.GetTooltip(), u"own");
  command.SetTooltip(u"command's");
  EXPECT_EQ(control.GetTooltip(), u"command's");
  command.SetTooltip(u"");
  EXPECT_EQ(control.GetTooltip(), u"own");  // unlike the caption, it comes back
}

struct FlagCase {
  std::int32_t flags;
  bool shown;
};

class ControlFlagsTest : public BandTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(ControlFlagsTest, HiddenFlagDecidesTheButton) {
  auto* control = new TestControl(TYPE_EDIT, nullptr);
  EXPECT_EQ(control->GetFlags(), FLAG_NO_COMMAND);
  control->SetFlags(-1);
  control->SetFlags(GetParam().flags);
  band_->AppendControl(control);
  EXPECT_EQ(ButtonIds().size(), GetParam().shown ? 1u : 0u);
  EXPECT_EQ(control->GetId(), 1);
}

INSTANTIATE_TEST_SUITE_P(Flags, ControlFlagsTest,
                         ::testing::Values(FlagCase{FLAG_HIDDEN, false}, FlagCase{FLAG_NO_COMMAND | FLAG_AUTO_SIZE, true},
                                           FlagCase{FLAG_HIDDEN | FLAG_ADDED, false}, FlagCase{0, true}));

TEST_F(ControlTest, FindByCommandNameIsExact) {
  TestCommand& go = NewCommand("Test.Go");
  TestCommand& other = NewCommand("Test.Other");
  auto* a = new TestControl(TYPE_BUTTON, &go, u"A");
  auto* b = new TestControl(TYPE_BUTTON, &other, u"B");
  auto* c = new TestControl(TYPE_BUTTON, &go, u"C");
  auto* separator = new TestControl(TYPE_SEPARATOR, nullptr);
  band_->AppendControl(a);
  band_->AppendControl(separator);
  band_->AppendControl(b);
  band_->AppendControl(c);
  ControlList found{b};
  band_->FindControlsByCommand("Test.Go", found);
  EXPECT_EQ(found, (ControlList{a, c}));
  band_->FindControlsByCommand("test.go", found);
  EXPECT_TRUE(found.empty());
  band_->FindControlsByCommand("", found);
  EXPECT_TRUE(found.empty());
}

TEST_F(ControlTest, HeightSetsTheTopOffset) {
  TestControl control(TYPE_EDIT, nullptr);
  control.SetHeight(22);
  EXPECT_EQ(control.GetTop(), 0);
  control.SetHeight(23);
  EXPECT_EQ(control.GetTop(), 0);
  control.SetHeight(31);
  EXPECT_EQ(control.GetTop(), 4);
}

}  // namespace
}  // namespace band_test
