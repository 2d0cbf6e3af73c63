// Drawing objects (bitmaps, fonts, brushes, device contexts) handed out as
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

  // Stock objects live for the whole process: DeleteObject accepts them and
  // leaves them alone.
  virtual bool IsStock() const { return false; }
  // Objects DeleteObject must refuse (device contexts have calls of their own).
  virtual bool IsDeletable() const { return true; }
  // GetObjectW: fills the object's description into buffer when it has room
  // and returns the bytes written; 0 when the object has none or the buffer
  // is too small. A null buffer asks for the size.
  virtual int Describe(int size, void* buffer) const;

 protected:
  GdiObject();
};

}  // namespace quorvia

// Deletes a drawing object made by the platform; FALSE for a null, stale or
// unknown handle and for a device context. Stock objects are accepted (TRUE)
// and stay.
QUORVIA_PLATFORM_API BOOL DeleteObject(HANDLE object);
// For a bitmap (BITMAP), a font (LOGFONTW) or a brush (LOGBRUSH): fills the
// buffer when it is large enough and returns the bytes written; with a null
// buffer returns the size needed; 0 otherwise.
QUORVIA_PLATFORM_API int GetObjectW(HANDLE object, int size, LPVOID buffer);
