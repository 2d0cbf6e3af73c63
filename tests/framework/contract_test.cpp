// Commands made by one library and registered, run and deleted by another,
// each library with its own hidden copy of the framework.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "platform/module/module.h"
#include "platform/ui/bitmap.h"
#include "tests/framework/contract/contract_api.h"

namespace {

std::string LibraryPath(const char* file) { return std::string(FRAMEWORK_TEST_LIB_DIR) + "/" + file; }

// Every symbol a library exports, but the linker's section markers.
std::set<std::string> OwnExports(const std::string& path) {
  std::set<std::string> names;
  FILE* nm = popen(("nm -D --defined-only '" + path + "'").c_str(), "r");
  if (nm == nullptr) {
    ADD_FAILURE() << "cannot run nm";
    return names;
  }
  char line[1024];
  while (std::fgets(line, sizeof line, nm) != nullptr) {
    char address[64];
    char type[8];
    char name[900];
    if (std::sscanf(line, "%63s %7s %899s", address, type, name) != 3) {
      continue;
    }
    const std::string symbol = name;
    const bool marker = symbol == "_init" || symbol == "_fini" || symbol == "_edata" || symbol == "_end" ||
                        symbol == "__bss_start";
    if (!marker) {
      names.insert(symbol);
    }
  }
  EXPECT_EQ(pclose(nm), 0);
  return names;
}

bool IsLiveBitmap(HBITMAP bitmap) {
  BITMAP info{};
  return bitmap != nullptr && GetObjectW(bitmap, sizeof info, &info) != 0;
}

// Notes, when told of a new image, the command's bitmap and whether the
// bitmap it replaced is still alive.
class ImageWatcher : public CommandObserverI {
 public:
  explicit ImageWatcher(CommandI* command) : command_(command) {}
  void EnabledChanged() override {}
  void ImageChanged() override {
    ++told;
    bitmap_when_told = command_->GetBitmap();
    old_alive_when_told = IsLiveBitmap(old);
  }
  void TooltipChanged() override {}
  void TextChanged() override {}
  void SelectionChanged() override {}
  void CheckedChanged() override {}

  HBITMAP old = nullptr;
  int told = 0;
  HBITMAP bitmap_when_told = nullptr;
  bool old_alive_when_told = false;

