#include <thread>

#include "platform/sync/last_error.h"
#include "platform/ui/controls.h"
#include "ui_test_support.h"

using namespace ui_test;
using quorvia::ui::InputDriver;
using quorvia::ui::PumpUntilIdle;

namespace {

class WindowTest : public UiTest {};

std::vector<HWND> Order(UINT message) {
  std::vector<HWND> out;
  for (const Seen& s : Messages(message)) out.push_back(s.hwnd);
  return out;
}

TEST_F(WindowTest, CreationSendsItsMessagesInOrderAndWindowsFollowCreationOrder) {
  HWND frame = Frame();
  Log().clear();
  int param = 7;
  HWND a = CreateWindowExW(0, RecordingClass(), u"first", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 20, 50, 40, frame,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(11)), nullptr, &param);
  HWND b = Child(frame, RecordingClass(), 0, 12, 0, 0, 5, 5);
  ASSERT_NE(a, nullptr);
  std::vector<UINT> kinds;
  for (const Seen& s : Log()) {
    if (s.hwnd == a) kinds.push_back(s.message);
  }
  ASSERT_GE(kinds.size(), 5u);
  EXPECT_EQ(kinds[0], WM_NCCREATE);
  EXPECT_EQ(kinds[1], WM_CREATE);
  EXPECT_EQ(kinds[2], WM_SIZE);
  EXPECT_EQ(kinds[3], WM_MOVE);
  EXPECT_EQ(kinds[4], WM_SHOWWINDOW);
  auto create = Messages(WM_CREATE, a).front();
  // The client area lies inside the 1 px border.
  EXPECT_EQ(Messages(WM_SIZE, a).front().lParam, MAKELPARAM(48, 38));
  (void)create;

  EXPECT_EQ(WindowText(a), u"first");
  EXPECT_EQ(GetParent(a), frame);
  EXPECT_EQ(GetDlgCtrlID(a), 11);
  EXPECT_EQ(GetDlgItem(frame, 12), b);
  EXPECT_EQ(GetWindow(frame, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDPREV), a);
  EXPECT_TRUE(IsChild(frame, b));
  EXPECT_EQ(GetAncestor(b, GA_ROOT), frame);

  RECT r{};
  GetWindowRect(a, &r);
  EXPECT_EQ(r.left, 110);
  EXPECT_EQ(r.top, 120);
  GetClientRect(a, &r);
  EXPECT_EQ(r.right, 48);
  POINT p{0, 0};
  ClientToScreen(a, &p);
  EXPECT_EQ(p.x, 111);
  EXPECT_EQ(p.y, 121);

  char16_t name[64] = {};
  EXPECT_EQ(GetClassNameW(a, name, 64), 14);
  EXPECT_EQ(std::u16string(name), u"UiTestRecorder");
}

