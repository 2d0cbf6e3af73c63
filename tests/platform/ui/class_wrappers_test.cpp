#include <algorithm>

#include "platform/module/module.h"
#include "platform/ui/atl_window.h"
#include "platform/ui/control_classes.h"
#include "platform/ui/wnd.h"
#include "ui_test_support.h"

using namespace ui_test;
using quorvia::ui::InputDriver;
using quorvia::ui::PumpUntilIdle;

namespace {

int g_deleted = 0;

// A window object that deletes itself after its final message, and that
// handles the commands of its children itself.
class SelfDeleting : public CWnd {
 public:
  std::vector<WPARAM> commands;
  std::vector<UINT> notifications;
  bool take_commands = true;

  BOOL OnCommand(WPARAM w, LPARAM l) override {
    commands.push_back(w);
    return take_commands ? TRUE : CWnd::OnCommand(w, l);
  }
  BOOL OnNotify(WPARAM w, LPARAM l, LRESULT* result) override {
    notifications.push_back(reinterpret_cast<NMHDR*>(l)->code);
    return CWnd::OnNotify(w, l, result);  // reflects to the sender
  }

 protected:
  void PostNcDestroy() override {
    ++g_deleted;
    delete this;
  }
};

// A toolbar that answers its own custom drawing through reflection.
class DrawingToolbar : public CToolBarCtrl {
 public:
  std::vector<DWORD> stages;

  BOOL OnWndMsg(UINT message, WPARAM w, LPARAM l, LRESULT* result) override {
    if (message == WM_REFLECT_BASE + WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == NM_CUSTOMDRAW) {
      auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(l);
      stages.push_back(cd->dwDrawStage);
      *result = cd->dwDrawStage == CDDS_PREPAINT ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
      return TRUE;
    }
    return CToolBarCtrl::OnWndMsg(message, w, l, result);
  }
};

class WrapperTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    frame_ = Frame();
    g_deleted = 0;
  }
  HWND frame_ = nullptr;
};

TEST_F(WrapperTest, ObjectsFollowTheirWindowsAndNotificationsAreReflected) {
  auto* host = new SelfDeleting;
  ASSERT_TRUE(host->Create(nullptr, u"KelmoraReflectionWindow", WS_VISIBLE, CRect(0, 0, 300, 30),
                           CWnd::FromHandle(frame_), 8));
  EXPECT_EQ(host->GetDlgCtrlID(), 8);
  EXPECT_EQ(CWnd::FromHandlePermanent(host->m_hWnd), host);
  std::u16string title;
  host->GetWindowText(title);
  EXPECT_EQ(title, u"KelmoraReflectionWindow");

  DrawingToolbar toolbar;
  ASSERT_TRUE(toolbar.Create(WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NORESIZE | CCS_NOPARENTALIGN,
                             CRect(0, 0, 300, 22), host, 0));
  TBBUTTON b{};
  b.iBitmap = 0;
  b.idCommand = 5;
  b.fsState = TBSTATE_ENABLED;
  b.fsStyle = BTNS_AUTOSIZE;
  ASSERT_TRUE(toolbar.InsertButton(0, &b));
  EXPECT_EQ(toolbar.GetButtonCount(), 1);

  ASSERT_TRUE(InputDriver::PressToolbarButton(toolbar, 5));
  EXPECT_EQ(host->commands, std::vector<WPARAM>{MAKEWPARAM(5, BN_CLICKED)});
  toolbar.stages.clear();
  host->notifications.clear();
  toolbar.Invalidate();
  PumpUntilIdle();
  EXPECT_EQ(toolbar.stages, (std::vector<DWORD>{CDDS_PREPAINT, CDDS_ITEMPREPAINT}));
  EXPECT_EQ(host->notifications, (std::vector<UINT>{NM_CUSTOMDRAW, NM_CUSTOMDRAW}));

  // Destroying the parent: the toolbar object is let go, the host deletes
  // itself after its final message.
  HWND toolbar_window = toolbar.m_hWnd;
  ::DestroyWindow(host->m_hWnd);
  EXPECT_EQ(g_deleted, 1);
  EXPECT_EQ(toolbar.m_hWnd, nullptr);
  EXPECT_FALSE(IsWindow(toolbar_window));
  EXPECT_EQ(CWnd::FromHandlePermanent(toolbar_window), nullptr);

  // An object that goes away first takes its window along.
  {
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(0, 0, 10, 10), CWnd::FromHandle(frame_), 3));
    toolbar_window = edit.m_hWnd;
  }
  EXPECT_FALSE(IsWindow(toolbar_window));
}

// An edit that learns of its own changes through reflection, and a parent
// that colours its children.
class WatchingEdit : public CEdit {
 public:
  int changes = 0;
  BOOL OnWndMsg(UINT message, WPARAM w, LPARAM l, LRESULT* result) override {
    if (message == WM_REFLECT_BASE + WM_COMMAND && HIWORD(w) == EN_CHANGE) {
      ++changes;
      return TRUE;
    }
    return CEdit::OnWndMsg(message, w, l, result);
  }
};

