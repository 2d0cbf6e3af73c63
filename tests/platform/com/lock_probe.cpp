// A library with one COM class, for the per-library lock count test.
#include "platform/api.h"
#include "platform/com/object.h"

namespace {

class Probe : public quorvia::ComObjectRootEx<quorvia::ComMultiThreadModel>, public IUnknown {
 public:
  static const quorvia::InterfaceEntry* InterfaceTable() { return quorvia::InterfaceTableOf<Probe, IUnknown>(); }
};

}  // namespace

extern "C" QUORVIA_EXPORT IUnknown* ProbeCreate() {
  IUnknown* out = nullptr;
  quorvia::CreateComObject<Probe>(IID_IUnknown, reinterpret_cast<void**>(&out));
  return out;
}

extern "C" QUORVIA_EXPORT LONG ProbeLockCount() { return quorvia::LibraryLock::GetLockCount(); }
