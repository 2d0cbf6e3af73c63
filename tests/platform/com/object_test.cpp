#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/com/com_ptr.h"
#include "tests/platform/com/test_objects.h"

namespace {

using quorvia::ComPtr;
using quorvia::LibraryLock;

class ComObjectTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Every test must give back every object and lock it took.
    EXPECT_EQ(FooBar::live, 0);
    EXPECT_EQ(LibraryLock::GetLockCount(), 0);
  }
};

TEST_F(ComObjectTest, ComPtrCountsItsReferences) {
  auto object = quorvia::MakeComObject<FooBar>();
  ASSERT_TRUE(object);
  EXPECT_EQ(object->GetRefCount(), 1u);
  EXPECT_EQ(LibraryLock::GetLockCount(), 1);

  ComPtr<IFoo> foo;
  ASSERT_EQ(object.As(&foo), S_OK);
  EXPECT_EQ(object->GetRefCount(), 2u);
  {
    ComPtr<IFoo> copy = foo;
    EXPECT_EQ(object->GetRefCount(), 3u);
    ComPtr<IFoo> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(object->GetRefCount(), 3u);
    copy = moved;
    copy = moved;  // assigning the same pointer again takes no extra reference
    EXPECT_EQ(object->GetRefCount(), 4u);
  }
  EXPECT_EQ(object->GetRefCount(), 2u);

  // Out parameters: the address releases what the pointer held.
  ComPtr<IBar> bar;
  ASSERT_EQ(foo->QueryInterface(IID_PPV_ARGS(&bar)), S_OK);
  EXPECT_EQ(object->GetRefCount(), 3u);
  ASSERT_EQ(foo->QueryInterface(IID_PPV_ARGS(&bar)), S_OK);
  EXPECT_EQ(object->GetRefCount(), 3u);

  IBar* raw = bar.Detach();
  EXPECT_FALSE(bar);
  EXPECT_EQ(object->GetRefCount(), 3u);
  bar.Attach(raw);
  EXPECT_EQ(object->GetRefCount(), 3u);
  EXPECT_EQ(bar->Bar(), 8);

  IFoo* out = nullptr;
  ASSERT_EQ(foo.CopyTo(&out), S_OK);
  EXPECT_EQ(object->GetRefCount(), 4u);
  out->Release();

  bar = nullptr;
  foo.Reset();
  EXPECT_EQ(object->GetRefCount(), 1u);
  EXPECT_EQ(FooBar::live, 1);
  object = nullptr;  // the last Release deletes the object
  EXPECT_EQ(FooBar::live, 0);
}

