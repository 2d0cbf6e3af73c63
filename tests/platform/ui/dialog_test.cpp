#include "platform/module/module.h"
#include "platform/ui/bitmap.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/gdi.h"
#include "ui_test_support.h"

using namespace ui_test;
using quorvia::ui::DialogTemplate;
using quorvia::ui::InputDriver;

namespace {

// What the dialog procedure of a test saw and how it answers.
struct Script {
  std::vector<UINT> messages;
  std::vector<std::pair<int, WORD>> commands;
  LPARAM init_param = 0;
  int init_focus_id = 0;
  bool end_on_ok = true;
  bool end_on_cancel = true;
  INT_PTR ok_result = IDOK;
  HBRUSH static_brush = nullptr;
  std::u16string edit_text_at_ok;
  std::u16string chosen_language;
};

Script* g_script = nullptr;

INT_PTR ScriptedProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  Script& s = *g_script;
  s.messages.push_back(message);
  switch (message) {
    case WM_INITDIALOG:
      for (const char16_t* name : {u"English", u"Deutsch"}) {
        SendDlgItemMessageW(dialog, 1004, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      }
      s.init_param = l;
      s.init_focus_id = GetDlgCtrlID(reinterpret_cast<HWND>(w));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return s.static_brush != nullptr ? reinterpret_cast<INT_PTR>(s.static_brush) : FALSE;
    case WM_COMMAND:
      if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) s.commands.emplace_back(LOWORD(w), HIWORD(w));
      if (LOWORD(w) == 1004 && HIWORD(w) == CBN_SELCHANGE) {
        auto index = SendDlgItemMessageW(dialog, 1004, CB_GETCURSEL, 0, 0);
        std::u16string text(32, u'\0');
        SendDlgItemMessageW(dialog, 1004, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        s.chosen_language = text.c_str();
      }
      if (LOWORD(w) == IDOK && s.end_on_ok) {
        s.edit_text_at_ok = WindowText(GetDlgItem(dialog, 5002));
        EndDialog(dialog, s.ok_result);
        return TRUE;
      }
      if (LOWORD(w) == IDCANCEL && s.end_on_cancel) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

class DialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    frame_ = Frame();
    g_script = &script_;
  }
  void TearDown() override {
    g_script = nullptr;
    UiTest::TearDown();
  }

  INT_PTR Run(int id, LPARAM param = 0) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), frame_, &ScriptedProc, param);
  }

  HWND frame_ = nullptr;
  Script script_;
};