TEST_F(WindowTest, CreateFailsCleanlyWhenWmCreateRefuses) {
  HWND frame = Frame();
  Hook() = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_CREATE) return false;
    *result = -1;
    return true;
  };
  Log().clear();
  HWND refused = Child(frame, RecordingClass(), 0, 1, 0, 0, 10, 10);
  EXPECT_EQ(refused, nullptr);
  // The half-made window still got its destruction messages.
  EXPECT_EQ(Messages(WM_NCDESTROY).size(), 1u);
  EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);
  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  EXPECT_EQ(CreateWindowExW(0, RecordingClass(), nullptr, WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
}

TEST_F(WindowTest, DestructionGoesParentFirstForWmDestroyAndChildrenFirstForTheFinalMessage) {
  HWND frame = Frame();
  HWND a = Child(frame, RecordingClass(), 0, 1, 0, 0, 10, 10);
  HWND a1 = Child(a, RecordingClass(), 0, 2, 0, 0, 5, 5);
  HWND b = Child(frame, RecordingClass(), 0, 3, 0, 0, 10, 10);
  HWND owned = CreateWindowExW(0, RecordingClass(), nullptr, WS_POPUP, 0, 0, 10, 10, a, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), frame);
  EXPECT_EQ(GetParent(owned), frame);  // a pop-up's parent is its owner
  SetFocus(a1);
  // A window that destroys a sibling while it is destroyed does not get
  // anything twice.
  Hook() = [a, b](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_DESTROY && hwnd == a) DestroyWindow(b);
    return false;
  };
  Log().clear();
  ASSERT_TRUE(DestroyWindow(frame));

  EXPECT_EQ(Order(WM_DESTROY), (std::vector<HWND>{owned, frame, a, b, a1}));
  EXPECT_EQ(Order(WM_NCDESTROY), (std::vector<HWND>{owned, b, a1, a, frame}));
  EXPECT_EQ(Order(WM_KILLFOCUS), std::vector<HWND>{a1});
  // WM_NCDESTROY is the last message each window gets.
  for (HWND h : {frame, a, a1, b, owned}) {
    EXPECT_FALSE(IsWindow(h));
    UINT last = 0;
    for (const Seen& s : Log()) {
      if (s.hwnd == h) last = s.message;
    }
    EXPECT_EQ(last, WM_NCDESTROY);
  }
  EXPECT_EQ(GetFocus(), nullptr);
  SetLastError(0);
  EXPECT_EQ(SendMessageW(a, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(PostMessageW(a, WM_USER, 0, 0));
  EXPECT_FALSE(DestroyWindow(a));
}

TEST_F(WindowTest, PostedMessagesWaitForThePumpAndSentOnesRunAtOnce) {
  HWND frame = Frame();
  Hook() = [](HWND, UINT message, WPARAM w, LPARAM, LRESULT* result) {
    if (message != WM_APP) return false;
    *result = static_cast<LRESULT>(w * 2);
    return true;
  };
  PumpUntilIdle();  // the new window's first painting
  Log().clear();
  EXPECT_TRUE(PostMessageW(frame, WM_APP, 1, 0));
  EXPECT_TRUE(PostMessageW(frame, WM_APP, 2, 0));
  EXPECT_TRUE(Messages(WM_APP).empty());
  EXPECT_EQ(SendMessageW(frame, WM_APP, 21, 0), 42);
  ASSERT_EQ(Messages(WM_APP).size(), 1u);

  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_EQ(PumpUntilIdle(), 2);
  auto app = Messages(WM_APP);
  ASSERT_EQ(app.size(), 3u);
  EXPECT_EQ(app[1].wParam, 1u);
  EXPECT_EQ(app[2].wParam, 2u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

  // Another thread may post, but not send.
  LRESULT sent = -1;
  DWORD error = 0;
  std::thread other([&] {
    PostMessageW(frame, WM_APP, 5, 0);
    sent = SendMessageW(frame, WM_APP, 5, 0);
    error = GetLastError();
  });
  other.join();
  EXPECT_EQ(sent, 0);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(PumpUntilIdle(), 1);
  EXPECT_EQ(Messages(WM_APP).back().wParam, 5u);

  // Thread messages and the quit request.
  PostMessageW(nullptr, WM_APP + 1, 9, 0);
  PostQuitMessage(3);
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, WM_APP + 1u);
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.wParam, 3u);
}

WNDPROC g_first_previous = nullptr;
WNDPROC g_second_previous = nullptr;
std::vector<std::string> g_chain;

LRESULT FirstSubclass(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) g_chain.push_back("first");
  return CallWindowProcW(g_first_previous, hwnd, message, w, l);
}

LRESULT SecondSubclass(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) {
    g_chain.push_back("second");
    if (w == 99) return 1234;  // swallowed here
  }
  return CallWindowProcW(g_second_previous, hwnd, message, w, l);
}

TEST_F(WindowTest, SubclassesChainThroughTheirSavedProcedures) {
  HWND frame = Frame();
  g_chain.clear();
  g_first_previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FirstSubclass)));
  EXPECT_EQ(g_first_previous, &RecordingProc);
  g_second_previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SecondSubclass)));
  EXPECT_EQ(g_second_previous, &FirstSubclass);
  Log().clear();
  SendMessageW(frame, WM_APP, 1, 0);
  EXPECT_EQ(g_chain, (std::vector<std::string>{"second", "first"}));
  EXPECT_EQ(Messages(WM_APP).size(), 1u);
  EXPECT_EQ(SendMessageW(frame, WM_APP, 99, 0), 1234);
  EXPECT_EQ(Messages(WM_APP).size(), 1u);

  // Undoing in reverse order restores the class procedure.
  SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_second_previous));
  SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_first_previous));
  WNDCLASSEXW wc{};
  ASSERT_TRUE(GetClassInfoExW(nullptr, u"uitestrecorder", &wc));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(frame, GWLP_WNDPROC)), wc.lpfnWndProc);

  // Per-window values.
  EXPECT_EQ(SetWindowLongPtrW(frame, GWLP_USERDATA, 77), 0);
  EXPECT_EQ(GetWindowLongPtrW(frame, GWLP_USERDATA), 77);
  EXPECT_EQ(SetWindowLongPtrW(frame, 8, 5), 0);
  EXPECT_EQ(GetWindowLongPtrW(frame, 8), 5);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrW(frame, 9), 0);  // past the 16 extra bytes
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLongW(frame, GWL_WNDPROC), 0);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(frame, GWL_STYLE)) & WS_POPUP, WS_POPUP);
}

