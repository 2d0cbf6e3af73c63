#include <stdio.h>

#include <set>
#include <sstream>

#include "platform/sync/last_error.h"
#include "platform/ui/bitmap.h"
#include "test_support.h"

using namespace module_test;

namespace {

using AnswerFn = int (*)();
using ModuleFn = HMODULE (*)();
using LoadBitmapFn = HANDLE (*)(int);

// One LoadLibrary, freed at the end of the scope.
class Loaded {
 public:
  explicit Loaded(const std::u16string& name) : module_(LoadLibraryW(name.c_str())) {}
  ~Loaded() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

TEST(ModuleNames, DllNamesMapToLibraryFilesAndBack) {
  struct Case {
    const char* name;
    const char* file;
  } cases[] = {
      {"HarbCore.dll", "libHarbCore.so"},
      {"harbres.DLL", "libharbres.so"},
      {"/opt/quorvia/QuorviaIE.dll", "/opt/quorvia/libQuorviaIE.so"},
      {"rel/dir/Plug.Dll", "rel/dir/libPlug.so"},
      {"libHarbCore.so", "libHarbCore.so"},
      {"Name.dll.bak", "Name.dll.bak"},
      {".dll", ".dll"},
      {"/a.dll/file", "/a.dll/file"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ModuleFileNameFor(c.name), c.file) << c.name;

  EXPECT_EQ(quorvia::ModuleNameForFile("libHarbCore.so"), "HarbCore.dll");
  EXPECT_EQ(quorvia::ModuleNameForFile("libgamma.so.1"), "");
  EXPECT_EQ(quorvia::ModuleNameForFile("Plain.so"), "");
  EXPECT_EQ(quorvia::ModuleNameForFile("lib.so"), "");
}

TEST(ModuleLoading, NameAndPathFormsGiveOneModule) {
  ASSERT_FALSE(TestLibraryLoaded());
  {
    Loaded by_name(u"ModuleTestLib.dll");
    Loaded by_path(U16(LibDir() + "/ModuleTestLib.dll"));
    Loaded by_file(U16(LibFile()));
    Loaded other_case(u"moduletestlib.DLL");
    Loaded other_case_path(U16(LibDir() + "/MODULETESTLIB.dll"));
    ASSERT_NE(by_name.get(), nullptr);
    EXPECT_EQ(by_path.get(), by_name.get());
    EXPECT_EQ(by_file.get(), by_name.get());
    EXPECT_EQ(other_case.get(), by_name.get());
    EXPECT_EQ(other_case_path.get(), by_name.get());
    EXPECT_EQ(GetModuleHandleW(u"ModuleTestLib.dll"), by_name.get());
    EXPECT_EQ(GetModuleHandleW(U16(LibDir() + "/ModuleTestLib.dll").c_str()), by_name.get());
  }
  // Every load was paired with a free: the library is gone.
  EXPECT_FALSE(TestLibraryLoaded());
}

TEST(ModuleLoading, FreeLibraryDropsOneLoadAtATime) {
  HMODULE first = LoadLibraryW(u"ModuleTestLib.dll");
  HMODULE second = LoadLibraryW(u"ModuleTestLib.dll");
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first, second);
  EXPECT_TRUE(FreeLibrary(first));
  // Still loaded, resources still there.
  EXPECT_EQ(GetModuleHandleW(u"ModuleTestLib.dll"), first);
  EXPECT_NE(FindResourceW(first, MAKEINTRESOURCEW(230), RT_BITMAP), nullptr);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_FALSE(TestLibraryLoaded());
  // Nothing left to free, and its resources were unregistered at unload.
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(FindResourceW(first, MAKEINTRESOURCEW(230), RT_BITMAP), nullptr);

  // Loading it again registers them again.
  Loaded again(u"ModuleTestLib.dll");
  ASSERT_NE(again.get(), nullptr);
  EXPECT_NE(FindResourceW(again.get(), MAKEINTRESOURCEW(230), RT_BITMAP), nullptr);
}

class ModuleFailureTest : public TempFolderTest {};

TEST_F(ModuleFailureTest, MissingOrInvalidLibrariesAreNotLoaded) {
  // A file with a library's name that is no library.
  WriteBytes(folder_ + "/libFake.so", "not a library");
  EXPECT_EQ(LoadLibraryW(U16(folder_ + "/Fake.dll").c_str()), nullptr);
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"NoSuchModule.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryW(U16(folder_ + "/ModuleTestLib.dll").c_str()), nullptr);
  EXPECT_EQ(LoadLibraryW(u""), nullptr);
  EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);

