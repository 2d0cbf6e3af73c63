#include <algorithm>

#include "platform/ui/rebar.h"
#include "platform/ui/toolbar.h"
#include "ui_test_support.h"

using namespace ui_test;
using quorvia::ui::InputDriver;

namespace {

class RebarTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    frame_ = Frame();
    rebar_ = CreateWindowExW(0, REBARCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | RBS_VARHEIGHT | CCS_NODIVIDER, 0, 0,
                             400, 60, frame_, nullptr, nullptr, nullptr);
    ASSERT_NE(rebar_, nullptr);
  }

  REBARBANDINFOW Info(int index, UINT mask) {
    REBARBANDINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    EXPECT_TRUE(SendMessageW(rebar_, RB_GETBANDINFO, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info)));
    return info;
  }

  HWND frame_ = nullptr;
  HWND rebar_ = nullptr;
};

TEST_F(RebarTest, BandInformationRoundTripsAndOnlyTheMaskedFieldsChange) {
  HWND band_child = Child(frame_, RecordingClass(), 0, 0, 0, 0, 10, 10);
  char16_t title[] = u"Links";
  REBARBANDINFOW add{};
  add.cbSize = sizeof add;
  add.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID | RBBIM_TEXT | RBBIM_SIZE;
  add.fStyle = RBBS_CHILDEDGE;
  add.hwndChild = band_child;
  add.cxMinChild = 80;
  add.cyMinChild = 22;
  add.wID = 42;
  add.lpText = title;
  add.cx = 150;
  ASSERT_TRUE(SendMessageW(rebar_, RB_INSERTBAND, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&add)));
  EXPECT_EQ(SendMessageW(rebar_, RB_GETBANDCOUNT, 0, 0), 1);
  // The band takes its child and gives it the band's room after the gripper.
  EXPECT_EQ(GetParent(band_child), rebar_);
  RECT r{};
  GetWindowRect(band_child, &r);
  POINT origin{0, 0};
  ClientToScreen(rebar_, &origin);
  EXPECT_EQ(r.left - origin.x, 10);
  EXPECT_EQ(r.right - origin.x, 400);
  EXPECT_EQ(r.bottom - r.top, 22);

  REBARBANDINFOW style_only{};
  style_only.cbSize = sizeof style_only;
  style_only.fMask = RBBIM_STYLE;
  style_only.fStyle = Info(0, RBBIM_STYLE).fStyle | RBBS_BREAK;
  ASSERT_TRUE(SendMessageW(rebar_, RB_SETBANDINFO, 0, reinterpret_cast<LPARAM>(&style_only)));
  REBARBANDINFOW ideal{};
  ideal.cbSize = sizeof ideal;
  ideal.fMask = RBBIM_IDEALSIZE | RBBIM_STYLE;
  ideal.cxIdeal = 66;
  ideal.fStyle = Info(0, RBBIM_STYLE).fStyle | RBBS_USECHEVRON;
  ASSERT_TRUE(SendMessageW(rebar_, RB_SETBANDINFO, 0, reinterpret_cast<LPARAM>(&ideal)));

  char16_t text[16] = {};
  REBARBANDINFOW all{};
  all.cbSize = sizeof all;
  all.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID | RBBIM_TEXT | RBBIM_IDEALSIZE;
  all.lpText = text;
  all.cch = 16;
  ASSERT_TRUE(SendMessageW(rebar_, RB_GETBANDINFO, 0, reinterpret_cast<LPARAM>(&all)));
  EXPECT_EQ(all.fStyle, RBBS_CHILDEDGE | RBBS_BREAK | RBBS_USECHEVRON);
  EXPECT_EQ(all.hwndChild, band_child);
  EXPECT_EQ(all.cxMinChild, 80u);
  EXPECT_EQ(all.cyMinChild, 22u);
  EXPECT_EQ(all.wID, 42u);
  EXPECT_EQ(all.cxIdeal, 66u);
  EXPECT_EQ(std::u16string(text), u"Links");
  EXPECT_EQ(SendMessageW(rebar_, RB_IDTOINDEX, 42, 0), 0);

  EXPECT_FALSE(SendMessageW(rebar_, RB_GETBANDINFO, 1, reinterpret_cast<LPARAM>(&all)));
  all.cbSize = 8;  // too small to be a band description
  EXPECT_FALSE(SendMessageW(rebar_, RB_GETBANDINFO, 0, reinterpret_cast<LPARAM>(&all)));
}

