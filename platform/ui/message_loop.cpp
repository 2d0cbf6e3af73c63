#include "platform/ui/message_loop.h"

#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

bool InnermostEnded(ThreadState& t) {
  return !t.loops.empty() && t.loops.back()->ended && t.loops.back()->ended();
}

}  // namespace

void SetMessageFilter(MessageFilter filter) { CurrentThread().filter = std::move(filter); }

void HandleMainLoopMessage(MSG& msg) {
  ThreadState& t = CurrentThread();
  if (t.filter) {
    MessageFilter filter = t.filter;  // the filter may replace itself
    if (filter(msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

int PumpUntilIdle() {
  ThreadState& t = CurrentThread();
  LoopFrame* frame = t.loops.empty() ? nullptr : t.loops.back();
  int handled = 0;
  MSG msg{};
  while (!InnermostEnded(t) && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit request for the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    ++handled;
    if (frame != nullptr && frame->handle) {
      frame->handle(msg);
    } else {
      HandleMainLoopMessage(msg);
    }
  }
  return handled;
}

void RunNestedLoop(LoopFrame& frame) {
  ThreadState& t = CurrentThread();
  t.loops.push_back(&frame);
  MSG msg{};
  while (!frame.ended()) {
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The loop ends and hands the quit request on to the outer loop.
        PostQuitMessage(static_cast<int>(msg.wParam));
        if (frame.unattended) frame.unattended();
        break;
      }
      frame.handle(msg);
      continue;
    }
    if (!t.driver_actions.empty()) {
      auto action = std::move(t.driver_actions.front());
      t.driver_actions.pop_front();
      action();
      continue;
    }
    ++t.unattended_loops;
    if (frame.unattended) frame.unattended();
    break;
  }
  t.loops.pop_back();
}

const LoopFrame* InnermostLoop() {
  ThreadState& t = CurrentThread();
  return t.loops.empty() ? nullptr : t.loops.back();
}

int RunMessageLoop() {
  MSG msg{};
  for (;;) {
    BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0) return static_cast<int>(msg.wParam);
    if (r < 0) return -1;
    HandleMainLoopMessage(msg);
  }
}

int UnattendedLoops() { return CurrentThread().unattended_loops; }

}  // namespace quorvia::ui
