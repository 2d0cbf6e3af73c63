#include "platform/ui/bitmap.h"
#include "platform/ui/gdi.h"
#include "platform/ui/image_list.h"
#include "platform/ui/toolbar.h"
#include "ui_test_support.h"

using namespace ui_test;
using quorvia::ui::InputDriver;
using quorvia::ui::PumpUntilIdle;

namespace {

// The style and extended style the tool band uses.
constexpr DWORD kBandStyle = 0x5401994D;
constexpr DWORD kBandExStyle = TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS;

struct Notification {
  UINT code;
  int item;
  RECT rect;
  int old_id;
  int new_id;
  DWORD flags;
  bool pressed_meanwhile;
};

class ToolbarTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    frame_ = Frame();
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, kBandStyle, 10, 10, 300, 22, frame_,
                               reinterpret_cast<HMENU>(static_cast<std::intptr_t>(0)), nullptr, nullptr);
    ASSERT_NE(toolbar_, nullptr);
    SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, kBandExStyle);
    Hook() = [this](HWND hwnd, UINT message, WPARAM, LPARAM l, LRESULT* result) {
      if (hwnd != frame_) return false;
      if (message != WM_NOTIFY) return false;
      auto* header = reinterpret_cast<NMHDR*>(l);
      if (header->hwndFrom != toolbar_) return false;
      Notification n{header->code, 0, {}, 0, 0, 0, false};
      if (header->code == TBN_DROPDOWN) {
        auto* nm = reinterpret_cast<NMTOOLBARW*>(l);
        n.item = nm->iItem;
        n.rect = nm->rcButton;
        n.pressed_meanwhile = SendMessageW(toolbar_, TB_ISBUTTONPRESSED, static_cast<WPARAM>(nm->iItem), 0) != 0;
      }
      if (header->code == TBN_HOTITEMCHANGE) {
        auto* nm = reinterpret_cast<NMTBHOTITEM*>(l);
        n.old_id = nm->idOld;
        n.new_id = nm->idNew;
        n.flags = nm->dwFlags;
        *result = refuse_hot_ ? 1 : 0;
        notes_.push_back(n);
        return true;
      }
      if (header->code == NM_CUSTOMDRAW) {
        auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(l);
        draws_.push_back({cd->dwDrawStage, static_cast<int>(cd->dwItemSpec), cd->uItemState});
        *result = draw_answer_ ? draw_answer_(*cd) : 0;
        return true;
      }
      notes_.push_back(n);
      return false;
    };
  }

  int Insert(int index, int id, BYTE style, int image = I_IMAGENONE, INT_PTR string = -1,
             BYTE state = TBSTATE_ENABLED) {
    TBBUTTON b{};
    b.iBitmap = image;
    b.idCommand = id;
    b.fsState = state;
    b.fsStyle = style;
    b.iString = string;
    return static_cast<int>(SendMessageW(toolbar_, TB_INSERTBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b)));
  }

  RECT Item(int index) {
    RECT r{};
    EXPECT_TRUE(SendMessageW(toolbar_, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)));
    return r;
  }

  int Width(int index) {
    RECT r = Item(index);
    return r.right - r.left;
  }

  void SetWidth(int id, int cx) {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_SIZE;
    info.cx = static_cast<WORD>(cx);
    EXPECT_TRUE(SendMessageW(toolbar_, TB_SETBUTTONINFO, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info)));
  }

  struct Draw {
    DWORD stage;
    int id;
    UINT state;
  };

  HWND frame_ = nullptr;
  HWND toolbar_ = nullptr;
  std::vector<Notification> notes_;
  std::vector<Draw> draws_;
  bool refuse_hot_ = false;
  std::function<LRESULT(const NMCUSTOMDRAW&)> draw_answer_;
};

