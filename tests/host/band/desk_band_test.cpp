// The desk band answers the browser asks for, and the keyboard path from
// the browser's message loop to a focused control.
#include <optional>

#include "band_test_support.h"
#include "platform/registry/registry_api.h"
#include "platform/ui/controls.h"

namespace band_test {
namespace {

using quorvia::ui::InputDriver;
using quorvia::ui::PumpUntilIdle;

struct NewlineCase {
  const char* name;
  std::optional<DWORD> value;
  DWORD mode_flags;
};

class ModeFlagsTest : public BandTest, public ::testing::WithParamInterface<NewlineCase> {};

TEST_P(ModeFlagsTest, NewlineChoosesTheRow) {
  const NewlineCase& c = GetParam();
  if (c.value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Quorvia\\Harbinel\\Toolbar", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD value = *c.value;
    RegSetValueExW(key, u"Newline", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
  }
  DeskBandAnswersC answers;
  DESKBANDINFO info{};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS |
                DBIM_BKCOLOR;
  info.wszTitle[0] = u'x';
  ASSERT_EQ(answers.GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info), S_OK);
  EXPECT_EQ(info.dwModeFlags, c.mode_flags);
  EXPECT_EQ(info.dwMask & DBIM_BKCOLOR, 0u);
  EXPECT_EQ(info.ptMinSize.x, 80);
  EXPECT_EQ(info.ptMinSize.y, 22);
  EXPECT_EQ(info.ptMaxSize.x, -1);
  EXPECT_EQ(info.ptMaxSize.y, 22);
  EXPECT_EQ(info.ptIntegral.x, 1);
  EXPECT_EQ(info.ptActual.x, 80);
  EXPECT_EQ(info.ptActual.y, 22);
  EXPECT_EQ(info.wszTitle[0], u'\0');
}

INSTANTIATE_TEST_SUITE_P(Newline, ModeFlagsTest,
                         ::testing::Values(NewlineCase{"absent", std::nullopt, 0x180},
                                           NewlineCase{"zero", DWORD{0}, 0x80},
                                           NewlineCase{"one", DWORD{1}, 0x180}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BandTest, BandInfoFillsOnlyWhatIsAsked) {
  DESKBANDINFO info{};
  info.dwMask = DBIM_MODEFLAGS;
  info.ptMinSize.x = 7;
  EXPECT_EQ(answers_->GetBandInfo(0, 0, &info), S_OK);
  EXPECT_EQ(info.ptMinSize.x, 7);
  EXPECT_EQ(answers_->GetBandInfo(0, 0, nullptr), E_INVALIDARG);
}

TEST_F(BandTest, WindowAndDockingAnswers) {
  HWND window = nullptr;
  EXPECT_EQ(answers_->GetWindow(&window), S_OK);
  EXPECT_EQ(window, toolbar_);
  EXPECT_EQ(answers_->ContextSensitiveHelp(TRUE), E_NOTIMPL);
  EXPECT_EQ(answers_->ResizeBorderDW(nullptr, nullptr, FALSE), E_NOTIMPL);
  Dock();
  EXPECT_EQ(answers_->ShowDW(FALSE), S_OK);
  EXPECT_FALSE(IsWindowVisible(toolbar_));
  EXPECT_EQ(answers_->ShowDW(TRUE), S_OK);
  EXPECT_TRUE(IsWindowVisible(toolbar_));
  EXPECT_EQ(answers_->CloseDW(0), S_OK);
  EXPECT_FALSE(IsWindowVisible(toolbar_));
  EXPECT_TRUE(IsWindow(toolbar_));  // the windows stay until the site goes

  // Once the windows are gone the desk band has no window.
  answers_->DestroyWindows();
  EXPECT_EQ(answers_->GetWindow(&window), S_OK);
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(answers_->ShowDW(TRUE), S_OK);
}

// A control with an edit window of its own that records the keys it gets.
class EditTestControl : public TestControl {
 public:
  explicit EditTestControl(CommandI* command) : TestControl(TYPE_EDIT, command) { SetWidth(80); }
  ~EditTestControl() override {
    if (IsWindow(edit)) DestroyWindow(edit);
  }
  bool AttachToBand(ToolBandC* band, int id) override {
    ControlC::AttachToBand(band, id);
    edit = CreateWindowExW(0, u"Edit", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, band->m_hWnd, nullptr,
                           nullptr, nullptr);
    previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditTestControl::Proc)));
    SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return edit != nullptr;
  }
  bool TakeFocus() override { return SetFocus(edit) != nullptr || GetFocus() == edit; }
  bool HasFocus() override { return GetFocus() == edit; }

  static LRESULT Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<EditTestControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_KEYDOWN) self->keys.push_back(static_cast<UINT>(w));
    return CallWindowProcW(self->previous, window, message, w, l);
  }

  HWND edit = nullptr;
  WNDPROC previous = nullptr;
  std::vector<UINT> keys;
};

TEST_F(BandTest, ControlKeysReachTheFocusedEditOthersGoBackToTheBrowser) {
  Dock();
  TestCommand& command = NewCommand();
  auto* label = new TestControl(TYPE_LABEL, &command, u"Find:");
  auto* edit = new EditTestControl(&command);
  band_->AppendControl(label);
  band_->AppendControl(edit);
  PumpUntilIdle();

  // The browser's loop offers every key to the band first.
  std::vector<UINT> browser_keys;
  quorvia::ui::SetMessageFilter([&](MSG& msg) {
    if (msg.message < WM_KEYDOWN || msg.message > WM_SYSCHAR) return false;
    if (answers_->TranslateAcceleratorIO(&msg) == S_OK) return true;
    if (msg.message == WM_KEYDOWN) browser_keys.push_back(static_cast<UINT>(msg.wParam));
    return true;
  });

  EXPECT_EQ(answers_->HasFocusIO(), S_FALSE);
  MSG activation{};
  EXPECT_EQ(answers_->UIActivateIO(TRUE, nullptr), S_OK);  // without a message nothing happens
  EXPECT_EQ(answers_->HasFocusIO(), S_FALSE);
  EXPECT_EQ(answers_->UIActivateIO(TRUE, &activation), S_OK);
  EXPECT_EQ(answers_->HasFocusIO(), S_OK);
  EXPECT_EQ(GetFocus(), edit->edit);

  ASSERT_TRUE(InputDriver::PressKey('C', InputDriver::kControl));
  ASSERT_TRUE(InputDriver::PressKey(VK_LEFT));
  ASSERT_TRUE(InputDriver::PressKey('C'));
  ASSERT_TRUE(InputDriver::PressKey('V', InputDriver::kShift));
  EXPECT_EQ(edit->keys, (std::vector<UINT>{'C', VK_LEFT}));
  EXPECT_EQ(browser_keys, (std::vector<UINT>{VK_CONTROL, 'C', VK_SHIFT, 'V'}));
}

}  // namespace
}  // namespace band_test
