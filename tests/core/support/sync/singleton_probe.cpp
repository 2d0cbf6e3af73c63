// A singleton registered with this library's cleaner. Its destructor counts
// into the caller's counter and can be made to throw.
#include <stdexcept>

#include "core/support/singleton_cleaner.h"

namespace {

class Probe : public SingletonCleanerBase {
 public:
  Probe(int* deletions, bool throw_on_delete) : deletions_(deletions), throw_on_delete_(throw_on_delete) {
    SingletonCleaner::Get().Register(this);
  }
  ~Probe() noexcept(false) override {
    ++*deletions_;
    if (throw_on_delete_) throw std::runtime_error("singleton destructor failed");
  }

 private:
  int* deletions_;
  bool throw_on_delete_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) void CreateProbeSingleton(int* deletions, int throw_on_delete) {
  new Probe(deletions, throw_on_delete != 0);
}