TEST_F(WindowTest, FocusMovesWithItsMessagesAndSkipsDisabledWindows) {
  HWND frame = Frame();
  HWND a = Child(frame, RecordingClass(), 0, 1, 0, 0, 10, 10);
  HWND b = Child(frame, RecordingClass(), 0, 2, 20, 0, 10, 10);
  Log().clear();
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(GetFocus(), b);
  ASSERT_EQ(Messages(WM_KILLFOCUS, a).size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(Messages(WM_KILLFOCUS, a)[0].wParam), b);
  EXPECT_EQ(reinterpret_cast<HWND>(Messages(WM_SETFOCUS, b)[0].wParam), a);
  EnableWindow(a, FALSE);
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(GetFocus(), b);
  EnableWindow(b, FALSE);  // disabling the focus window takes the focus away
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, SizeChangesReachTheWindowOnceAndCanBeAdjusted) {
  HWND frame = Frame();
  HWND a = Child(frame, RecordingClass(), 0, 1, 0, 0, 10, 10);
  Hook() = [](HWND, UINT message, WPARAM, LPARAM l, LRESULT*) {
    if (message == WM_WINDOWPOSCHANGING) {
      auto* pos = reinterpret_cast<WINDOWPOS*>(l);
      if (pos->cy > 30) pos->cy = 30;  // a height limit, as a combo box keeps
    }
    return false;
  };
  Log().clear();
  MoveWindow(a, 5, 6, 100, 50, TRUE);
  ASSERT_EQ(Messages(WM_SIZE, a).size(), 1u);
  EXPECT_EQ(Messages(WM_SIZE, a)[0].lParam, MAKELPARAM(100, 30));
  EXPECT_EQ(Messages(WM_MOVE, a).size(), 1u);
  MoveWindow(a, 5, 6, 100, 30, TRUE);
  EXPECT_EQ(Messages(WM_SIZE, a).size(), 1u);  // nothing changed
  EXPECT_EQ(Messages(WM_MOVE, a).size(), 1u);
  ShowWindow(a, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(a));
  ShowWindow(a, SW_SHOW);
  ShowWindow(frame, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(a));  // hidden with its parent
}

TEST_F(WindowTest, TypedKeysArriveAsKeyAndCharacterMessagesThroughTheFilter) {
  HWND frame = Frame();
  std::vector<SHORT> ctrl_state;
  Hook() = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_CHAR) ctrl_state.push_back(GetKeyState(VK_CONTROL));
    return false;
  };
  SetFocus(frame);
  Log().clear();
  ASSERT_TRUE(InputDriver::TypeText(u"aB"));
  std::vector<std::pair<UINT, WPARAM>> keys;
  for (const Seen& s : Log()) {
    if (s.message == WM_KEYDOWN || s.message == WM_KEYUP || s.message == WM_CHAR) keys.emplace_back(s.message, s.wParam);
  }
  std::vector<std::pair<UINT, WPARAM>> expected = {
      {WM_KEYDOWN, 'A'},       {WM_CHAR, u'a'},     {WM_KEYUP, 'A'},       {WM_KEYDOWN, VK_SHIFT},
      {WM_KEYDOWN, 'B'},       {WM_CHAR, u'B'},     {WM_KEYUP, 'B'},       {WM_KEYUP, VK_SHIFT}};
  EXPECT_EQ(keys, expected);

  // Ctrl+C makes character 3 while Ctrl is down; a filter can take keys
  // before they are translated (the browser's accelerator path).
  Log().clear();
  ctrl_state.clear();
  ASSERT_TRUE(InputDriver::PressKey('C', InputDriver::kControl));
  ASSERT_EQ(Messages(WM_CHAR).size(), 1u);
  EXPECT_EQ(Messages(WM_CHAR)[0].wParam, 3u);
  EXPECT_NE(ctrl_state[0] & 0x8000, 0);
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);

  std::vector<WPARAM> filtered;
  quorvia::ui::SetMessageFilter([&](MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != 'X') return false;
    filtered.push_back(msg.wParam);
    return true;
  });
  Log().clear();
  InputDriver::TypeText(u"xy");
  quorvia::ui::SetMessageFilter(nullptr);
  EXPECT_EQ(filtered, std::vector<WPARAM>{'X'});
  ASSERT_EQ(Messages(WM_CHAR).size(), 1u);
  EXPECT_EQ(Messages(WM_CHAR)[0].wParam, u'y');
}

TEST_F(WindowTest, MouseInputGoesToTheWindowUnderThePointInItsClientCoordinates) {
  HWND frame = Frame();
  // The label lies over the window and lets clicks through.
  HWND label = Child(frame, u"Static", 0, 2, 50, 40, 10, 10, u"x");
  HWND a = Child(frame, RecordingClass(), 0, 1, 50, 40, 30, 30);
  Log().clear();
  ASSERT_TRUE(InputDriver::Click(POINT{100 + 55, 100 + 45}));
  auto down = Messages(WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].hwnd, a);
  EXPECT_EQ(down[0].lParam, MAKELPARAM(5, 5));
  EXPECT_EQ(Messages(WM_SETCURSOR, a).size(), 3u);
  // A disabled window takes no clicks.
  EnableWindow(a, FALSE);
  Log().clear();
  InputDriver::Click(POINT{155, 145});
  EXPECT_TRUE(Messages(WM_LBUTTONDOWN).empty());
  (void)label;
}

}  // namespace
