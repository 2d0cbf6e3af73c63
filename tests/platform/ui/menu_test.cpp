#include "platform/ui/menu.h"
#include "platform/ui/toolbar.h"
#include "ui_test_support.h"

using namespace ui_test;
using quorvia::ui::InputDriver;
using quorvia::ui::PumpUntilIdle;

namespace {

class MenuTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    frame_ = Frame();
    // The site indicator's menu: a toggle, a separator, two buttons, and a
    // submenu.
    menu_ = CreatePopupMenu();
    sub_ = CreatePopupMenu();
    AppendMenuW(sub_, MF_STRING, 20, u"Deep");
    AppendMenuW(menu_, MF_STRING, 10, u"Turn Off Harbinel");
    AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu_, MF_STRING, 12, u"About Quorvia Harbinel");
    InsertMenuW(menu_, 2, MF_BYPOSITION | MF_STRING, 11, u"Help...");
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(sub_), u"More");
    PumpUntilIdle();
    Log().clear();
  }
  void TearDown() override {
    if (IsMenu(menu_)) DestroyMenu(menu_);
    UiTest::TearDown();
  }

  UINT Track(UINT flags) {
    return static_cast<UINT>(TrackPopupMenu(menu_, flags, 150, 150, 0, frame_, nullptr));
  }

  HWND frame_ = nullptr;
  HMENU menu_ = nullptr;
  HMENU sub_ = nullptr;
};

TEST_F(MenuTest, ItemsAreAddressedByPositionOrCommandAndKeepTheirState) {
  EXPECT_EQ(GetMenuItemCount(menu_), 5);
  EXPECT_EQ(GetMenuItemID(menu_, 0), 10u);
  EXPECT_EQ(GetMenuItemID(menu_, 1), 0u);  // the separator
  EXPECT_EQ(GetMenuItemID(menu_, 2), 11u);
  EXPECT_EQ(GetMenuItemID(menu_, 4), static_cast<UINT>(-1));  // a submenu
  EXPECT_EQ(GetSubMenu(menu_, 4), sub_);
  EXPECT_EQ(GetMenuState(menu_, 4, MF_BYPOSITION), (1u << 8) | MF_POPUP);
  EXPECT_EQ(GetMenuState(menu_, 1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);

  EXPECT_EQ(EnableMenuItem(menu_, 12, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED), static_cast<BOOL>(MF_ENABLED));
  EXPECT_EQ(EnableMenuItem(menu_, 12, MF_BYCOMMAND | MF_ENABLED), static_cast<BOOL>(MF_GRAYED | MF_DISABLED));
  EXPECT_EQ(EnableMenuItem(menu_, 99, MF_BYCOMMAND | MF_GRAYED), -1);
  EXPECT_EQ(CheckMenuItem(menu_, 10, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(GetMenuState(menu_, 10, MF_BYCOMMAND), MF_CHECKED);
  EXPECT_EQ(CheckMenuItem(menu_, 20, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);  // found in the submenu
  EXPECT_EQ(CheckMenuItem(menu_, 99, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));

  EXPECT_TRUE(ModifyMenuW(menu_, 11, MF_BYCOMMAND | MF_STRING, 11, u"Hilfe..."));
  char16_t text[32] = {};
  EXPECT_EQ(GetMenuStringW(menu_, 2, text, 32, MF_BYPOSITION), 8);
  EXPECT_EQ(std::u16string(text), u"Hilfe...");
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = nullptr;
  ASSERT_TRUE(GetMenuItemInfoW(menu_, 12, FALSE, &info));
  EXPECT_EQ(info.cch, 22u);

  // Removing keeps a submenu alive; deleting destroys it.
  EXPECT_TRUE(RemoveMenu(menu_, 4, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(sub_));
  EXPECT_TRUE(InsertMenuW(menu_, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(sub_), u"More"));
  EXPECT_TRUE(DeleteMenu(menu_, 0, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub_));
  EXPECT_EQ(GetMenuItemCount(menu_), 4);
  EXPECT_FALSE(RemoveMenu(menu_, 9, MF_BYPOSITION));
  HMENU other_sub = CreatePopupMenu();
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(other_sub), u"Other");
  EXPECT_TRUE(DestroyMenu(menu_));
  EXPECT_FALSE(IsMenu(other_sub));
  EXPECT_EQ(GetMenuItemCount(menu_), -1);
  EXPECT_FALSE(DestroyMenu(menu_));
}

TEST_F(MenuTest, TheDriverChoosesOrCancelsTheOpenMenu) {
  InputDriver::QueueChooseMenuItem(11);
  EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY), 11u);
  EXPECT_TRUE(Messages(WM_COMMAND, frame_).empty());
  EXPECT_TRUE(Messages(WM_INITMENUPOPUP, frame_).empty());
  EXPECT_EQ(quorvia::ui::OpenPopupMenu(), nullptr);
  EXPECT_TRUE(quorvia::ui::OpenMenuWindows().empty());

  // An item of the submenu: the submenu opens on the way.
  InputDriver::QueueChooseMenuItem(20);
  EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY), 20u);

  InputDriver::QueueCancelMenu();
  EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY), 0u);

  // Keys: Down twice passes over the separator, Enter chooses.
  InputDriver::QueuePressKey(VK_DOWN);
  InputDriver::QueuePressKey(VK_DOWN);
  InputDriver::QueuePressKey(VK_RETURN);
  EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY), 11u);

  // A grayed item cannot be chosen; the menu, left without input, closes.
  int unattended = quorvia::ui::UnattendedLoops();
  EnableMenuItem(menu_, 10, MF_BYCOMMAND | MF_GRAYED);
  InputDriver::QueueChooseMenuItem(10);
  EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY), 0u);
  EXPECT_EQ(quorvia::ui::UnattendedLoops(), unattended + 1);
  EXPECT_EQ(InputDriver::QueuedActions(), 0u);

  // With no menu open the driver reports failure.
  EXPECT_FALSE(InputDriver::ChooseMenuItem(11));
  EXPECT_EQ(InputDriver::TakeErrors().size(), 1u);
}

