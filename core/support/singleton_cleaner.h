// Deletion of the library's lazily created single instances when the
// library is unloaded.
#pragma once

// Base of every singleton that the cleaner deletes. Its destructor may throw;
// the cleaner drops what it throws.
class SingletonCleanerBase {
 public:
  SingletonCleanerBase() = default;
  SingletonCleanerBase(const SingletonCleanerBase&) = delete;
  SingletonCleanerBase& operator=(const SingletonCleanerBase&) = delete;

  virtual ~SingletonCleanerBase() noexcept(false);
};

// Owns the registered singleton and deletes it when the cleaner is destroyed.
class SingletonCleaner {
 public:
  SingletonCleaner() = default;
  SingletonCleaner(const SingletonCleaner&) = delete;
  SingletonCleaner& operator=(const SingletonCleaner&) = delete;

  // Deletes the registered instance, drops any exception its destructor
  // throws, and forgets it.
  virtual ~SingletonCleaner();

  // Takes ownership of `instance`; a later registration replaces the pointer
  // (the earlier instance is then no longer deleted here). A singleton calls
  // this from its constructor.
  void Register(SingletonCleanerBase* instance) { m_pInstance = instance; }
  SingletonCleanerBase* GetInstance() const { return m_pInstance; }

  // The library's one cleaner. Built on first use, after the library's other
  // static objects, so it is destroyed before them when the library is
  // unloaded: the singleton it deletes may still use those objects (the
  // language table takes the language lock). Every library that compiles
  // this code has a cleaner of its own.
  static SingletonCleaner& Get();

 private:
  SingletonCleanerBase* m_pInstance = nullptr;
};
