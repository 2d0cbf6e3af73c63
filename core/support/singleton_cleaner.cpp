#include "core/support/singleton_cleaner.h"

SingletonCleanerBase::~SingletonCleanerBase() noexcept(false) = default;

SingletonCleaner::~SingletonCleaner() {
  SingletonCleanerBase* instance = m_pInstance;
  m_pInstance = nullptr;
  try {
    delete instance;
  } catch (...) {
    // Unloading goes on; a failing singleton destructor must not end the
    // process.
  }
}

SingletonCleaner& SingletonCleaner::Get() {
  static SingletonCleaner cleaner;
  return cleaner;
}