TEST_F(ToolbarTest, ButtonsAreLaidOutLeftToRightWithTheWidthsTheirStylesGive) {
  const char16_t strings[] = u"Help\0Report\0";
  EXPECT_EQ(SendMessageW(toolbar_, TB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strings)), 0);
  EXPECT_EQ(SendMessageW(toolbar_, TB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Go\0")), 2);
  EXPECT_EQ(SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0), MAKELONG(24, 22));

  struct Case {
    int id;
    BYTE style;
    int image;
    INT_PTR string;
    int width;
  } cases[] = {
      {1, BTNS_AUTOSIZE, 0, -1, 8 + 16},                                      // image only
      {2, BTNS_AUTOSIZE | BTNS_SHOWTEXT, 0, 0, 8 + 16 + 4 + 4 * 8},           // image and "Help"
      {3, BTNS_AUTOSIZE, 0, 1, 8 + 16},                                       // text not shown (mixed buttons)
      {4, BTNS_DROPDOWN | BTNS_AUTOSIZE, 0, -1, 8 + 16 + 14},                 // split button
      {5, BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE | BTNS_SHOWTEXT, I_IMAGENONE, 2, 8 + 2 * 8 + 14},
      {6, BTNS_SEP, 1, -1, 1},                                                // a separator is iBitmap wide
      {7, BTNS_SHOWTEXT, I_IMAGENONE, 1, 8 + 6 * 8},                          // plain: the common width
  };
  for (const Case& c : cases) ASSERT_TRUE(Insert(-1, c.id, c.style, c.image, c.string));
  EXPECT_EQ(SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0), 7);
  int x = 0;
  for (int i = 0; i < 7; ++i) {
    RECT r = Item(i);
    SCOPED_TRACE(i);
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.right - r.left, cases[i].width);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.bottom, 22);
    x = r.right;
  }
  RECT by_id{};
  ASSERT_TRUE(SendMessageW(toolbar_, TB_GETRECT, 4, reinterpret_cast<LPARAM>(&by_id)));
  RECT fourth = Item(3);
  EXPECT_TRUE(EqualRect(&by_id, &fourth) != 0);
  EXPECT_FALSE(SendMessageW(toolbar_, TB_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&by_id)));

  // Deleting a button moves the ones after it.
  int second = Item(2).left;
  EXPECT_TRUE(SendMessageW(toolbar_, TB_DELETEBUTTON, 1, 0));
  EXPECT_EQ(SendMessageW(toolbar_, TB_COMMANDTOINDEX, 2, 0), -1);
  EXPECT_EQ(SendMessageW(toolbar_, TB_COMMANDTOINDEX, 3, 0), 1);
  EXPECT_EQ(Item(1).left, second - cases[1].width);
  EXPECT_FALSE(SendMessageW(toolbar_, TB_DELETEBUTTON, 6, 0));

  // Text, state and size through the button information.
  char16_t text[16] = {};
  TBBUTTONINFOW info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_TEXT | TBIF_STATE | TBIF_STYLE | TBIF_SIZE;
  info.pszText = text;
  info.cchText = 16;
  EXPECT_EQ(SendMessageW(toolbar_, TB_GETBUTTONINFO, 5, reinterpret_cast<LPARAM>(&info)), 3);
  EXPECT_EQ(std::u16string(text), u"Go");
  EXPECT_EQ(info.fsState, TBSTATE_ENABLED);
  EXPECT_EQ(info.cx, 8 + 16 + 14);
  EXPECT_TRUE(SendMessageW(toolbar_, TB_CHECKBUTTON, 1, TRUE));
  EXPECT_EQ(SendMessageW(toolbar_, TB_GETSTATE, 1, 0), TBSTATE_ENABLED | TBSTATE_CHECKED);
  EXPECT_FALSE(SendMessageW(toolbar_, TB_CHECKBUTTON, 99, TRUE));

  // The height follows the bitmap size and the vertical padding.
  SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELONG(16, 16));
  EXPECT_EQ(HIWORD(SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0)), 23);
  TBMETRICS metrics{};
  metrics.cbSize = sizeof metrics;
  metrics.dwMask = TBMF_PAD;
  SendMessageW(toolbar_, TB_GETMETRICS, 0, reinterpret_cast<LPARAM>(&metrics));
  EXPECT_EQ(metrics.cxPad, 7);
  EXPECT_EQ(metrics.cyPad, 6);
  metrics.cyPad = -2;
  SendMessageW(toolbar_, TB_SETMETRICS, 0, reinterpret_cast<LPARAM>(&metrics));
  EXPECT_EQ(HIWORD(SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0)), 16 - 2 + 1);
}