  EXPECT_EQ(GetModuleHandleW(u"NoSuchModule.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleW(U16(folder_ + "/Fake.dll").c_str()), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
  // Never loaded through LoadLibrary: nothing to free.
  EXPECT_FALSE(FreeLibrary(GetModuleHandleW(nullptr)));
  EXPECT_FALSE(FreeLibrary(GetModuleHandleW(u"QuorviaPlatform.dll")));
  EXPECT_NE(GetModuleHandleW(u"QuorviaPlatform.dll"), nullptr);
}

TEST(ModuleExports, OnlyTheLibrarysOwnExportsAreFound) {
  Loaded lib(u"ModuleTestLib.dll");
  ASSERT_NE(lib.get(), nullptr);
  auto answer = Export<AnswerFn>(lib.get(), "ModuleTestAnswer");
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(lib.get(), "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  // Reachable through the library's dependencies, but not its own.
  EXPECT_EQ(GetProcAddress(lib.get(), "malloc"), nullptr);
  EXPECT_NE(GetProcAddress(GetModuleHandleW(u"libc.so.6"), "malloc"), nullptr);
  // Hidden functions are not exports.
  EXPECT_EQ(GetProcAddress(lib.get(), "_ZN7quorvia10ThisModuleEv"), nullptr);
  EXPECT_EQ(GetProcAddress(lib.get(), reinterpret_cast<LPCSTR>(1)), nullptr);
  EXPECT_EQ(GetProcAddress(lib.get(), nullptr), nullptr);
}

TEST(ModuleIdentity, EveryWayToNameALibraryGivesTheSameHandle) {
  Loaded lib(u"ModuleTestLib.dll");
  ASSERT_NE(lib.get(), nullptr);
  auto this_module = Export<ModuleFn>(lib.get(), "ModuleTestThisModule");
  auto data_module = Export<ModuleFn>(lib.get(), "ModuleTestDataModule");
  ASSERT_NE(this_module, nullptr);
  ASSERT_NE(data_module, nullptr);
  EXPECT_EQ(this_module(), lib.get());
  EXPECT_EQ(data_module(), lib.get());
  EXPECT_EQ(ModuleFromAddress(reinterpret_cast<const void*>(this_module)), lib.get());

  HMODULE program = GetModuleHandleW(nullptr);
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(quorvia::ThisModule(), program);
  EXPECT_NE(program, lib.get());
  EXPECT_EQ(ModuleFromAddress(reinterpret_cast<const void*>(&LoadLibraryW)), GetModuleHandleW(u"QuorviaPlatform.dll"));

  int on_stack = 0;
  auto on_heap = std::make_unique<int>(0);
  EXPECT_EQ(ModuleFromAddress(&on_stack), nullptr);
  EXPECT_EQ(ModuleFromAddress(on_heap.get()), nullptr);
  EXPECT_EQ(ModuleFromAddress(nullptr), nullptr);
}

TEST(ModulePaths, FileNameIsTheLibrarysRealFile) {
  Loaded lib(u"ModuleTestLib.dll");
  ASSERT_NE(lib.get(), nullptr);
  std::u16string expected = U16(LibFile());

  WCHAR wide[MAX_PATH];
  DWORD n = GetModuleFileNameW(lib.get(), wide, MAX_PATH);
  EXPECT_EQ(std::u16string(wide, n), expected);
  char narrow[MAX_PATH];
  n = GetModuleFileNameA(lib.get(), narrow, MAX_PATH);
  EXPECT_EQ(std::string(narrow, n), LibFile());

  // Truncated: the buffer's size comes back and the text is still terminated.
  WCHAR small[5] = {u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetModuleFileNameW(lib.get(), small, 5), 5u);
  EXPECT_EQ(std::u16string(small), expected.substr(0, 4));
  EXPECT_EQ(GetModuleFileNameW(lib.get(), small, 0), 0u);

  // The main program.
  std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
  n = GetModuleFileNameA(nullptr, narrow, MAX_PATH);
  EXPECT_EQ(std::string(narrow, n), program);
  n = GetModuleFileNameA(GetModuleHandleW(nullptr), narrow, MAX_PATH);
  EXPECT_EQ(std::string(narrow, n), program);

  // Not a module.
  int on_stack = 0;
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(&on_stack), narrow, MAX_PATH), 0u);
}

TEST(InstanceModule, SwitchRedirectsResourceLoadsOfOneOwner) {
  Loaded lib(u"ModuleTestLib.dll");
  ASSERT_NE(lib.get(), nullptr);
  auto load = Export<LoadBitmapFn>(lib.get(), "ModuleTestLoadInstanceBitmap");
  ASSERT_NE(load, nullptr);
  HMODULE program = GetModuleHandleW(nullptr);

  // By default a library loads from itself: 230 is its own, 500 the program's.
  EXPECT_EQ(quorvia::GetInstanceModule(lib.get()), lib.get());
  HANDLE own = load(230);
  EXPECT_NE(own, nullptr);
  EXPECT_EQ(load(500), nullptr);

  quorvia::SetInstanceModule(lib.get(), program);
  EXPECT_EQ(quorvia::GetInstanceModule(lib.get()), program);
  EXPECT_EQ(quorvia::GetInstanceModule(program), program);  // other owners unaffected
  HANDLE redirected = load(500);
  EXPECT_NE(redirected, nullptr);
  EXPECT_EQ(load(230), nullptr);

  quorvia::SetInstanceModule(lib.get(), nullptr);
  EXPECT_EQ(quorvia::GetInstanceModule(lib.get()), lib.get());
  EXPECT_TRUE(DeleteObject(own));
  EXPECT_TRUE(DeleteObject(redirected));
}

// Embedding resources must not widen the library's interface: its dynamic
// symbol table holds its four functions and the linker's own markers only.
TEST(ModuleExports, ResourcesAddNoExportedSymbols) {
  FILE* pipe = popen(("nm -D --defined-only '" + LibFile() + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  ASSERT_EQ(pclose(pipe), 0) << output;

  std::set<std::string> symbols;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string address, kind, name;
    fields >> address >> kind >> name;
    if (name.empty()) name = kind;  // no address column
    static const std::set<std::string> kLinkerMarkers = {"_init", "_fini", "_edata", "_end", "__bss_start"};
    if (kLinkerMarkers.count(name) == 0) symbols.insert(name);
  }
  EXPECT_EQ(symbols, (std::set<std::string>{"ModuleTestAnswer", "ModuleTestDataModule", "ModuleTestLoadInstanceBitmap",
                                            "ModuleTestThisModule"}));
}

}  // namespace
