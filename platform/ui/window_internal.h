// The window system's own records, shared by the window calls, the message
// queue and the built-in controls inside the platform library. Not part of
// the platform's interface.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/bitmap.h"
#include "platform/ui/message_loop.h"
#include "platform/ui/window.h"

namespace quorvia::ui {

struct WindowClass {
  std::u16string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int window_extra = 0;
  HINSTANCE instance = nullptr;
  HBRUSH background = nullptr;
  ATOM atom = 0;
  int windows = 0;  // live windows of the class
};

// The state a built-in control keeps for its window; deleted after the
// window's final message.
class ControlState {
 public:
  virtual ~ControlState() = default;
};

struct ThreadState;

struct Window {
  HWND hwnd = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  ThreadState* thread = nullptr;
  std::shared_ptr<ThreadState> thread_keep;  // keeps `thread` valid after its thread ends
  HWND parent = nullptr;
  HWND owner = nullptr;
  std::vector<HWND> children;  // Z order, topmost first
  DWORD style = 0;
  DWORD ex_style = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  std::u16string text;
  RECT rect{};  // parent's client coordinates; screen for top-level windows
  LONG_PTR user_data = 0;
  std::vector<unsigned char> extra;
  bool invalid = false;
  bool destroy_sent = false;
  bool gone = false;
  std::unique_ptr<ControlState> control;
  std::unique_ptr<Bitmap> surface;  // what device contexts of the window draw on
};

// One input event in a thread's input queue: a key or a mouse button or
// move, routed when it is taken from the queue.
struct InputEvent {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  POINT screen{};  // mouse events
  bool mouse = false;
};

struct ThreadState {
  DWORD id = 0;
  std::thread::id native;

  // Guarded by lock: the parts other threads reach.
  std::mutex lock;
  std::condition_variable arrived;
  std::deque<MSG> posted;
  std::deque<InputEvent> input;
  bool quit = false;
  int quit_code = 0;

  // Only the owning thread touches the rest.
  std::vector<HWND> top_level;  // Z order, topmost first
  std::set<HWND> invalid;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  HWND hover = nullptr;        // window under the mouse at the last move
  HWND leave_track = nullptr;  // TrackMouseEvent(TME_LEAVE)
  POINT cursor{};
  BYTE keys[256] = {};
  DWORD message_pos = 0;

  std::vector<LoopFrame*> loops;
  std::deque<std::function<void()>> driver_actions;
  int unattended_loops = 0;
  std::vector<std::string> driver_errors;
  MessageFilter filter;
  std::function<void(HWND)> creation_hook;
};

// The calling thread's state (made on first use).
ThreadState& CurrentThread();
// The live window behind a handle, or null. The pointer stays usable while
// the shared pointer is held, even if the window is destroyed meanwhile.
std::shared_ptr<Window> Find(HWND hwnd);
// The live window if it belongs to the calling thread; sets the last error
// otherwise.
std::shared_ptr<Window> FindOwn(HWND hwnd);
// Registers a built-in class (used once per class at start-up).
void RegisterSystemClass(const char16_t* name, WNDPROC proc, UINT style, int window_extra);
// Runs once before the first class look-up: registers every built-in class.
void EnsureSystemClasses();
// Client rectangle of a window in its own window coordinates (frame removed).
RECT ClientInWindow(const Window& w);
// Screen position of a window's client origin.
POINT ClientOrigin(const Window& w);
// Sends WM_COMMAND with a notification code to the window's parent.
void NotifyParent(HWND hwnd, WORD code);
// Sends a WM_NOTIFY from the window to its parent; the parent's answer.
LRESULT NotifyParent(HWND hwnd, NMHDR* header, UINT code);
// A window's surface bitmap, sized to its client area (made on demand).
Bitmap* Surface(Window& w);
// Sets or clears the window's WS_VISIBLE bit and marks it for painting,
// without messages (used by controls for their drop-down windows).
void SetVisibleQuietly(HWND hwnd, bool visible);
// Adds a key or mouse event to the calling thread's input queue.
void QueueInput(const InputEvent& event);
// Called after a window's final message, so wrappers can drop it.
void AddDestroyObserver(void (*observer)(HWND));

// Text helpers.
std::u16string Text(LPCWSTR text);
std::u16string Text(LPCWSTR text, int length);
// Copies text into a buffer of `size` characters with a terminator; returns
// the characters copied.
int CopyText(const std::u16string& text, LPWSTR buffer, int size);
bool SameNoCase(std::u16string_view a, std::u16string_view b);
// Orders texts without regard to case (for sorted lists).
int CompareNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace quorvia::ui
