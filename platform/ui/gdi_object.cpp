#include "platform/ui/gdi_object.h"

#include <mutex>
#include <unordered_set>

namespace {

std::mutex& LiveLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::unordered_set<const void*>& Live() {
  static auto* live = new std::unordered_set<const void*>;
  return *live;
}

}  // namespace

namespace quorvia {

GdiObject::GdiObject() {
  std::lock_guard<std::mutex> guard(LiveLock());
  Live().insert(static_cast<const void*>(this));
}

GdiObject::~GdiObject() {
  std::lock_guard<std::mutex> guard(LiveLock());
  Live().erase(static_cast<const void*>(this));
}

int GdiObject::Describe(int, void*) const { return 0; }

GdiObject* GdiObject::FromHandle(HANDLE handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(LiveLock());
  return Live().count(handle) != 0 ? static_cast<GdiObject*>(handle) : nullptr;
}

}  // namespace quorvia

BOOL DeleteObject(HANDLE object) {
  quorvia::GdiObject* target = nullptr;
  {
    std::lock_guard<std::mutex> guard(LiveLock());
    auto it = Live().find(object);
    if (object == nullptr || it == Live().end()) return FALSE;
    auto* found = static_cast<quorvia::GdiObject*>(object);
    if (found->IsStock()) return TRUE;
    if (!found->IsDeletable()) return FALSE;
    // Forget it first, so a second delete racing this one finds nothing.
    Live().erase(it);
    target = static_cast<quorvia::GdiObject*>(object);
  }
  delete target;  // the destructor's erase finds nothing left to remove
  return TRUE;
}

int GetObjectW(HANDLE object, int size, LPVOID buffer) {
  quorvia::GdiObject* found = quorvia::GdiObject::FromHandle(object);
  if (found == nullptr || size < 0) return 0;
  return found->Describe(size, buffer);
}