class Colouring : public CWnd {
 public:
  CBrush white{RGB(255, 255, 255)};
  std::vector<UINT> kinds;
  HBRUSH OnCtlColor(CDC*, CWnd*, UINT kind) override {
    kinds.push_back(kind);
    return white;
  }
};

TEST_F(WrapperTest, ReflectedCommandsAndColourRequestsReachTheRightObject) {
  Colouring parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 100), CWnd::FromHandle(frame_), 1));
  WatchingEdit edit;
  ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(0, 0, 100, 20), &parent, 2));
  CStatic label;
  ASSERT_TRUE(label.Create(u"Label", WS_VISIBLE, CRect(0, 30, 100, 50), &parent));
  EXPECT_EQ(label.GetDlgCtrlID(), 0xFFFF);
  edit.SetFocus();
  InputDriver::TypeText(u"ab");
  EXPECT_EQ(edit.changes, 2);
  parent.kinds.clear();
  PumpUntilIdle();
  label.Invalidate();
  edit.Invalidate();
  PumpUntilIdle();
  EXPECT_EQ(parent.kinds.size(), 2u);
  CClientDC dc(&label);
  EXPECT_EQ(dc.GetPixel(2, 2), RGB(255, 255, 255));
}

// The band's hold on the rebar: commands of its toolbar are taken, all else
// goes on to the rebar.
class BandMap : public CMessageMap {
 public:
  HWND toolbar = nullptr;
  std::vector<WORD> taken;
  BOOL ProcessWindowMessage(HWND, UINT message, WPARAM w, LPARAM l, LRESULT& result, DWORD map_id) override {
    if (map_id != 1 || message != WM_COMMAND) return FALSE;
    if (LOWORD(w) < 1 || LOWORD(w) > 1000 || reinterpret_cast<HWND>(l) != toolbar) return FALSE;
    taken.push_back(LOWORD(w));
    result = 0;
    return TRUE;
  }
};

TEST_F(WrapperTest, AContainedWindowSubclassesTheRebarAndCanBeUndone) {
  // The browser's rebar is a plain window; the band's toolbar is an object.
  HWND rebar = Child(frame_, REBARCLASSNAMEW, RBS_VARHEIGHT | CCS_NODIVIDER, 0, 0, 0, 400, 30);
  CToolBarCtrl toolbar;
  ASSERT_TRUE(toolbar.Create(WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NORESIZE | CCS_NOPARENTALIGN,
                             CRect(0, 0, 100, 22), CWnd::FromHandle(rebar), 0));
  HWND other = Child(rebar, u"Button", 0, 7, 300, 0, 20, 20);

  // The rebar class's own procedure, read from a throw-away rebar.
  HWND throwaway = CreateWindowExW(0, REBARCLASSNAMEW, nullptr, 0x46800648, 0, 0, 400, 275, toolbar.m_hWnd, nullptr,
                                   nullptr, nullptr);
  auto pristine = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(throwaway, GWLP_WNDPROC));
  ::DestroyWindow(throwaway);

  BandMap map;
  map.toolbar = toolbar.m_hWnd;
  CContainedWindow subclass(&map, 1);
  EXPECT_EQ(subclass.m_pfnSuperWindowProc, &DefWindowProcW);
  ASSERT_TRUE(subclass.SubclassWindow(rebar));
  EXPECT_EQ(subclass.m_pfnSuperWindowProc, pristine);
  EXPECT_FALSE(subclass.SubclassWindow(rebar));

  Log().clear();
  ::SendMessageW(rebar, WM_COMMAND, MAKEWPARAM(4, BN_CLICKED), reinterpret_cast<LPARAM>(toolbar.m_hWnd));
  ::SendMessageW(rebar, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(other));
  EXPECT_EQ(map.taken, std::vector<WORD>{4});
  auto passed = Messages(WM_COMMAND, frame_);
  ASSERT_EQ(passed.size(), 1u);
  EXPECT_EQ(passed[0].wParam, MAKEWPARAM(7, BN_CLICKED));
  EXPECT_EQ(reinterpret_cast<HWND>(passed[0].lParam), other);

  // A second subclass on top; undoing the first out of order needs force.
  CContainedWindow second(&map, 2);
  ASSERT_TRUE(second.SubclassWindow(rebar));
  EXPECT_EQ(subclass.UnsubclassWindow(), nullptr);
  EXPECT_EQ(second.UnsubclassWindow(), rebar);
  // Writing the pristine procedure back, as the band does when it goes.
  subclass.m_pfnSuperWindowProc = pristine;
  ASSERT_NE(SetWindowLongPtrW(rebar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pristine)), 0);
  subclass.m_hWnd = nullptr;
  subclass.m_pfnSuperWindowProc = &DefWindowProcW;
  map.taken.clear();
  ::SendMessageW(rebar, WM_COMMAND, MAKEWPARAM(4, BN_CLICKED), reinterpret_cast<LPARAM>(toolbar.m_hWnd));
  EXPECT_TRUE(map.taken.empty());

  // A subclass still in place lets go of the window at its final message.
  CContainedWindow last(&map, 1);
  ASSERT_TRUE(last.SubclassWindow(rebar));
  ::DestroyWindow(rebar);
  EXPECT_EQ(last.m_hWnd, nullptr);
  EXPECT_EQ(last.m_pfnSuperWindowProc, &DefWindowProcW);
}