TEST_F(MenuTest, WithoutReturnCommandTheChoiceIsPostedAfterTheMenuClosed) {
  std::vector<UINT> seen_during;
  InputDriver::Queue([&] {
    // While the menu is open, the owner has heard of it but has no command.
    for (const Seen& s : Log()) {
      if (s.hwnd == frame_) seen_during.push_back(s.message);
    }
    InputDriver::ChooseMenuItem(12);
  });
  EXPECT_EQ(Track(0), static_cast<UINT>(TRUE));
  EXPECT_EQ(seen_during, (std::vector<UINT>{WM_ENTERMENULOOP, WM_INITMENUPOPUP}));
  EXPECT_TRUE(Messages(WM_COMMAND, frame_).empty());
  EXPECT_FALSE(Messages(WM_MENUSELECT, frame_).empty());
  EXPECT_EQ(Messages(WM_UNINITMENUPOPUP, frame_).size(), 1u);
  EXPECT_EQ(Messages(WM_EXITMENULOOP, frame_).size(), 1u);
  PumpUntilIdle();
  auto commands = Messages(WM_COMMAND, frame_);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(12, 0));
  EXPECT_EQ(commands[0].lParam, 0);
}

TEST_F(MenuTest, AToolbarDropDownOpensTheMenuBelowItsButton) {
  HWND toolbar = Child(frame_, TOOLBARCLASSNAMEW, TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 0,
                       0, 300, 22);
  SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  TBBUTTON b{};
  b.iBitmap = 0;
  b.idCommand = 1;
  b.fsState = TBSTATE_ENABLED;
  b.fsStyle = BTNS_DROPDOWN | BTNS_AUTOSIZE;
  SendMessageW(toolbar, TB_INSERTBUTTON, 0, reinterpret_cast<LPARAM>(&b));
  UINT chosen = 0;
  POINT menu_at{};
  Hook() = [&](HWND hwnd, UINT message, WPARAM, LPARAM l, LRESULT*) {
    if (hwnd != frame_ || message != WM_NOTIFY || reinterpret_cast<NMHDR*>(l)->code != TBN_DROPDOWN) return false;
    RECT r = reinterpret_cast<NMTOOLBARW*>(l)->rcButton;
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    menu_at = POINT{r.left, r.bottom};
    chosen = static_cast<UINT>(
        TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_NONOTIFY, r.left, r.bottom, 0, frame_, nullptr));
    return false;
  };
  InputDriver::QueueChooseMenuItemAt(3);
  ASSERT_TRUE(InputDriver::PressDropDown(toolbar, 1));
  EXPECT_EQ(chosen, 12u);
  EXPECT_EQ(menu_at.x, 100);
  EXPECT_EQ(menu_at.y, 100 + 22);
  EXPECT_EQ(InputDriver::QueuedActions(), 0u);
}

}  // namespace
