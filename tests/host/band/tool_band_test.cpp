// The band window driven through window messages and the input driver.
#include <vector>

#include "band_test_support.h"
#include "platform/ui/image_list.h"
#include "platform/module/module.h"

namespace band_test {
namespace {

using quorvia::ui::InputDriver;
using quorvia::ui::PumpUntilIdle;

struct WidthCase {
  const char* name;
  std::vector<int> types;
  std::vector<int> widths;
  std::vector<bool> auto_size;
  int band_width;
  std::vector<std::pair<int, int>> places;  // (x, width) per control
  int ideal;
};

class LayoutTest : public BandTest, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(LayoutTest, SharesTheSpareWidthAmongAutoSizeControls) {
  const WidthCase& c = GetParam();
  Dock();
  TestCommand& command = NewCommand();
  std::vector<TestControl*> controls;
  for (std::size_t i = 0; i < c.types.size(); ++i) {
    auto* control = new TestControl(c.types[i], c.types[i] == TYPE_SEPARATOR ? nullptr : &command);
    control->SetWidth(c.widths[i]);
    if (c.auto_size[i]) control->SetFlags(FLAG_AUTO_SIZE);
    band_->AppendControl(control);
    controls.push_back(control);
  }
  PumpUntilIdle();
  for (TestControl* control : controls) control->places.clear();

  // The rebar sizes the band.
  SendMessageW(toolbar_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(c.band_width), 22));

