#include <algorithm>

#include "platform/ui/controls.h"
#include "platform/ui/gdi.h"
#include "ui_test_support.h"

using namespace ui_test;
using quorvia::ui::InputDriver;
using quorvia::ui::PumpUntilIdle;

namespace {

class TextControlsTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    frame_ = Frame();
  }

  // The notification codes the frame got from a control, without the
  // focus ones.
  std::vector<WORD> Changes(HWND control) {
    std::vector<WORD> out;
    for (WORD c : Codes(frame_, control)) {
      if (c != EN_SETFOCUS && c != EN_KILLFOCUS && c != CBN_SETFOCUS && c != CBN_KILLFOCUS) out.push_back(c);
    }
    return out;
  }

  static std::u16string ItemText(HWND combo, int index) {
    auto n = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<std::size_t>(n));
    return s;
  }

  HWND frame_ = nullptr;
};

TEST_F(TextControlsTest, TypingEditsTheTextAndNotifiesEveryChange) {
  HWND edit = Child(frame_, u"Edit", ES_AUTOHSCROLL | WS_TABSTOP, 5, 10, 10, 200, 20, nullptr, WS_EX_CLIENTEDGE);
  ASSERT_TRUE(InputDriver::ClickWindow(edit));
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(Codes(frame_, edit), std::vector<WORD>{EN_SETFOCUS});
  Log().clear();
  ASSERT_TRUE(InputDriver::TypeText(u"Abc\r"));
  EXPECT_EQ(WindowText(edit), u"Abc");  // a single line takes no line break
  EXPECT_EQ(Changes(edit), (std::vector<WORD>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 3u);
  EXPECT_EQ(end, 3u);

  // Editing keys, the clipboard, and replacing a selection.
  InputDriver::PressKey(VK_BACK);
  EXPECT_EQ(WindowText(edit), u"Ab");
  InputDriver::PressKey(VK_HOME);
  InputDriver::PressKey(VK_END, InputDriver::kShift);
  InputDriver::PressKey('C', InputDriver::kControl);
  EXPECT_EQ(quorvia::ui::GetClipboardText(), u"Ab");
  InputDriver::TypeText(u"x");
  EXPECT_EQ(WindowText(edit), u"x");
  InputDriver::PressKey('V', InputDriver::kControl);
  InputDriver::PressKey(VK_LEFT);
  InputDriver::PressKey(VK_DELETE);
  EXPECT_EQ(WindowText(edit), u"xA");

  // Setting the text notifies too, unless the edit is multi-line.
  Log().clear();
  SetWindowTextW(edit, u"set");
  EXPECT_EQ(Changes(edit), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
  SendMessageW(edit, EM_LIMITTEXT, 4, 0);
  Log().clear();
  SendMessageW(edit, EM_SETSEL, 3, 3);
  InputDriver::TypeText(u"12");
  EXPECT_EQ(WindowText(edit), u"set1");
  EXPECT_EQ(Codes(frame_, edit).back(), EN_MAXTEXT);
}

TEST_F(TextControlsTest, MultiLineAndReadOnlyEditsDifferWhereTheyShould) {
  HWND multi = Child(frame_, u"Edit", ES_MULTILINE | ES_AUTOHSCROLL | WS_TABSTOP, 1, 10, 10, 200, 20);
  HWND read_only = Child(frame_, u"Edit", ES_READONLY | WS_TABSTOP, 2, 10, 40, 200, 20, u"fixed");
  Log().clear();
  SetWindowTextW(multi, u"one");
  EXPECT_TRUE(Codes(frame_, multi).empty());
  SetFocus(multi);
  SendMessageW(multi, EM_SETSEL, 3, 3);
  InputDriver::TypeText(u"\rtwo");
  EXPECT_EQ(WindowText(multi), u"one\r\ntwo");
  EXPECT_EQ(SendMessageW(multi, EM_GETLINECOUNT, 0, 0), 2);
  InputDriver::PressKey(VK_BACK);
  InputDriver::PressKey(VK_BACK);
  InputDriver::PressKey(VK_BACK);
  InputDriver::PressKey(VK_BACK);  // removes the whole line break
  EXPECT_EQ(WindowText(multi), u"one");

  ASSERT_TRUE(InputDriver::ClickWindow(read_only));
  InputDriver::TypeText(u"zz");
  InputDriver::PressKey(VK_DELETE);
  EXPECT_EQ(WindowText(read_only), u"fixed");
  SendMessageW(read_only, EM_SETSEL, 0, -1);
  InputDriver::PressKey('C', InputDriver::kControl);
  EXPECT_EQ(quorvia::ui::GetClipboardText(), u"fixed");
  // A read-only edit asks for the colours of static text when it paints.
  Log().clear();
  InvalidateRect(read_only, nullptr, TRUE);
  PumpUntilIdle();
  auto colours = Messages(WM_CTLCOLORSTATIC, frame_);
  ASSERT_EQ(colours.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(colours[0].lParam), read_only);
}

TEST_F(TextControlsTest, ChoosingFromAFixedListNotifiesInTheRealOrder) {
  HWND combo = Child(frame_, u"ComboBox", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, 9, 10, 10, 150,
                     200);
  // The list is filled when it is about to open, as a command would do it.
  Hook() = [&](HWND hwnd, UINT message, WPARAM w, LPARAM, LRESULT*) {
    if (hwnd == frame_ && message == WM_COMMAND && HIWORD(w) == CBN_DROPDOWN &&
        SendMessageW(combo, CB_GETCOUNT, 0, 0) == 0) {
      for (const char16_t* text : {u"Deutsch", u"English", u"Français"}) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      }
    }
    return false;
  };
  RECT r{};
  GetWindowRect(combo, &r);
  EXPECT_EQ(r.bottom - r.top, 13 + 2 + 6);  // the selection field only
  SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 16);
  GetWindowRect(combo, &r);
  EXPECT_EQ(r.bottom - r.top, 22);
  RECT dropped{};
  SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_EQ(dropped.bottom - dropped.top, 200);

  Log().clear();
  ASSERT_TRUE(InputDriver::SelectComboItem(combo, 1));
  EXPECT_EQ(Changes(combo), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(WindowText(combo), u"English");
  EXPECT_EQ(GetFocus(), combo);

  // Opened and closed without a choice.
  Log().clear();
  ASSERT_TRUE(InputDriver::OpenComboList(combo));
  EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  ASSERT_TRUE(InputDriver::CancelComboList(combo));
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(Changes(combo), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);

  // Keys: Down on the closed list, and Enter and Escape on the open one.
  Log().clear();
  InputDriver::PressKey(VK_DOWN);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  InputDriver::PressKey(VK_F4);
  InputDriver::PressKey(VK_UP);
  InputDriver::PressKey(VK_RETURN);
  EXPECT_EQ(Changes(combo), (std::vector<WORD>{CBN_SELCHANGE, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
  EXPECT_EQ(ItemText(combo, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0))), u"English");
  Log().clear();
  InputDriver::PressKey(VK_F4);
  InputDriver::PressKey(VK_ESCAPE);
  EXPECT_EQ(Changes(combo), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
  EXPECT_FALSE(InputDriver::SelectComboItem(combo, 7));
  EXPECT_EQ(InputDriver::TakeErrors().size(), 1u);
}

TEST_F(TextControlsTest, AnEditableComboBoxTypesIntoItsEditChild) {
  HWND combo = Child(frame_, u"ComboBox", CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_HASSTRINGS | WS_TABSTOP, 9, 10, 10, 150,
                     120);
  for (const char16_t* text : {u"alpha", u"beta"}) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  HWND edit = info.hwndItem;
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetParent(edit), combo);
  EXPECT_EQ(GetDlgCtrlID(edit), kComboEditId);

  ASSERT_TRUE(InputDriver::ClickWindow(edit));
  EXPECT_EQ(GetFocus(), edit);
  Log().clear();
  InputDriver::TypeText(u"ga");
  EXPECT_EQ(WindowText(combo), u"ga");
  EXPECT_EQ(Changes(combo), (std::vector<WORD>{CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE}));

  // A choice from the list puts its text into the field without an edit
  // notification.
  Log().clear();
  ASSERT_TRUE(InputDriver::SelectComboItem(combo, 1));
  EXPECT_EQ(WindowText(combo), u"beta");
  EXPECT_EQ(Changes(combo), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
  Log().clear();
  InputDriver::PressKey(VK_F4);
  InputDriver::PressKey(VK_ESCAPE);
  EXPECT_EQ(Changes(combo), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));

  // The edit child's colour request reaches the combo box's parent.
  Log().clear();
  InvalidateRect(edit, nullptr, TRUE);
  PumpUntilIdle();
  auto colours = Messages(WM_CTLCOLOREDIT, frame_);
  ASSERT_EQ(colours.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(colours[0].lParam), edit);
}

TEST_F(TextControlsTest, ListBoxesSelectByClickAndDrawTheirOwnerDrawnItems) {
  HWND list = Child(frame_, u"ListBox", LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_BORDER, 5001, 10, 10, 200,
                    100);
  EXPECT_EQ(Messages(WM_MEASUREITEM, frame_).size(), 1u);
  for (const char16_t* text : {u" Help...", u" (separator)", u" About"}) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  SendMessageW(list, LB_SETITEMDATA, 2, 77);
  EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 2, 0), 77);
  Log().clear();
  ASSERT_TRUE(InputDriver::ClickListItem(list, 2));
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Codes(frame_, list), (std::vector<WORD>{LBN_SETFOCUS, LBN_SELCHANGE}));
  std::vector<UINT> drawn;
  Hook() = [&](HWND, UINT message, WPARAM, LPARAM l, LRESULT*) {
    if (message == WM_DRAWITEM) drawn.push_back(reinterpret_cast<DRAWITEMSTRUCT*>(l)->itemID);
    return false;
  };
  InvalidateRect(list, nullptr, TRUE);
  PumpUntilIdle();
  EXPECT_EQ(drawn, (std::vector<UINT>{0, 1, 2}));
  EXPECT_EQ(SendMessageW(list, LB_DELETESTRING, 0, 0), 2);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 5, 0), LB_ERR);
}

}  // namespace