TEST_F(DialogTest, TemplatesAreReadFromResourceScriptText) {
  DialogTemplate t;
  ASSERT_TRUE(quorvia::ui::LoadDialogTemplate(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(216), &t));
  EXPECT_EQ(t.style, DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(t.cx, 245);
  EXPECT_EQ(t.cy, 214);
  EXPECT_EQ(t.caption, u"*About - Quorvia Harbinel");
  EXPECT_EQ(t.font_size, 8);
  EXPECT_EQ(t.font_face, u"Tahoma");
  ASSERT_EQ(t.items.size(), 8u);
  EXPECT_EQ(t.items[0].class_name, u"Button");
  EXPECT_EQ(t.items[0].style, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP);
  EXPECT_EQ(t.items[0].id, IDOK);
  EXPECT_EQ(t.items[4].class_name, u"ComboBox");
  EXPECT_EQ(t.items[4].style, WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP);
  // NOT takes a default style away.
  EXPECT_EQ(t.items[5].style, WS_CHILD | WS_VISIBLE | ES_LEFT | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY);
  EXPECT_EQ(t.items[6].ex_style, WS_EX_CLIENTEDGE);
  EXPECT_EQ(t.items[7].text_id, 230);
  EXPECT_EQ(t.items[7].id, -1);
  EXPECT_EQ(t.items[7].style, WS_CHILD | WS_VISIBLE | SS_BITMAP);

  struct Bad {
    const char* script;
    const char* error;
  } bad[] = {
      {"DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", 1, 0, 0, 5, 5, SS_NOSUCH\nEND", "line 3: unknown name SS_NOSUCH"},
      {"DIALOG 0, 0, 10, 10\nBEGIN\n  PUSHBUTTON \"a\", 1, 0, 0, 5\nEND", "line 4: ',' expected"},
      {"DIALOG 0, 0, 10, 10\nBEGIN\n", "line 3: END expected"},
      {"MENU 1\n", "line 1: DIALOG expected"},
  };
  for (const Bad& b : bad) {
    std::string error;
    EXPECT_FALSE(quorvia::ui::ParseDialogTemplate(b.script, &t, &error)) << b.script;
    EXPECT_EQ(error, b.error);
  }
  EXPECT_FALSE(quorvia::ui::LoadDialogTemplate(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(999), &t));
  EXPECT_EQ(Run(999), -1);
}

TEST_F(DialogTest, AModalDialogRunsUntilTheDriverPressesOk) {
  bool owner_enabled_meanwhile = true;
  HWND dialog = nullptr;
  RECT ok_rect{};
  InputDriver::Queue([&] {
    dialog = InputDriver::CurrentDialog();
    owner_enabled_meanwhile = IsWindowEnabled(frame_) != 0;
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok_rect);
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    OffsetRect(&ok_rect, -origin.x, -origin.y);
  });
  InputDriver::QueueClickListCheck(5001, 0);  // an empty list: the click finds no item
  InputDriver::QueueClickDialogItem(IDOK);
  script_.ok_result = 77;
  EXPECT_EQ(Run(501, 1234), 77);
  EXPECT_FALSE(owner_enabled_meanwhile);
  EXPECT_TRUE(IsWindowEnabled(frame_));
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(script_.init_param, 1234);
  EXPECT_EQ(script_.messages.front(), WM_SETFONT);
  // The owner-drawn list is measured while the controls are made, before
  // the dialog is initialised.
  EXPECT_EQ(script_.messages[1], WM_MEASUREITEM);
  EXPECT_EQ(script_.messages[2], WM_INITDIALOG);
  EXPECT_EQ(script_.commands.back(), (std::pair<int, WORD>{IDOK, 0}));
  // Dialog units with an 8-point font: 8 px per 4 units across, 13 per 8 down.
  EXPECT_EQ(ok_rect.left, 49 * 2);
  EXPECT_EQ(ok_rect.top, (99 * 13 + 4) / 8);
  EXPECT_EQ(ok_rect.right - ok_rect.left, 100);
  EXPECT_EQ(InputDriver::TakeErrors(), std::vector<std::string>{"the list has no item 0"});
}

TEST_F(DialogTest, TheDialogKeyboardTabsTypesAndPressesTheDefaultButton) {
  // The first tab stop (the list) has the focus; Tab moves to the edit.
  InputDriver::QueuePressKey(VK_TAB);
  InputDriver::QueueTypeText(u"abc");
  InputDriver::QueuePressKey(VK_RETURN);
  EXPECT_EQ(Run(501), IDOK);
  EXPECT_EQ(script_.edit_text_at_ok, u"abc");
  EXPECT_EQ(script_.init_focus_id, 5001);

  script_ = Script{};
  InputDriver::QueuePressKey(VK_ESCAPE);
  EXPECT_EQ(Run(501), IDCANCEL);
  EXPECT_EQ(script_.commands, (std::vector<std::pair<int, WORD>>{{IDCANCEL, 0}}));
}

TEST_F(DialogTest, TheDriverChoosesFromTheComboBoxOfTheOpenDialog) {
  // The list is sorted: Deutsch comes first.
  InputDriver::QueueSelectComboItem(1004, 1);
  InputDriver::QueueSelectComboItem(1004, 0);
  InputDriver::QueueClickDialogItem(IDOK);
  EXPECT_EQ(Run(216), IDOK);
  EXPECT_EQ(script_.chosen_language, u"Deutsch");
  InputDriver::QueueSelectComboItem(1004, 5);
  EXPECT_EQ(Run(216), IDCANCEL);
  EXPECT_EQ(InputDriver::TakeErrors(), std::vector<std::string>{"the combo box list has no item 5"});
}

TEST_F(DialogTest, ADialogLeftWithoutInputIsCancelledEvenIfItRefuses) {
  int before = quorvia::ui::UnattendedLoops();
  EXPECT_EQ(Run(501), IDCANCEL);
  EXPECT_EQ(quorvia::ui::UnattendedLoops(), before + 1);
  script_ = Script{};
  script_.end_on_cancel = false;
  EXPECT_EQ(Run(501), IDCANCEL);
  EXPECT_EQ(script_.commands, (std::vector<std::pair<int, WORD>>{{IDCANCEL, 0}}));
}

TEST_F(DialogTest, ControlsAskTheDialogForTheirColoursAndPicturesLoadFromTheModule) {
  script_.static_brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  COLORREF label = 0;
  COLORREF ok_button = 0;
  SIZE picture{};
  RECT picture_rect{};
  RECT dialog_rect{};
  InputDriver::Queue([&] {
    HWND dialog = InputDriver::CurrentDialog();
    GetWindowRect(dialog, &dialog_rect);
    HDC dc = GetDC(GetDlgItem(dialog, 1001));
    label = GetPixel(dc, 1, 1);
    ReleaseDC(nullptr, dc);
    dc = GetDC(GetDlgItem(dialog, IDOK));
    ok_button = GetPixel(dc, 1, 1);
    ReleaseDC(nullptr, dc);
    for (HWND h = GetWindow(dialog, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
      if (GetDlgCtrlID(h) != -1) continue;
      auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(h, STM_GETIMAGE, IMAGE_BITMAP, 0));
      int w = 0;
      int hgt = 0;
      GetBitmapSize(bitmap, &w, &hgt);
      picture = SIZE{w, hgt};
      GetClientRect(h, &picture_rect);
    }
    EndDialog(dialog, 5);
  });
  EXPECT_EQ(Run(216), 5);
  EXPECT_EQ(label, RGB(255, 255, 255));
  EXPECT_EQ(ok_button, GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(picture.cx, 3);
  EXPECT_EQ(picture.cy, 2);
  EXPECT_EQ(picture_rect.right, 3);  // the picture control takes the picture's size
  // Centred on the owner (400 x 300 at 100, 100): 490 x 348 client plus a
  // 3 px frame and a 20 px caption.
  EXPECT_EQ(dialog_rect.right - dialog_rect.left, 490 + 6);
  EXPECT_EQ(dialog_rect.bottom - dialog_rect.top, 348 + 6 + 20);
  EXPECT_EQ(dialog_rect.left, 100 + (400 - 496) / 2);
}

}  // namespace
