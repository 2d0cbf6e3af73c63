// Drawing objects (bitmaps, and later fonts and brushes) handed out as
// handles. A handle is the object's address; every live object is recorded,
// so a stale or foreign handle is refused instead of being dereferenced.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"

namespace quorvia {

class GdiObject {
 public:
  virtual ~GdiObject();
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  HANDLE Handle() { return static_cast<HANDLE>(this); }

  // The live object behind a handle, or null.
  static GdiObject* FromHandle(HANDLE handle);

 protected:
  GdiObject();
};

}  // namespace quorvia

// Deletes a drawing object made by the platform; FALSE for a null, stale or
// unknown handle.
QUORVIA_PLATFORM_API BOOL DeleteObject(HANDLE object);