TEST_F(RebarTest, BandsBreakIntoRowsAndTheLastOfARowTakesTheRest) {
  HWND one = Child(frame_, RecordingClass(), 0, 0, 0, 0, 10, 10);
  HWND two = Child(frame_, RecordingClass(), 0, 0, 0, 0, 10, 10);
  HWND three = Child(frame_, RecordingClass(), 0, 0, 0, 0, 10, 10);
  for (HWND child : {one, two, three}) {
    REBARBANDINFOW add{};
    add.cbSize = sizeof add;
    add.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    add.fStyle = child == three ? RBBS_BREAK : 0;
    add.hwndChild = child;
    add.cyMinChild = child == two ? 24 : 22;
    add.cx = 100;
    ASSERT_TRUE(SendMessageW(rebar_, RB_INSERTBAND, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&add)));
  }
  EXPECT_EQ(SendMessageW(rebar_, RB_GETROWCOUNT, 0, 0), 2);
  RECT band{};
  SendMessageW(rebar_, RB_GETRECT, 1, reinterpret_cast<LPARAM>(&band));
  EXPECT_EQ(band.left, 100);
  EXPECT_EQ(band.right, 400);
  EXPECT_EQ(band.bottom, 24);
  SendMessageW(rebar_, RB_GETRECT, 2, reinterpret_cast<LPARAM>(&band));
  EXPECT_EQ(band.top, 24);
  EXPECT_EQ(band.right, 400);
  EXPECT_EQ(SendMessageW(rebar_, RB_GETBARHEIGHT, 0, 0), 46);
  EXPECT_TRUE(SendMessageW(rebar_, RB_DELETEBAND, 0, 0));
  EXPECT_EQ(SendMessageW(rebar_, RB_GETBANDCOUNT, 0, 0), 2);
  EXPECT_FALSE(IsWindowVisible(one));
}

TEST_F(RebarTest, ChildCommandsAndNotificationsGoOnToTheRebarsParent) {
  HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST |
                                 CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0, 0, 100, 22, frame_, nullptr,
                                 nullptr, nullptr);
  TBBUTTON b{};
  b.iBitmap = 0;
  b.idCommand = 7;
  b.fsState = TBSTATE_ENABLED;
  b.fsStyle = BTNS_AUTOSIZE | BTNS_DROPDOWN;
  SendMessageW(toolbar, TB_INSERTBUTTON, 0, reinterpret_cast<LPARAM>(&b));
  REBARBANDINFOW add{};
  add.cbSize = sizeof add;
  add.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE;
  add.hwndChild = toolbar;
  add.cyMinChild = 22;
  ASSERT_TRUE(SendMessageW(rebar_, RB_INSERTBAND, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&add)));
  ASSERT_EQ(GetParent(toolbar), rebar_);
  std::vector<UINT> codes;
  Hook() = [&](HWND hwnd, UINT message, WPARAM, LPARAM l, LRESULT*) {
    if (hwnd == frame_ && message == WM_NOTIFY) codes.push_back(reinterpret_cast<NMHDR*>(l)->code);
    return false;
  };
  Log().clear();
  // Without the arrow style a drop-down button drops down as a whole.
  ASSERT_TRUE(InputDriver::PressDropDown(toolbar, 7));
  EXPECT_TRUE(Messages(WM_COMMAND, frame_).empty());
  EXPECT_EQ(std::count(codes.begin(), codes.end(), TBN_DROPDOWN), 1);
  SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  Log().clear();
  ASSERT_TRUE(InputDriver::PressToolbarButton(toolbar, 7));
  auto commands = Messages(WM_COMMAND, frame_);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(7, BN_CLICKED));
  EXPECT_EQ(reinterpret_cast<HWND>(commands[0].lParam), toolbar);
}

}  // namespace
