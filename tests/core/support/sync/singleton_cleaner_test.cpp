#include "core/support/singleton_cleaner.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

using CreateProbe = void (*)(int*, int);

TEST(SingletonCleaner, UnloadingTheLibraryDeletesItsSingletonOnce) {
  for (int throw_on_delete : {0, 1}) {
    SCOPED_TRACE(throw_on_delete);
    void* library = dlopen(SINGLETON_PROBE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto create = reinterpret_cast<CreateProbe>(dlsym(library, "CreateProbeSingleton"));
    ASSERT_NE(create, nullptr);

    int deletions = 0;
    create(&deletions, throw_on_delete);
    EXPECT_EQ(deletions, 0);
    // The library registered with its own cleaner, not with this program's.
    EXPECT_EQ(SingletonCleaner::Get().GetInstance(), nullptr);

    ASSERT_EQ(dlclose(library), 0);
    EXPECT_EQ(dlopen(SINGLETON_PROBE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "library still loaded";
    EXPECT_EQ(deletions, 1);
  }
}

}  // namespace