  for (std::size_t i = 0; i < controls.size(); ++i) {
    ASSERT_EQ(controls[i]->places.size(), 1u) << c.name << " control " << i;
    EXPECT_EQ(controls[i]->places[0], c.places[i]) << c.name << " control " << i;
    RECT item{};
    SendMessageW(toolbar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.right - item.left, c.places[i].second) << c.name << " button " << i;
  }
  REBARBANDINFO info = BandInfo();
  EXPECT_EQ(static_cast<int>(info.cxIdeal), c.ideal) << c.name;
  EXPECT_NE(info.fStyle & RBBS_USECHEVRON, 0u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Widths, LayoutTest,
    ::testing::Values(
        // 50 (auto), 5 (raised to 10) and a separator of 6: 66 used, the
        // auto-size control takes the remaining 234.
        WidthCase{"example", {TYPE_EDIT, TYPE_READ_ONLY, TYPE_SEPARATOR}, {50, 5, 6}, {true, false, false}, 300,
                  {{0, 284}, {284, 10}, {294, 6}}, 66},
        // Five spare pixels over two auto-size controls: two each, one left.
        WidthCase{"two auto", {TYPE_EDIT, TYPE_EDIT}, {20, 20}, {true, true}, 45, {{0, 22}, {22, 22}}, 40},
        // Narrower than the controls: nobody gets extra, the ideal width
        // still asks for all of it.
        WidthCase{"too narrow", {TYPE_EDIT, TYPE_READ_ONLY}, {50, 30}, {true, false}, 60, {{0, 50}, {50, 30}}, 80}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& ch : name) if (ch == ' ') ch = '_';
      return name;
    });

TEST_F(BandTest, WidthZeroChangesNothing) {
  Dock();
  auto* control = new TestControl(TYPE_EDIT, nullptr);
  control->SetWidth(40);
  band_->AppendControl(control);
  PumpUntilIdle();
  control->places.clear();
  band_->Layout(0);
  band_->Layout(-5);
  EXPECT_TRUE(control->places.empty());
}

TEST_F(BandTest, HiddenControlKeepsPlaceAndIdAndReturnsAfterShownPredecessors) {
  TestCommand& command = NewCommand();
  auto* a = new TestControl(TYPE_BUTTON, &command, u"A");
  auto* b = new TestControl(TYPE_BUTTON, &command, u"B");
  auto* c = new TestControl(TYPE_BUTTON, &command, u"C");
  b->SetFlags(FLAG_HIDDEN | FLAG_AUTO_SIZE);
  band_->AppendControl(a);
  band_->AppendControl(b);
  band_->AppendControl(c);
  PumpUntilIdle();
  EXPECT_EQ(b->GetId(), 2);
  EXPECT_EQ(ButtonIds(), (std::vector<int>{1, 3}));

  band_->SetControlShown(1, true);
  EXPECT_EQ(ButtonIds(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(b->GetFlags(), FLAG_AUTO_SIZE);  // other flags survive

  band_->SetControlShown(0, false);
  band_->SetControlShown(0, false);  // already hidden: nothing happens
  EXPECT_EQ(ButtonIds(), (std::vector<int>{2, 3}));
  band_->SetControlShown(1, true);  // already shown
  band_->SetControlShown(7, true);  // past the end
  EXPECT_EQ(ButtonIds(), (std::vector<int>{2, 3}));
  band_->SetControlShown(0, true);  // nothing shown before it
  EXPECT_EQ(ButtonIds(), (std::vector<int>{1, 2, 3}));

  ControlList listed;
  band_->ListControls(listed);
  EXPECT_EQ(listed, (ControlList{a, b, c}));
}

TEST_F(BandTest, InsertionsAgainstAReference) {
  TestCommand& command = NewCommand();
  auto* a = new TestControl(TYPE_BUTTON, &command, u"A");
  band_->AppendControl(a);
  TestControl stranger(TYPE_BUTTON, &command, u"S");
  TestControl orphan(TYPE_BUTTON, &command, u"O");

  band_->InsertControlBefore(&orphan, &stranger);
  band_->InsertControlAfter(&orphan, &stranger);
  ControlList listed;
  band_->ListControls(listed);
  EXPECT_EQ(listed, (ControlList{a}));
  EXPECT_EQ(orphan.GetId(), 0);
  EXPECT_EQ(orphan.GetFlags() & FLAG_ADDED, 0);
  EXPECT_EQ(ButtonIds(), (std::vector<int>{1}));

  auto* before = new TestControl(TYPE_BUTTON, &command, u"Before");
  auto* after = new TestControl(TYPE_BUTTON, &command, u"After");
  band_->InsertControlBefore(before, a);
  band_->InsertControlAfter(after, a);
  band_->ListControls(listed);
  EXPECT_EQ(listed, (ControlList{before, a, after}));
  EXPECT_EQ(before->GetId(), 2);  // the failed inserts took no identifier
  EXPECT_NE(before->GetFlags() & FLAG_ADDED, 0);
  EXPECT_EQ(a->GetFlags() & FLAG_ADDED, 0);
  EXPECT_EQ(ButtonIds(), (std::vector<int>{2, 1, 3}));

  // Layout elements are counted without the added controls.
  band_->SetControlShown(0, false);
  EXPECT_EQ(ButtonIds(), (std::vector<int>{2, 3}));
}

// Takes the toolbar's queued WM_SIZE messages, handling each; their count.
int TakeQueuedResizes(HWND toolbar) {
  int count = 0;
  MSG msg{};
  while (PeekMessageW(&msg, toolbar, WM_SIZE, WM_SIZE, PM_REMOVE)) {
    ++count;
    DispatchMessageW(&msg);
  }
  return count;
}

TEST_F(BandTest, RelayoutIsPostedAtMostOnceUntilHandled) {
  Dock();
  PumpUntilIdle();
  TestCommand& command = NewCommand();
  auto* a = new TestControl(TYPE_BUTTON, &command, u"A");
  band_->AppendControl(a);
  band_->AppendControl(new TestControl(TYPE_BUTTON, &command, u"B"));
  band_->AddControl(new TestControl(TYPE_BUTTON, &command, u"C"));
  EXPECT_TRUE(band_->IsRelayoutPending());
  EXPECT_EQ(TakeQueuedResizes(toolbar_), 1);
  EXPECT_FALSE(band_->IsRelayoutPending());

  band_->RemoveControl(a);
  TestControl stranger(TYPE_BUTTON, &command);
  band_->RemoveControl(&stranger);  // not held: still asks for a re-layout
  EXPECT_EQ(TakeQueuedResizes(toolbar_), 1);
  EXPECT_EQ(ButtonIds(), (std::vector<int>{2, 3}));
}

TEST_F(BandTest, ClicksReachTheCommandThroughReflectionAndRebar) {
  TestCommand& first = NewCommand("Test.First");
  TestCommand& second = NewCommand("Test.Second");
  band_->AppendControl(new TestControl(TYPE_BUTTON, &first, u"First"));
  band_->AppendControl(new TestControl(TYPE_BUTTON, &second, u"Second"));
  PumpUntilIdle();
  MoveWindow(toolbar_, 0, 0, 400, 22, TRUE);

  // Before the rebar adopts the toolbar, the reflection window hands the
  // click back.
  ShowWindow(reflection_->m_hWnd, SW_SHOW);
  ASSERT_TRUE(InputDriver::PressToolbarButton(toolbar_, 1)) << ::testing::PrintToString(InputDriver::TakeErrors());
  EXPECT_EQ(first.runs, 1);

  Dock();
  PumpUntilIdle();
  ASSERT_TRUE(InputDriver::PressToolbarButton(toolbar_, 2)) << ::testing::PrintToString(InputDriver::TakeErrors());
  EXPECT_EQ(second.runs, 1);
  EXPECT_TRUE(FrameCommands().empty());  // caught by the rebar subclass

  // A command of another window with an identifier in the control range
  // goes on to the frame untouched.
  HWND other = CreateWindowExW(0, FrameClass(), nullptr, WS_CHILD, 0, 0, 5, 5, frame_, nullptr, nullptr, nullptr);
  WPARAM w = MAKEWPARAM(1, 0);
  SendMessageW(rebar_, WM_COMMAND, w, reinterpret_cast<LPARAM>(other));
  ASSERT_EQ(FrameCommands().size(), 1u);
  EXPECT_EQ(FrameCommands()[0].wParam, w);
  EXPECT_EQ(FrameCommands()[0].lParam, reinterpret_cast<LPARAM>(other));
  EXPECT_EQ(first.runs, 1);
}

// A control that reacts to its command's new image by refreshing its
// button, reusing an identical image when there is one.
class ImageControl : public TestControl {
 public:
  using TestControl::TestControl;
  void ImageChanged() override {
    if (GetBand() != nullptr) last_index = GetBand()->GetImageIndex(this, true);
  }
  int last_index = -100;
};

TEST_F(BandTest, ImageListsKeepGreyCopiesAndReuseIdenticalImages) {
  TestCommand& command = NewCommand();
  auto* first = new ImageControl(TYPE_BUTTON, &command, u"First");
  first->SetImage(301);
  auto* second = new ImageControl(TYPE_BUTTON, &command, u"Second");
  second->SetImage(303);
  TestCommand& other = NewCommand("Test.Other");
  auto* third = new ImageControl(TYPE_BUTTON, &other, u"Third");
  third->SetImage(301);
  band_->AppendControl(first);
  band_->AppendControl(second);
  band_->AppendControl(third);

  auto list = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar_, TB_GETIMAGELIST, 0, 0));
  auto disabled = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar_, TB_GETDISABLEDIMAGELIST, 0, 0));
  ASSERT_NE(list, nullptr);
  ASSERT_NE(disabled, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), 3);  // first insertions never reuse
  EXPECT_EQ(ImageList_GetImageCount(disabled), 3);

  // The grey copy of 303, pixel for pixel.
  auto bitmap = static_cast<HBITMAP>(LoadImageW(quorvia::GetInstanceModule(quorvia::ThisModule()),
                                                MAKEINTRESOURCEW(303), IMAGE_BITMAP, 0, 0, 0));
  ASSERT_NE(bitmap, nullptr);
  std::vector<COLORREF> grey(16 * 16);
  ASSERT_TRUE(quorvia::ui::ImageListPixels(disabled, 1, grey.data(), 16 * 16));
  int coloured = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      COLORREF pixel = GetBitmapPixel(bitmap, x, y);
      COLORREF want = CLR_NONE;  // mask-coloured pixels stay transparent
      if (pixel != kCommandMaskColor) {
        int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
        int l = static_cast<int>(0.299 * r + 0.587 * g + 0.114 * b);
        int v = l + static_cast<int>((255 - l) * 0.25);
        want = RGB(v, v, v);
        ++coloured;
      }
      EXPECT_EQ(grey[static_cast<std::size_t>(y * 16 + x)], want) << x << "," << y;
    }
  }
  EXPECT_GT(coloured, 0);
  DeleteObject(bitmap);

  // Refreshing with a picture the list already holds reuses it; a new
  // picture is added.
  other.SetImage(302, kCommandMaskColor);  // same pixels as 301
  EXPECT_EQ(third->last_index, 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 3);
  other.SetImage(303, kCommandMaskColor);
  EXPECT_EQ(third->last_index, 1);
  EXPECT_EQ(ImageList_GetImageCount(list), 3);
  EXPECT_EQ(third->GetImage(), 303);
}