TEST_F(ToolbarTest, SetWidthsShareTheBandExactly) {
  // Widths 50 (auto-size), 5 raised to 10, and a 6 px separator over 300 px:
  // the auto-size control takes the 234 spare pixels.
  ASSERT_TRUE(Insert(-1, 1, BTNS_SEP, 1));                   // an edit field's placeholder
  ASSERT_TRUE(Insert(-1, 2, BTNS_AUTOSIZE, I_IMAGENONE, -1));
  ASSERT_TRUE(Insert(-1, 3, BTNS_SEP, 1));
  SetWidth(1, 50 + 234);
  SetWidth(2, 10);
  SetWidth(3, 6);
  EXPECT_EQ(Item(0).left, 0);
  EXPECT_EQ(Item(0).right, 284);
  EXPECT_EQ(Item(1).right, 294);
  EXPECT_EQ(Item(2).right, 300);

  // A set width stays until the button's content changes.
  TBBUTTONINFOW info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_STATE;
  info.fsState = 0;
  SendMessageW(toolbar_, TB_SETBUTTONINFO, 2, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(Width(1), 10);
  char16_t caption[] = u"Search";
  info.dwMask = TBIF_TEXT | TBIF_STYLE;
  info.fsStyle = BTNS_AUTOSIZE | BTNS_SHOWTEXT;
  info.pszText = caption;
  SendMessageW(toolbar_, TB_SETBUTTONINFO, 2, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(Width(1), 8 + 6 * 8);
}

TEST_F(ToolbarTest, ClicksAndDropDownsArriveAsTheRealToolbarReportsThem) {
  ASSERT_TRUE(Insert(-1, 1, BTNS_AUTOSIZE | BTNS_CHECK, 0));
  ASSERT_TRUE(Insert(-1, 2, BTNS_DROPDOWN | BTNS_AUTOSIZE, 0));
  ASSERT_TRUE(Insert(-1, 3, BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE, 0));
  ASSERT_TRUE(Insert(-1, 4, BTNS_AUTOSIZE, 0, -1, 0));  // disabled
  PumpUntilIdle();
  Log().clear();
  notes_.clear();

  ASSERT_TRUE(InputDriver::PressToolbarButton(toolbar_, 1));
  auto commands = Messages(WM_COMMAND, frame_);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(1, BN_CLICKED));
  EXPECT_EQ(reinterpret_cast<HWND>(commands[0].lParam), toolbar_);
  EXPECT_TRUE(SendMessageW(toolbar_, TB_ISBUTTONCHECKED, 1, 0));
  EXPECT_FALSE(SendMessageW(toolbar_, TB_ISBUTTONPRESSED, 1, 0));

  // The face of the split button runs it; its arrow asks for the drop-down.
  ASSERT_TRUE(InputDriver::PressToolbarButton(toolbar_, 2));
  EXPECT_EQ(Messages(WM_COMMAND, frame_).back().wParam, MAKEWPARAM(2, BN_CLICKED));
  ASSERT_TRUE(InputDriver::PressDropDown(toolbar_, 2));
  ASSERT_TRUE(InputDriver::PressDropDown(toolbar_, 3));
  EXPECT_EQ(Messages(WM_COMMAND, frame_).size(), 2u);
  std::vector<Notification> drops;
  for (const auto& n : notes_) {
    if (n.code == TBN_DROPDOWN) drops.push_back(n);
  }
  ASSERT_EQ(drops.size(), 2u);
  EXPECT_EQ(drops[0].item, 2);
  RECT second = Item(1);
  EXPECT_TRUE(EqualRect(&drops[0].rect, &second) != 0);
  EXPECT_TRUE(drops[0].pressed_meanwhile);
  EXPECT_EQ(drops[1].item, 3);
  EXPECT_FALSE(SendMessageW(toolbar_, TB_ISBUTTONPRESSED, 3, 0));

  // A whole drop-down has no face, and a disabled button does nothing.
  EXPECT_FALSE(InputDriver::PressToolbarButton(toolbar_, 3));
  EXPECT_EQ(InputDriver::TakeErrors().size(), 1u);
  ASSERT_TRUE(InputDriver::PressToolbarButton(toolbar_, 4));
  EXPECT_EQ(Messages(WM_COMMAND, frame_).size(), 2u);
  EXPECT_FALSE(InputDriver::PressDropDown(toolbar_, 1));
  EXPECT_FALSE(InputDriver::PressToolbarButton(toolbar_, 42));
  EXPECT_EQ(InputDriver::TakeErrors().size(), 2u);

  // Notifications follow the toolbar to a new parent.
  HWND other = Frame();
  MoveWindow(other, 600, 100, 400, 300, TRUE);
  SetParent(toolbar_, other);
  Log().clear();
  ASSERT_TRUE(InputDriver::PressToolbarButton(toolbar_, 1));
  EXPECT_TRUE(Messages(WM_COMMAND, frame_).empty());
  EXPECT_EQ(Messages(WM_COMMAND, other).size(), 1u);
}

TEST_F(ToolbarTest, HotItemMovesReportOldAndNewIdentifiers) {
  ASSERT_TRUE(Insert(-1, 11, BTNS_AUTOSIZE, 0));
  ASSERT_TRUE(Insert(-1, 12, BTNS_AUTOSIZE, 0));
  ASSERT_TRUE(Insert(-1, 13, BTNS_AUTOSIZE, 0, -1, 0));  // disabled buttons do not light up
  notes_.clear();
  ASSERT_TRUE(InputDriver::MoveHotItem(toolbar_, 11));
  ASSERT_TRUE(InputDriver::MoveHotItem(toolbar_, 12));
  ASSERT_TRUE(InputDriver::MoveHotItem(toolbar_, 13));
  ASSERT_EQ(notes_.size(), 3u);
  EXPECT_EQ(notes_[0].old_id, 0);
  EXPECT_EQ(notes_[0].new_id, 11);
  EXPECT_EQ(notes_[0].flags, HICF_MOUSE | HICF_ENTERING);
  EXPECT_EQ(notes_[1].old_id, 11);
  EXPECT_EQ(notes_[1].new_id, 12);
  EXPECT_EQ(notes_[2].old_id, 12);  // moving onto the disabled one leaves 12
  EXPECT_EQ(notes_[2].new_id, 0);
  EXPECT_EQ(SendMessageW(toolbar_, TB_GETHOTITEM, 0, 0), -1);

  ASSERT_TRUE(InputDriver::MoveHotItem(toolbar_, 12));
  notes_.clear();
  ASSERT_TRUE(InputDriver::MoveHotItem(toolbar_, 0));  // the mouse leaves the toolbar
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_EQ(notes_[0].old_id, 12);
  EXPECT_EQ(notes_[0].new_id, 0);
  EXPECT_NE(notes_[0].flags & HICF_LEAVING, 0u);

  refuse_hot_ = true;
  InputDriver::MoveHotItem(toolbar_, 11);
  EXPECT_EQ(SendMessageW(toolbar_, TB_GETHOTITEM, 0, 0), -1);
}

TEST_F(ToolbarTest, PaintingRunsTheCustomDrawCycleAndDrawsTheImagesNotSkipped) {
  HIMAGELIST list = ImageList_Create(16, 15, ILC_COLOR32 | ILC_MASK, 0, 50);
  HBITMAP red = CreateBitmap24(16, 15);
  for (int y = 0; y < 15; ++y) {
    for (int x = 0; x < 16; ++x) SetBitmapPixel(red, x, y, x < 2 ? RGB(1, 2, 3) : RGB(255, 0, 0));
  }
  ASSERT_EQ(ImageList_AddMasked(list, red, RGB(1, 2, 3)), 0);
  ImageList_SetBkColor(list, CLR_NONE);
  EXPECT_EQ(SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list)), 0);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar_, TB_GETIMAGELIST, 0, 0)), list);
  ASSERT_TRUE(Insert(-1, 1, BTNS_AUTOSIZE, 0));
  ASSERT_TRUE(Insert(-1, 2, BTNS_AUTOSIZE, 0));
  ASSERT_TRUE(Insert(-1, 3, BTNS_AUTOSIZE, 0));
  draw_answer_ = [](const NMCUSTOMDRAW& cd) -> LRESULT {
    if (cd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd.dwDrawStage == CDDS_ITEMPREPAINT && cd.dwItemSpec == 1) return CDRF_SKIPDEFAULT;
    if (cd.dwDrawStage == CDDS_ITEMPREPAINT && cd.dwItemSpec == 2) return CDRF_NOTIFYPOSTPAINT;
    return CDRF_DODEFAULT;
  };
  InputDriver::MoveHotItem(toolbar_, 3);
  draws_.clear();
  InvalidateRect(toolbar_, nullptr, TRUE);
  PumpUntilIdle();
  std::vector<std::pair<DWORD, int>> stages;
  for (const Draw& d : draws_) stages.emplace_back(d.stage, d.id);
  std::vector<std::pair<DWORD, int>> expected = {{CDDS_PREPAINT, 0},     {CDDS_ITEMPREPAINT, 1},
                                                 {CDDS_ITEMPREPAINT, 2}, {CDDS_ITEMPOSTPAINT, 2},
                                                 {CDDS_ITEMPREPAINT, 3}};
  EXPECT_EQ(stages, expected);
  EXPECT_EQ(draws_.back().state, CDIS_HOT);

  HDC dc = GetDC(toolbar_);
  // Images sit 3 px in and centred in the 22 px height; masked pixels and
  // skipped buttons leave the surface alone.
  EXPECT_EQ(GetPixel(dc, Item(0).left + 3 + 5, 3 + 5), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, Item(1).left + 3 + 5, 3 + 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, Item(1).left + 3, 3 + 5), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, Item(2).left + 3 + 2, 3 + 1), RGB(255, 0, 0));
  ReleaseDC(toolbar_, dc);
  SendMessageW(toolbar_, TB_SETIMAGELIST, 0, 0);
  ImageList_Destroy(list);
  DeleteObject(red);
}

TEST_F(ToolbarTest, EveryButtonHasAToolTipWhoseTextCanBeSet) {
  auto tips = reinterpret_cast<HWND>(SendMessageW(toolbar_, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tips, nullptr);
  ASSERT_TRUE(Insert(-1, 5, BTNS_AUTOSIZE, 0));
  ASSERT_TRUE(Insert(-1, 6, BTNS_SEP, 1));
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
  char16_t text[] = u"Report this site";
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = toolbar_;
  ti.uId = 5;
  ti.lpszText = text;
  SendMessageW(tips, TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&ti));
  char16_t out[64] = {};
  ti.lpszText = out;
  EXPECT_EQ(SendMessageW(tips, TTM_GETTEXT, 64, reinterpret_cast<LPARAM>(&ti)), 16);
  EXPECT_EQ(std::u16string(out), u"Report this site");
  SendMessageW(toolbar_, TB_DELETEBUTTON, 0, 0);
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 0);
  // The tool tip window goes with the toolbar.
  DestroyWindow(toolbar_);
  EXPECT_FALSE(IsWindow(tips));
}

}  // namespace
