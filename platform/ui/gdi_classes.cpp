#include "platform/ui/gdi_classes.h"

#include <map>
#include <memory>

namespace {

// Wrappers FromHandle hands out for handles no object owns; they live as long
// as the thread and never delete their handle.
template <typename Wrapper, typename Handle>
Wrapper* Temporary(Handle handle, Handle Wrapper::*field) {
  if (handle == nullptr) return nullptr;
  thread_local std::map<Handle, std::unique_ptr<Wrapper, void (*)(Wrapper*)>> map;
  auto it = map.find(handle);
  if (it != map.end()) return it->second.get();
  auto* wrapper = new Wrapper;
  wrapper->*field = handle;
  // Dropping a temporary releases the handle first, so it is not deleted.
  auto release = [](Wrapper* w) {
    w->Detach();
    delete w;
  };
  map.emplace(handle, std::unique_ptr<Wrapper, void (*)(Wrapper*)>(wrapper, release));
  return wrapper;
}

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HANDLE object) {
  if (object == nullptr || m_hObject != nullptr) return FALSE;
  m_hObject = object;
  return TRUE;
}

HANDLE CGdiObject::Detach() {
  HANDLE h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  return ::DeleteObject(Detach());
}

BOOL CBitmap::LoadBitmapFrom(HMODULE caller, UINT id) {
  if (m_hObject != nullptr) return FALSE;
  HMODULE instance = quorvia::GetInstanceModule(caller);
  HANDLE bitmap = LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (bitmap == nullptr && instance != caller) {
    bitmap = LoadImageW(caller, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  }
  return Attach(bitmap);
}

BOOL CBitmap::CreateBitmap24(int width, int height) {
  if (m_hObject != nullptr) return FALSE;
  return Attach(::CreateBitmap24(width, height));
}

CBitmap* CBitmap::FromHandle(HBITMAP bitmap) { return Temporary<CBitmap, HANDLE>(bitmap, &CBitmap::m_hObject); }

BOOL CFont::CreateFontIndirect(const LOGFONT* font) {
  if (m_hObject != nullptr) return FALSE;
  return Attach(::CreateFontIndirectW(font));
}

CFont* CFont::FromHandle(HFONT font) { return Temporary<CFont, HANDLE>(font, &CFont::m_hObject); }

BOOL CBrush::CreateSolidBrush(COLORREF colour) {
  if (m_hObject != nullptr) return FALSE;
  return Attach(::CreateSolidBrush(colour));
}

CBrush* CBrush::FromHandle(HBRUSH brush) { return Temporary<CBrush, HANDLE>(brush, &CBrush::m_hObject); }

CDC::~CDC() {
  if (owned_) DeleteDC();
}

BOOL CDC::Attach(HDC dc) {
  if (dc == nullptr || m_hDC != nullptr) return FALSE;
  m_hDC = dc;
  owned_ = false;
  return TRUE;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  m_hDC = nullptr;
  owned_ = false;
  return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (m_hDC != nullptr) return FALSE;
  m_hDC = ::CreateCompatibleDC(dc == nullptr ? nullptr : dc->m_hDC);
  owned_ = m_hDC != nullptr;
  return m_hDC != nullptr ? TRUE : FALSE;
}

BOOL CDC::DeleteDC() {
  if (m_hDC == nullptr) return FALSE;
  owned_ = false;
  return ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC dc) { return Temporary<CDC, HDC>(dc, &CDC::m_hDC); }

CFont* CDC::SelectObject(CFont* font) {
  if (font == nullptr) return nullptr;
  return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, font->m_hObject)));
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  if (bitmap == nullptr) return nullptr;
  auto old = static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap->m_hObject));
  return old == nullptr ? nullptr : Temporary<CBitmap, HANDLE>(old, &CBitmap::m_hObject);
}

CBrush* CDC::SelectObject(CBrush* brush) {
  if (brush == nullptr) return nullptr;
  return CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, brush->m_hObject)));
}

CSize CDC::GetTextExtent(std::u16string_view text) const {
  SIZE size{};
  ::GetTextExtentPoint32W(m_hDC, text.data(), static_cast<int>(text.size()), &size);
  return CSize(size.cx, size.cy);
}

int CDC::DrawText(std::u16string_view text, LPRECT rect, UINT format) {
  std::u16string copy(text);
  return ::DrawTextW(m_hDC, copy.c_str(), static_cast<int>(copy.size()), rect, format);
}

BOOL CDC::TextOut(int x, int y, std::u16string_view text) {
  std::u16string copy(text);
  return ::TextOutW(m_hDC, x, y, copy.c_str(), static_cast<int>(copy.size()));
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF colour) {
  HBRUSH brush = ::CreateSolidBrush(colour);
  ::FillRect(m_hDC, rect, brush);
  ::DeleteObject(brush);
}

CImageList::~CImageList() { DeleteImageList(); }

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (m_hImageList != nullptr) return FALSE;
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr ? TRUE : FALSE;
}

BOOL CImageList::DeleteImageList() {
  if (m_hImageList == nullptr) return FALSE;
  return ImageList_Destroy(Detach());
}

BOOL CImageList::Attach(HIMAGELIST list) {
  if (list == nullptr || m_hImageList != nullptr) return FALSE;
  m_hImageList = list;
  return TRUE;
}

HIMAGELIST CImageList::Detach() {
  HIMAGELIST list = m_hImageList;
  m_hImageList = nullptr;
  return list;
}

CImageList* CImageList::FromHandle(HIMAGELIST list) {
  return Temporary<CImageList, HIMAGELIST>(list, &CImageList::m_hImageList);
}

int CImageList::Add(CBitmap* image, COLORREF mask_colour) {
  if (image == nullptr) return -1;
  return ImageList_AddMasked(m_hImageList, *image, mask_colour);
}

int CImageList::Add(CBitmap* image, CBitmap* mask) {
  if (image == nullptr) return -1;
  return ImageList_Add(m_hImageList, *image, mask == nullptr ? nullptr : HBITMAP(*mask));
}

BOOL CImageList::Replace(int index, CBitmap* image, CBitmap* mask) {
  if (image == nullptr) return FALSE;
  return ImageList_Replace(m_hImageList, index, *image, mask == nullptr ? nullptr : HBITMAP(*mask));
}

BOOL CImageList::Draw(CDC* dc, int index, POINT at, UINT style) {
  if (dc == nullptr) return FALSE;
  return ImageList_Draw(m_hImageList, index, dc->m_hDC, at.x, at.y, style);
}