TEST_F(ComObjectTest, InterfaceTableAnswersAndDeclines) {
  auto object = quorvia::MakeComObject<FooBar>(41);
  ComPtr<IFoo> foo;
  ComPtr<IBar> bar;
  ComPtr<IDispatch> dispatch;
  ComPtr<IFooDispatch> dual;
  ASSERT_EQ(object.As(&foo), S_OK);
  ASSERT_EQ(foo.As(&bar), S_OK);
  ASSERT_EQ(bar.As(&dispatch), S_OK);
  ASSERT_EQ(dispatch.As(&dual), S_OK);
  EXPECT_EQ(foo->Foo(), 41);
  EXPECT_EQ(bar->Bar(), 42);
  // IDispatch is answered on the dual interface's part.
  EXPECT_EQ(static_cast<IDispatch*>(dual.Get()), dispatch.Get());

  // IUnknown is the first row's part, whichever interface is asked.
  ComPtr<IUnknown> u1, u2, u3;
  ASSERT_EQ(foo.As(&u1), S_OK);
  ASSERT_EQ(bar.As(&u2), S_OK);
  ASSERT_EQ(dispatch.As(&u3), S_OK);
  EXPECT_EQ(u1.Get(), static_cast<IUnknown*>(foo.Get()));
  EXPECT_EQ(u1.Get(), u2.Get());
  EXPECT_EQ(u1.Get(), u3.Get());
  EXPECT_TRUE(bar.IsEqualObject(dispatch.Get()));

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(foo->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(foo->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(foo.As(&factory), E_NOINTERFACE);
  EXPECT_FALSE(factory);
}

TEST_F(ComObjectTest, CountIsSafeAcrossThreads) {
  auto object = quorvia::MakeComObject<FooBar>();
  ComPtr<IFoo> foo;
  ASSERT_EQ(object.As(&foo), S_OK);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([raw = foo.Get()] {
      for (int i = 0; i < 20000; ++i) {
        ComPtr<IFoo> local(raw);
        ComPtr<IBar> bar;
        local.As(&bar);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(object->GetRefCount(), 2u);
}

TEST_F(ComObjectTest, ClassFactoryCreatesAndLocks) {
  auto factory = quorvia::MakeComObject<quorvia::ClassFactory<FooBar>, false>();
  EXPECT_EQ(LibraryLock::GetLockCount(), 0);  // a cached factory holds no lock
  ComPtr<IFoo> foo;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&foo)), S_OK);
  EXPECT_EQ(LibraryLock::GetLockCount(), 1);
  EXPECT_EQ(foo->Foo(), 7);

  ComPtr<IUnknown> outer;
  ASSERT_EQ(foo.As(&outer), S_OK);
  void* out = nullptr;
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(FooBar::live, 1);  // the refused object is gone again

  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(LibraryLock::GetLockCount(), 2);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  foo = nullptr;
  outer = nullptr;
  EXPECT_EQ(LibraryLock::GetLockCount(), 0);
}

// An outer object that aggregates a FooBar: it answers IBar itself and hands
// every other query to the inner object.
class Outer : public quorvia::ComObjectRootEx<quorvia::ComSingleThreadModel>, public IBar {
 public:
  static const quorvia::InterfaceEntry* InterfaceTable() { return quorvia::InterfaceTableOf<Outer, IBar>(); }

  HRESULT FinalConstruct() {
    auto factory = quorvia::MakeComObject<quorvia::ClassFactory<FooBar, true>, false>();
    return factory->CreateInstance(static_cast<IBar*>(this), IID_IUnknown, reinterpret_cast<void**>(&inner_));
  }
  void FinalRelease() { inner_ = nullptr; }
  int Bar() override { return -1; }

  HRESULT Query(REFIID iid, void** out) {
    HRESULT hr = InternalQueryInterface(this, InterfaceTable(), iid, out);
    return hr == E_NOINTERFACE ? inner_->QueryInterface(iid, out) : hr;
  }

 private:
  ComPtr<IUnknown> inner_;
};

class OuterObject final : public Outer {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override { return Query(iid, out); }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override {
    ULONG n = InternalRelease();
    if (n == 0) {
      FinalRelease();
      delete this;
    }
    return n;
  }
};

TEST_F(ComObjectTest, AggregatedObjectSharesTheOuterIdentity) {
  auto* outer = new OuterObject;
  outer->AddRef();
  ASSERT_EQ(outer->FinalConstruct(), S_OK);
  EXPECT_EQ(FooBar::live, 1);
  {
    ComPtr<IFoo> foo;
    ASSERT_EQ(outer->QueryInterface(IID_PPV_ARGS(&foo)), S_OK);
    EXPECT_EQ(outer->GetRefCount(), 2u);  // the inner interface counts on the outer object
    ComPtr<IUnknown> identity;
    ASSERT_EQ(foo.As(&identity), S_OK);
    EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(static_cast<IBar*>(outer)));
    ComPtr<IBar> bar;
    ASSERT_EQ(foo.As(&bar), S_OK);
    EXPECT_EQ(bar->Bar(), -1);  // the outer object's own IBar
  }
  EXPECT_EQ(outer->Release(), 0u);
  EXPECT_EQ(FooBar::live, 0);
}

TEST_F(ComObjectTest, EveryLibraryHasItsOwnLockCount) {
  using Create = IUnknown* (*)();
  using Count = LONG (*)();
  void* a = dlopen(QUORVIA_PROBE_A, RTLD_NOW | RTLD_LOCAL);
  void* b = dlopen(QUORVIA_PROBE_B, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(a, nullptr) << dlerror();
  ASSERT_NE(b, nullptr) << dlerror();
  auto create_a = reinterpret_cast<Create>(dlsym(a, "ProbeCreate"));
  auto count_a = reinterpret_cast<Count>(dlsym(a, "ProbeLockCount"));
  auto count_b = reinterpret_cast<Count>(dlsym(b, "ProbeLockCount"));
  ASSERT_TRUE(create_a && count_a && count_b);

  IUnknown* object = create_a();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(count_a(), 1);
  EXPECT_EQ(count_b(), 0);
  EXPECT_EQ(LibraryLock::GetLockCount(), 0);
  object->Release();
  EXPECT_EQ(count_a(), 0);
  dlclose(b);
  dlclose(a);
}

}  // namespace
