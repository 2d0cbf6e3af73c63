// A small library for the module tests: it carries resources and version
// information, and reports what the platform says about it from the inside.

#include "platform/api.h"
#include "platform/module/module.h"

namespace {
int marker = 0;
}  // namespace

extern "C" {

QUORVIA_EXPORT int ModuleTestAnswer() { return 42; }

QUORVIA_EXPORT HMODULE ModuleTestThisModule() { return quorvia::ThisModule(); }

QUORVIA_EXPORT HMODULE ModuleTestDataModule() { return ModuleFromAddress(&marker); }

// Loads a bitmap by identifier from the library's instance module, the way
// the command framework loads command images.
QUORVIA_EXPORT HANDLE ModuleTestLoadInstanceBitmap(int id) {
  return LoadImageW(quorvia::GetInstanceModule(quorvia::ThisModule()), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                    LR_CREATEDIBSECTION | LR_VGACOLOR);
}

}  // extern "C"
