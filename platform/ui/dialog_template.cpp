// Reading dialog templates written as resource-script text.
#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/text/convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"

namespace quorvia::ui {
namespace {

const std::map<std::string, DWORD>& Names() {
  static const auto* names = new std::map<std::string, DWORD>{
      {"WS_OVERLAPPED", WS_OVERLAPPED}, {"WS_POPUP", WS_POPUP}, {"WS_CHILD", WS_CHILD},
      {"WS_VISIBLE", WS_VISIBLE}, {"WS_DISABLED", WS_DISABLED}, {"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS},
      {"WS_CLIPCHILDREN", WS_CLIPCHILDREN}, {"WS_CAPTION", WS_CAPTION}, {"WS_BORDER", WS_BORDER},
      {"WS_DLGFRAME", WS_DLGFRAME}, {"WS_VSCROLL", WS_VSCROLL}, {"WS_HSCROLL", WS_HSCROLL},
      {"WS_SYSMENU", WS_SYSMENU}, {"WS_THICKFRAME", WS_THICKFRAME}, {"WS_GROUP", WS_GROUP},
      {"WS_TABSTOP", WS_TABSTOP}, {"WS_MINIMIZEBOX", WS_MINIMIZEBOX}, {"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX},
      {"WS_POPUPWINDOW", WS_POPUPWINDOW}, {"WS_OVERLAPPEDWINDOW", WS_OVERLAPPEDWINDOW},
      {"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME}, {"WS_EX_NOPARENTNOTIFY", WS_EX_NOPARENTNOTIFY},
      {"WS_EX_TOPMOST", WS_EX_TOPMOST}, {"WS_EX_TRANSPARENT", WS_EX_TRANSPARENT},
      {"WS_EX_TOOLWINDOW", WS_EX_TOOLWINDOW}, {"WS_EX_WINDOWEDGE", WS_EX_WINDOWEDGE},
      {"WS_EX_CLIENTEDGE", WS_EX_CLIENTEDGE}, {"WS_EX_CONTROLPARENT", WS_EX_CONTROLPARENT},
      {"WS_EX_STATICEDGE", WS_EX_STATICEDGE},
      {"DS_ABSALIGN", DS_ABSALIGN}, {"DS_SYSMODAL", DS_SYSMODAL}, {"DS_3DLOOK", DS_3DLOOK},
      {"DS_FIXEDSYS", DS_FIXEDSYS}, {"DS_NOFAILCREATE", DS_NOFAILCREATE}, {"DS_SETFONT", DS_SETFONT},
      {"DS_MODALFRAME", DS_MODALFRAME}, {"DS_NOIDLEMSG", DS_NOIDLEMSG}, {"DS_SETFOREGROUND", DS_SETFOREGROUND},
      {"DS_CONTROL", DS_CONTROL}, {"DS_CENTER", DS_CENTER}, {"DS_CENTERMOUSE", DS_CENTERMOUSE},
      {"DS_CONTEXTHELP", DS_CONTEXTHELP}, {"DS_SHELLFONT", DS_SHELLFONT},
      {"SS_LEFT", SS_LEFT}, {"SS_CENTER", SS_CENTER}, {"SS_RIGHT", SS_RIGHT}, {"SS_ICON", SS_ICON},
      {"SS_BLACKRECT", SS_BLACKRECT}, {"SS_SIMPLE", SS_SIMPLE}, {"SS_LEFTNOWORDWRAP", SS_LEFTNOWORDWRAP},
      {"SS_BITMAP", SS_BITMAP}, {"SS_ETCHEDHORZ", SS_ETCHEDHORZ}, {"SS_NOPREFIX", SS_NOPREFIX},
      {"SS_NOTIFY", SS_NOTIFY}, {"SS_CENTERIMAGE", SS_CENTERIMAGE}, {"SS_REALSIZEIMAGE", SS_REALSIZEIMAGE},
      {"SS_SUNKEN", SS_SUNKEN},
      {"BS_PUSHBUTTON", BS_PUSHBUTTON}, {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON}, {"BS_CHECKBOX", BS_CHECKBOX},
      {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX}, {"BS_RADIOBUTTON", BS_RADIOBUTTON}, {"BS_3STATE", BS_3STATE},
      {"BS_AUTO3STATE", BS_AUTO3STATE}, {"BS_GROUPBOX", BS_GROUPBOX}, {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
      {"BS_OWNERDRAW", BS_OWNERDRAW}, {"BS_LEFTTEXT", BS_LEFTTEXT}, {"BS_NOTIFY", BS_NOTIFY},
      {"ES_LEFT", ES_LEFT}, {"ES_CENTER", ES_CENTER}, {"ES_RIGHT", ES_RIGHT}, {"ES_MULTILINE", ES_MULTILINE},
      {"ES_UPPERCASE", ES_UPPERCASE}, {"ES_LOWERCASE", ES_LOWERCASE}, {"ES_PASSWORD", ES_PASSWORD},
      {"ES_AUTOVSCROLL", ES_AUTOVSCROLL}, {"ES_AUTOHSCROLL", ES_AUTOHSCROLL}, {"ES_NOHIDESEL", ES_NOHIDESEL},
      {"ES_READONLY", ES_READONLY}, {"ES_WANTRETURN", ES_WANTRETURN}, {"ES_NUMBER", ES_NUMBER},
      {"CBS_SIMPLE", CBS_SIMPLE}, {"CBS_DROPDOWN", CBS_DROPDOWN}, {"CBS_DROPDOWNLIST", CBS_DROPDOWNLIST},
      {"CBS_OWNERDRAWFIXED", CBS_OWNERDRAWFIXED}, {"CBS_OWNERDRAWVARIABLE", CBS_OWNERDRAWVARIABLE},
      {"CBS_AUTOHSCROLL", CBS_AUTOHSCROLL}, {"CBS_SORT", CBS_SORT}, {"CBS_HASSTRINGS", CBS_HASSTRINGS},
      {"CBS_NOINTEGRALHEIGHT", CBS_NOINTEGRALHEIGHT}, {"CBS_DISABLENOSCROLL", CBS_DISABLENOSCROLL},
      {"CBS_UPPERCASE", CBS_UPPERCASE}, {"CBS_LOWERCASE", CBS_LOWERCASE},
      {"LBS_NOTIFY", LBS_NOTIFY}, {"LBS_SORT", LBS_SORT}, {"LBS_NOREDRAW", LBS_NOREDRAW},
      {"LBS_MULTIPLESEL", LBS_MULTIPLESEL}, {"LBS_OWNERDRAWFIXED", LBS_OWNERDRAWFIXED},
      {"LBS_OWNERDRAWVARIABLE", LBS_OWNERDRAWVARIABLE}, {"LBS_HASSTRINGS", LBS_HASSTRINGS},
      {"LBS_USETABSTOPS", LBS_USETABSTOPS}, {"LBS_NOINTEGRALHEIGHT", LBS_NOINTEGRALHEIGHT},
      {"LBS_WANTKEYBOARDINPUT", LBS_WANTKEYBOARDINPUT}, {"LBS_EXTENDEDSEL", LBS_EXTENDEDSEL},
      {"LBS_DISABLENOSCROLL", LBS_DISABLENOSCROLL}, {"LBS_NOSEL", LBS_NOSEL}, {"LBS_STANDARD", LBS_STANDARD},
      {"IDOK", IDOK}, {"IDCANCEL", IDCANCEL}, {"IDABORT", IDABORT}, {"IDRETRY", IDRETRY},
      {"IDIGNORE", IDIGNORE}, {"IDYES", IDYES}, {"IDNO", IDNO}, {"IDCLOSE", IDCLOSE}, {"IDHELP", IDHELP},
      {"IDC_STATIC", static_cast<DWORD>(-1)},
  };
  return *names;
}

struct Token {
  enum Kind { kEnd, kWord, kNumber, kString, kPunct } kind = kEnd;
  std::string text;
  long long number = 0;
  int line = 1;
};

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  Token Next() {
    SkipSpace();
    Token t;
    t.line = line_;
    if (at_ >= s_.size()) return t;
    char c = s_[at_];
    if (c == '"') {
      t.kind = Token::kString;
      ++at_;
      while (at_ < s_.size()) {
        char d = s_[at_++];
        if (d == '"') {
          if (at_ < s_.size() && s_[at_] == '"') {
            t.text += '"';
            ++at_;
            continue;
          }
          return t;
        }
        if (d == '\\' && at_ < s_.size()) {
          char e = s_[at_++];
          t.text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
          continue;
        }
        if (d == '\n') ++line_;
        t.text += d;
      }
      failed_ = true;
      return t;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
      std::size_t start = at_;
      while (at_ < s_.size() && std::isalnum(static_cast<unsigned char>(s_[at_])) != 0) ++at_;
      t.kind = Token::kNumber;
      t.text = std::string(s_.substr(start, at_ - start));
      std::string digits = t.text;
      if (!digits.empty() && (digits.back() == 'L' || digits.back() == 'l')) digits.pop_back();
      char* end = nullptr;
      t.number = std::strtoll(digits.c_str(), &end, 0);
      if (end == nullptr || *end != '\0') failed_ = true;
      return t;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_') {
      std::size_t start = at_;
      while (at_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[at_])) != 0 || s_[at_] == '_')) ++at_;
      t.kind = Token::kWord;
      t.text = std::string(s_.substr(start, at_ - start));
      return t;
    }
    t.kind = Token::kPunct;
    t.text = std::string(1, c);
    ++at_;
    return t;
  }

  bool Failed() const { return failed_; }

 private:
  void SkipSpace() {
    for (;;) {
      while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_])) != 0) {
        if (s_[at_] == '\n') ++line_;
        ++at_;
      }
      if (s_.substr(at_, 2) == "//") {
        while (at_ < s_.size() && s_[at_] != '\n') ++at_;
        continue;
      }
      if (s_.substr(at_, 2) == "/*") {
        std::size_t end = s_.find("*/", at_ + 2);
        for (std::size_t i = at_; i < std::min(end, s_.size()); ++i) {
          if (s_[i] == '\n') ++line_;
        }
        at_ = end == std::string_view::npos ? s_.size() : end + 2;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == '#' && (at_ == 0 || s_[at_ - 1] == '\n')) {
        while (at_ < s_.size() && s_[at_] != '\n') ++at_;
        continue;
      }
      return;
    }
  }

  std::string_view s_;
  std::size_t at_ = 0;
  int line_ = 1;
  bool failed_ = false;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class Parser {
 public:
  explicit Parser(std::string_view s) : lexer_(s) { Advance(); }

  bool Parse(DialogTemplate* out, std::string* error) {
    bool ok = ParseDialog(out);
    if (!ok || lexer_.Failed()) {
      if (error != nullptr) *error = "line " + std::to_string(cur_.line) + ": " + (message_.empty() ? "bad token" : message_);
      return false;
    }
    return true;
  }

 private:
  void Advance() { cur_ = lexer_.Next(); }

  bool Fail(const std::string& m) {
    if (message_.empty()) message_ = m;
    return false;
  }

  bool IsWord(const char* w) const { return cur_.kind == Token::kWord && Upper(cur_.text) == w; }
  bool IsPunct(char c) const { return cur_.kind == Token::kPunct && cur_.text.size() == 1 && cur_.text[0] == c; }

  bool Comma() {
    if (!IsPunct(',')) return Fail("',' expected");
    Advance();
    return true;
  }

  bool OptionalComma() {
    if (IsPunct(',')) {
      Advance();
      return true;
    }
    return false;
  }

  std::optional<long long> Atom() {
    if (IsPunct('(')) {
      Advance();
      auto v = Expr();
      if (!v || !IsPunct(')')) return std::nullopt;
      Advance();
      return v;
    }
    if (IsPunct('-')) {
      Advance();
      auto v = Atom();
      if (!v) return std::nullopt;
      return -*v;
    }
    if (cur_.kind == Token::kNumber) {
      long long v = cur_.number;
      Advance();
      return v;
    }
    if (cur_.kind == Token::kWord) {
      auto it = Names().find(Upper(cur_.text));
      if (it == Names().end()) {
        Fail("unknown name " + cur_.text);
        return std::nullopt;
      }
      Advance();
      return static_cast<long long>(static_cast<std::int32_t>(it->second));
    }
    Fail("value expected");
    return std::nullopt;
  }

  // expr := term { ('|' | '+') term }; a term may be NOT atom (removes bits).
  std::optional<long long> Expr(long long* removed = nullptr) {
    long long value = 0;
    bool first = true;
    for (;;) {
      bool negate = IsWord("NOT");
      if (negate) Advance();
      auto v = Atom();
      if (!v) return std::nullopt;
      if (negate) {
        if (removed != nullptr) *removed |= *v;
        value &= ~*v;
      } else {
        value = first ? *v : (value | *v);
      }
      first = false;
      if (IsPunct('|') || IsPunct('+')) {
        Advance();
        continue;
      }
      return value;
    }
  }

  std::optional<int> Int() {
    auto v = Expr();
    if (!v) return std::nullopt;
    return static_cast<int>(*v);
  }

  bool Text(DialogItemTemplate& item) {
    if (cur_.kind == Token::kString) {
      item.text = Utf8ToUtf16(cur_.text);
      Advance();
      return true;
    }
    auto v = Int();
    if (!v) return false;
    item.text_id = static_cast<WORD>(*v);
    return true;
  }

  bool Rect(DialogItemTemplate& item) {
    auto x = Int();
    if (!x || !Comma()) return false;
    auto y = Int();
    if (!y || !Comma()) return false;
    auto cx = Int();
    if (!cx || !Comma()) return false;
    auto cy = Int();
    if (!cy) return false;
    item.x = *x;
    item.y = *y;
    item.cx = *cx;
    item.cy = *cy;
    return true;
  }

  // [, style [, exstyle]] after the rectangle, combined with the defaults.
  bool Styles(DialogItemTemplate& item) {
    if (!OptionalComma()) return true;
    long long removed = 0;
    auto style = Expr(&removed);
    if (!style) return false;
    // A combo box's kind given here replaces the default simple kind.
    if (item.class_name == u"ComboBox" && (*style & 0x3) != 0) item.style &= ~static_cast<DWORD>(0x3);
    item.style = (item.style | static_cast<DWORD>(*style)) & ~static_cast<DWORD>(removed);
    if (!OptionalComma()) return true;
    auto ex = Int();
    if (!ex) return false;
    item.ex_style = static_cast<DWORD>(*ex);
    return true;
  }

  bool Control(DialogTemplate* out) {
    std::string word = Upper(cur_.text);
    Advance();
    DialogItemTemplate item;
    item.style = WS_CHILD | WS_VISIBLE;
    struct Standard {
      const char* word;
      const char16_t* cls;
      DWORD style;
      bool text;
    };
    static const Standard kStandard[] = {
        {"LTEXT", u"Static", SS_LEFT | WS_GROUP, true},
        {"RTEXT", u"Static", SS_RIGHT | WS_GROUP, true},
        {"CTEXT", u"Static", SS_CENTER | WS_GROUP, true},
        {"PUSHBUTTON", u"Button", BS_PUSHBUTTON | WS_TABSTOP, true},
        {"DEFPUSHBUTTON", u"Button", BS_DEFPUSHBUTTON | WS_TABSTOP, true},
        {"CHECKBOX", u"Button", BS_CHECKBOX | WS_TABSTOP, true},
        {"AUTOCHECKBOX", u"Button", BS_AUTOCHECKBOX | WS_TABSTOP, true},
        {"RADIOBUTTON", u"Button", BS_RADIOBUTTON, true},
        {"AUTORADIOBUTTON", u"Button", BS_AUTORADIOBUTTON, true},
        {"STATE3", u"Button", BS_3STATE | WS_TABSTOP, true},
        {"AUTO3STATE", u"Button", BS_AUTO3STATE | WS_TABSTOP, true},
        {"GROUPBOX", u"Button", BS_GROUPBOX, true},
        {"EDITTEXT", u"Edit", ES_LEFT | WS_BORDER | WS_TABSTOP, false},
        {"COMBOBOX", u"ComboBox", CBS_SIMPLE | WS_TABSTOP, false},
        {"LISTBOX", u"ListBox", LBS_NOTIFY | WS_BORDER, false},
    };
    for (const Standard& s : kStandard) {
      if (word != s.word) continue;
      item.class_name = s.cls;
      item.style |= s.style;
      if (s.text && (!Text(item) || !Comma())) return false;
      auto id = Int();
      if (!id || !Comma() || !Rect(item) || !Styles(item)) return false;
      item.id = *id;
      out->items.push_back(item);
      return true;
    }
    if (word == "ICON") {
      item.class_name = u"Static";
      item.style |= SS_ICON;
      if (!Text(item) || !Comma()) return false;
      auto id = Int();
      if (!id || !Comma()) return false;
      item.id = *id;
      auto x = Int();
      if (!x || !Comma()) return false;
      auto y = Int();
      if (!y) return false;
      item.x = *x;
      item.y = *y;
      if (OptionalComma()) {
        auto cx = Int();
        if (!cx || !Comma()) return false;
        auto cy = Int();
        if (!cy) return false;
        item.cx = *cx;
        item.cy = *cy;
        if (!Styles(item)) return false;
      }
      out->items.push_back(item);
      return true;
    }
    if (word == "CONTROL") {
      if (!Text(item) || !Comma()) return false;
      auto id = Int();
      if (!id || !Comma()) return false;
      item.id = *id;
      if (cur_.kind == Token::kString) {
        item.class_name = Utf8ToUtf16(cur_.text);
        Advance();
      } else if (cur_.kind == Token::kWord) {
        static const std::map<std::string, const char16_t*> kClasses = {
            {"BUTTON", u"Button"}, {"STATIC", u"Static"}, {"EDIT", u"Edit"},
            {"COMBOBOX", u"ComboBox"}, {"LISTBOX", u"ListBox"}, {"SCROLLBAR", u"ScrollBar"}};
        auto it = kClasses.find(Upper(cur_.text));
        if (it == kClasses.end()) return Fail("unknown class " + cur_.text);
        item.class_name = it->second;
        Advance();
      } else {
        return Fail("class expected");
      }
      if (!Comma()) return false;
      long long removed = 0;
      auto style = Expr(&removed);
      if (!style || !Comma() || !Rect(item)) return false;
      item.style = (item.style | static_cast<DWORD>(*style)) & ~static_cast<DWORD>(removed);
      if (OptionalComma()) {
        auto ex = Int();
        if (!ex) return false;
        item.ex_style = static_cast<DWORD>(*ex);
      }
      out->items.push_back(item);
      return true;
    }
    return Fail("unknown statement " + word);
  }

  bool ParseDialog(DialogTemplate* out) {
    *out = DialogTemplate{};
    // An optional name before DIALOG / DIALOGEX.
    if (!IsWord("DIALOG") && !IsWord("DIALOGEX") && (cur_.kind == Token::kWord || cur_.kind == Token::kNumber)) Advance();
    if (!IsWord("DIALOG") && !IsWord("DIALOGEX")) return Fail("DIALOG expected");
    Advance();
    DialogItemTemplate box;
    if (!Rect(box)) return false;
    out->x = box.x;
    out->y = box.y;
    out->cx = box.cx;
    out->cy = box.cy;
    if (OptionalComma() && !Int()) return false;  // help id
    out->style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    bool caption = false;
    for (;;) {
      if (IsWord("STYLE")) {
        Advance();
        auto v = Expr();
        if (!v) return false;
        out->style = static_cast<DWORD>(*v);
      } else if (IsWord("EXSTYLE")) {
        Advance();
        auto v = Expr();
        if (!v) return false;
        out->ex_style = static_cast<DWORD>(*v);
      } else if (IsWord("CAPTION")) {
        Advance();
        if (cur_.kind != Token::kString) return Fail("caption text expected");
        out->caption = Utf8ToUtf16(cur_.text);
        caption = true;
        Advance();
      } else if (IsWord("FONT")) {
        Advance();
        auto size = Int();
        if (!size || !Comma() || cur_.kind != Token::kString) return Fail("font expected");
        out->font_size = static_cast<WORD>(*size);
        out->font_face = Utf8ToUtf16(cur_.text);
        Advance();
        while (OptionalComma()) {
          if (!Int()) return false;
        }
      } else if (IsWord("CLASS") || IsWord("MENU")) {
        Advance();
        Advance();
      } else if (IsWord("LANGUAGE")) {
        Advance();
        if (!Int() || !Comma() || !Int()) return false;
      } else if (IsWord("CHARACTERISTICS") || IsWord("VERSION")) {
        Advance();
        if (!Int()) return false;
      } else {
        break;
      }
    }
    if (caption) out->style |= WS_CAPTION;
    if (out->font_size != 0) out->style |= DS_SETFONT;
    if (!IsWord("BEGIN") && !IsPunct('{')) return Fail("BEGIN expected");
    Advance();
    while (!IsWord("END") && !IsPunct('}')) {
      if (cur_.kind == Token::kEnd) return Fail("END expected");
      if (cur_.kind != Token::kWord) return Fail("statement expected");
      if (!Control(out)) return false;
    }
    Advance();
    if (cur_.kind != Token::kEnd) return Fail("text after END");
    return true;
  }

  Lexer lexer_;
  Token cur_;
  std::string message_;
};

}  // namespace

bool ParseDialogTemplate(std::string_view script, DialogTemplate* out, std::string* error) {
  if (out == nullptr) return false;
  Parser parser(script);
  return parser.Parse(out, error);
}

bool LoadDialogTemplate(HMODULE module, LPCWSTR name, DialogTemplate* out) {
  HRSRC resource = FindResourceW(module, name, RT_DIALOG);
  if (resource == nullptr) return false;
  const void* data = LockResource(LoadResource(module, resource));
  DWORD size = SizeofResource(module, resource);
  if (data == nullptr) return false;
  return ParseDialogTemplate(std::string_view(static_cast<const char*>(data), size), out, nullptr);
}

}  // namespace quorvia::ui