 private:
  CommandI* command_;
};

template <typename Fn>
Fn Export(void* library, const char* name) {
  void* address = dlsym(library, name);
  EXPECT_NE(address, nullptr) << name;
  return reinterpret_cast<Fn>(address);
}

class ContractTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    maker_ = dlopen(LibraryPath(kMaker).c_str(), RTLD_NOW | RTLD_LOCAL);
    user_ = dlopen(LibraryPath(kUser).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  static void TearDownTestSuite() {
    if (user_ != nullptr) dlclose(user_);
    if (maker_ != nullptr) dlclose(maker_);
  }

  void SetUp() override {
    ASSERT_NE(maker_, nullptr) << dlerror();
    ASSERT_NE(user_, nullptr) << dlerror();
    create = Export<MakerCreateCommandFn>(maker_, "MakerCreateCommand");
    maker_set_image = Export<MakerSetImageFn>(maker_, "MakerSetImage");
    user_register = Export<UserRegisterFn>(user_, "UserRegister");
    user_exercise = Export<UserExerciseFn>(user_, "UserExercise");
    user_remove = Export<UserRemoveFn>(user_, "UserRemove");
    user_destroy = Export<UserDestroyFn>(user_, "UserDestroy");
    user_set_image = Export<UserSetImageFn>(user_, "UserSetImage");
  }

  static constexpr const char* kMaker = "libFrameworkTestMaker.so";
  static constexpr const char* kUser = "libFrameworkTestUser.so";
  static inline void* maker_ = nullptr;
  static inline void* user_ = nullptr;

  MakerLog log{};
  MakerCreateCommandFn create = nullptr;
  MakerSetImageFn maker_set_image = nullptr;
  UserRegisterFn user_register = nullptr;
  UserExerciseFn user_exercise = nullptr;
  UserRemoveFn user_remove = nullptr;
  UserDestroyFn user_destroy = nullptr;
  UserSetImageFn user_set_image = nullptr;
};

TEST_F(ContractTest, LibrariesExportOnlyTheirCFunctions) {
  EXPECT_EQ(OwnExports(LibraryPath(kMaker)), (std::set<std::string>{"MakerCreateCommand", "MakerSetImage"}));
  EXPECT_EQ(OwnExports(LibraryPath(kUser)), (std::set<std::string>{"UserRegister", "UserExercise", "UserRemove",
                                                                    "UserDestroy", "UserSetImage"}));
}

TEST_F(ContractTest, CommandsOfOneLibraryRunInTheSetOfAnother) {
  const char16_t* items[] = {u"a", u"b", u"b"};
  CommandI* commands[] = {
      create("Maker.One", items, 3, &log),
      create("Maker.Two", nullptr, 0, &log),
      create("Maker.A", nullptr, 0, &log),
  };
  // A second command under a taken name stays with its creator.
  CommandI* duplicate = create("Maker.One", nullptr, 0, &log);

  CommandSetI* set = user_register(commands, 3);
  CommandI* with_duplicate[] = {duplicate};
  CommandSetI* other = user_register(with_duplicate, 1);
  user_destroy(other);  // deletes the duplicate through the maker's code
  EXPECT_STREQ(log.deleted, "Maker.One;");
  log.deleted[0] = '\0';

  EXPECT_EQ(set->GetNames(), (std::vector<std::string>{"Maker.One", "Maker.Two", "Maker.A"}));
  EXPECT_EQ(set->FindCommand("Maker.One"), commands[0]);

  UserReport report{};
  ASSERT_TRUE(user_exercise(set, "Maker.One", u"b", &report));
  EXPECT_STREQ(report.name, "Maker.One");
  EXPECT_EQ(report.checked, 1);
  EXPECT_EQ(report.selected, 1);
  EXPECT_EQ(report.item_count, 3u);
  EXPECT_EQ(report.checked_notifications, 1);
  EXPECT_EQ(report.selection_notifications, 1);
  EXPECT_EQ(report.text_notifications, 1);
  // The maker's overrides ran, through the user library's virtual calls.
  EXPECT_EQ(log.executions, 1);
  EXPECT_EQ(log.checked_in_execute, 1);
  EXPECT_STREQ(log.selected_text, "b");

  // This program's own framework copy reads the same fields.
  auto* one = static_cast<CommandC*>(commands[0]);
  EXPECT_STREQ(one->GetName(), "Maker.One");
  EXPECT_EQ(one->GetItems().selected, 1);
  EXPECT_EQ(one->GetText(), u"b");
  EXPECT_TRUE(one->IsEnabled());

  ASSERT_TRUE(user_exercise(set, "Maker.Two", u"none", &report));
  EXPECT_EQ(report.selected, -1);
  EXPECT_EQ(report.item_count, 0u);
  EXPECT_FALSE(user_exercise(set, "maker.one", u"b", &report));

  user_remove(set, commands[1]);
  EXPECT_STREQ(log.deleted, "Maker.Two;");
  user_destroy(set);
  EXPECT_STREQ(log.deleted, "Maker.Two;Maker.A;Maker.One;");
}

// SetImage loads from the instance module of the library whose framework
// code runs it, and drops the old bitmap only after the observers moved on.
TEST_F(ContractTest, SetImageLoadsFromTheLibraryThatRunsIt) {
  CommandI* command = create("Maker.Image", nullptr, 0, &log);
  ImageWatcher watcher(command);
  command->AddObserver(&watcher);

  // The user library holds no bitmap 101.
  user_set_image(command, 101);
  EXPECT_EQ(command->GetImageId(), 101);
  EXPECT_EQ(command->GetBitmap(), nullptr);
  EXPECT_EQ(watcher.told, 1);

  // The maker does; only the low 16 bits of the identifier name it.
  maker_set_image(command, 0x10000 + 101);
  EXPECT_EQ(command->GetImageId(), 0x10000 + 101);
  HBITMAP first = command->GetBitmap();
  ASSERT_TRUE(IsLiveBitmap(first));
  int width = 0;
  int height = 0;
  ASSERT_TRUE(GetBitmapSize(first, &width, &height));
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(GetBitmapPixel(first, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetBitmapPixel(first, 0, 1), kCommandMaskColor);

  watcher.old = first;
  maker_set_image(command, 102);
  HBITMAP second = command->GetBitmap();
  EXPECT_TRUE(IsLiveBitmap(second));
  EXPECT_EQ(watcher.bitmap_when_told, second);
  EXPECT_TRUE(watcher.old_alive_when_told);
  EXPECT_FALSE(IsLiveBitmap(first));

  // With the maker as its instance module, the user library's copy loads
  // the maker's bitmaps.
  const HMODULE user_module = ModuleFromAddress(dlsym(user_, "UserSetImage"));
  const HMODULE maker_module = ModuleFromAddress(dlsym(maker_, "MakerSetImage"));
  ASSERT_NE(user_module, maker_module);
  quorvia::SetInstanceModule(user_module, maker_module);
  user_set_image(command, 101);
  quorvia::SetInstanceModule(user_module, nullptr);
  HBITMAP third = command->GetBitmap();
  EXPECT_TRUE(IsLiveBitmap(third));
  EXPECT_FALSE(IsLiveBitmap(second));

  // A missing identifier replaces the bitmap with none.
  watcher.old = third;
  maker_set_image(command, 4242);
  EXPECT_EQ(command->GetBitmap(), nullptr);
  EXPECT_EQ(watcher.bitmap_when_told, nullptr);
  EXPECT_TRUE(watcher.old_alive_when_told);
  EXPECT_FALSE(IsLiveBitmap(third));

  // The command deletes its bitmap when it ends.
  maker_set_image(command, 101);
  HBITMAP last = command->GetBitmap();
  EXPECT_TRUE(IsLiveBitmap(last));
  command->RemoveObserver(&watcher);
  delete command;
  EXPECT_STREQ(log.deleted, "Maker.Image;");
  EXPECT_FALSE(IsLiveBitmap(last));
}

}  // namespace
