// The built-in window classes, registered before the first class look-up.
#include <mutex>

#include "platform/ui/controls_internal.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {

// Extra bytes of a dialog window: the message result, the dialog procedure
// and a value for the dialog's own use (DWLP_MSGRESULT, DWLP_DLGPROC,
// DWLP_USER).
constexpr int kDialogExtra = 3 * static_cast<int>(sizeof(LONG_PTR));

void EnsureSystemClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterSystemClass(u"Static", &StaticProc, 0, 0);
    RegisterSystemClass(u"Button", &ButtonProc, CS_DBLCLKS, 0);
    RegisterSystemClass(u"Edit", &EditProc, CS_DBLCLKS, 0);
    RegisterSystemClass(u"ListBox", &ListBoxProc, CS_DBLCLKS, 0);
    RegisterSystemClass(u"ComboBox", &ComboBoxProc, CS_DBLCLKS, 0);
    RegisterSystemClass(u"ComboLBox", &ComboListProc, 0, 0);
    RegisterSystemClass(u"ToolbarWindow32", &ToolbarProc, CS_DBLCLKS, 0);
    RegisterSystemClass(u"ReBarWindow32", &RebarProc, CS_DBLCLKS, 0);
    RegisterSystemClass(u"tooltips_class32", &TooltipProc, 0, 0);
    RegisterSystemClass(u"#32768", &MenuWindowProc, 0, 0);
    RegisterSystemClass(u"#32770", &DialogClassProc, 0, kDialogExtra);
  });
}

}  // namespace quorvia::ui