TEST_F(BandTest, ButtonWithoutImageShowsItsCaption) {
  TestCommand& command = NewCommand();
  auto* control = new TestControl(TYPE_BUTTON, &command, u"Go");
  control->SetImage(999);  // no such bitmap
  band_->AppendControl(control);
  TBBUTTON button{};
  SendMessageW(toolbar_, TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&button));
  EXPECT_EQ(button.iBitmap, -2);
  EXPECT_NE(button.fsStyle & BTNS_SHOWTEXT, 0);
  EXPECT_NE(button.fsState & TBSTATE_ENABLED, 0);
}

TEST_F(BandTest, RemoveAllControlsEmptiesTheBandAndRestartsIds) {
  TestCommand& command = NewCommand();
  band_->AppendControl(new TestControl(TYPE_BUTTON, &command, u"A"));
  band_->AppendControl(new TestControl(TYPE_BUTTON, &command, u"B"));
  band_->RemoveAllControls();
  EXPECT_TRUE(ButtonIds().empty());
  ControlList listed;
  band_->ListControls(listed);
  EXPECT_TRUE(listed.empty());
  EXPECT_EQ(band_->NextControlId(), 1);
  EXPECT_EQ(SendMessageW(toolbar_, TB_GETEXTENDEDSTYLE, 0, 0), static_cast<LRESULT>(kToolBandExtendedStyle));
}

}  // namespace
}  // namespace band_test