// A dialog object with data exchange, a check list and its own colours.
class LayoutDialog : public CDialog {
 public:
  LayoutDialog() : CDialog(501) {}
  CCheckListBox list;
  CButton ok;
  std::u16string name = u"start";
  std::vector<int> checks_at_ok;
  std::vector<WORD> list_codes;

  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, IDOK, ok);
    DDX_Control(dx, 5001, list);
    DDX_Text(dx, 5002, name);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    list.SetCheckStyle(BS_AUTOCHECKBOX);
    for (const char16_t* text : {u" Help...", u" (separator)"}) {
      int index = list.AddString(text);
      list.SetCheck(index, 1);
    }
    list.InsertString(0, u" first");
    return TRUE;
  }
  BOOL OnCommand(WPARAM w, LPARAM l) override {
    if (LOWORD(w) == 5001) list_codes.push_back(HIWORD(w));
    return CDialog::OnCommand(w, l);
  }
  void OnOK() override {
    for (int i = 0; i < list.GetCount(); ++i) checks_at_ok.push_back(list.GetCheck(i));
    CDialog::OnOK();
  }
};

TEST_F(WrapperTest, ADialogObjectRunsModallyWithDataExchangeAndACheckList) {
  LayoutDialog dialog;
  dialog.m_pParentWnd = CWnd::FromHandle(frame_);
  InputDriver::QueueClickListCheck(5001, 2);  // unchecks " (separator)"
  InputDriver::QueueClickListCheck(5001, 0);  // checks " first"
  InputDriver::Queue([] {
    HWND edit = GetDlgItem(InputDriver::CurrentDialog(), 5002);
    InputDriver::ClickWindow(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    InputDriver::TypeText(u"renamed");
  });
  InputDriver::QueueClickDialogItem(IDOK);
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.name, u"renamed");
  EXPECT_EQ(dialog.checks_at_ok, (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(std::count(dialog.list_codes.begin(), dialog.list_codes.end(), CLBN_CHKCHANGE), 2);
  EXPECT_EQ(dialog.m_hWnd, nullptr);
  EXPECT_EQ(dialog.list.m_hWnd, nullptr);

  // Cancel leaves the data alone; a missing template fails.
  LayoutDialog again;
  again.m_pParentWnd = CWnd::FromHandle(frame_);
  InputDriver::QueueTypeText(u"x");
  InputDriver::QueuePressKey(VK_ESCAPE);
  EXPECT_EQ(again.DoModal(), IDCANCEL);
  EXPECT_EQ(again.name, u"start");
  CDialog missing(999);
  EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(WrapperTest, MenuAndImageListObjectsOwnTheirHandles) {
  HMENU kept = nullptr;
  {
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    CMenu sub;
    ASSERT_TRUE(sub.CreatePopupMenu());
    sub.AppendMenu(MF_STRING, 21, u"Deep");
    menu.AppendMenu(MF_STRING, 20, u"Top");
    menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), u"More");
    EXPECT_EQ(menu.GetSubMenu(1)->GetMenuItemID(0), 21u);
    std::u16string text;
    menu.GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text, u"Top");
    InputDriver::QueueChooseMenuItem(21);
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY, 120, 120, CWnd::FromHandle(frame_)), 21);
    kept = menu.m_hMenu;
  }
  EXPECT_FALSE(IsMenu(kept));

  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmap24(32, 16));
  CImageList images;
  ASSERT_TRUE(images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 50));
  EXPECT_EQ(images.Add(&bitmap, RGB(0, 0, 0)), 0);
  EXPECT_EQ(images.GetImageCount(), 2);
  EXPECT_EQ(CImageList::FromHandle(images.m_hImageList)->GetImageCount(), 2);
  HIMAGELIST handle = images.Detach();
  EXPECT_TRUE(ImageList_Destroy(handle));
  BITMAP info{};
  EXPECT_EQ(bitmap.GetBitmap(&info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 32);
  // A bitmap resource of this program, found through the instance module.
  CBitmap picture;
  EXPECT_TRUE(picture.LoadBitmap(230));
}

}  // namespace
