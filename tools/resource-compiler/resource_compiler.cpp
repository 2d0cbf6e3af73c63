// quorvia-resource-compiler <list-file> <output.cpp>
//
// Reads a resource list, one resource a line:
//
//     <TYPE> <NAME-or-ID> <path relative to the list file>
//
// TYPE is a number, a standard type word (BITMAP, HTML, MANIFEST, RCDATA,
// VERSION, ...) or any other word (a custom type such as JS or GIF); NAME is a
// decimal identifier or a word. Blank lines and lines starting with "#" are
// skipped. A VERSION resource's file is a version description (below), which
// is compiled into the binary layout of a version resource.
//
// Writes a C++ source holding the bytes and a table of the resources, with a
// static object that registers the table with the platform when the library
// loads and unregisters it when the library unloads. Everything in it has
// internal linkage, so the library exports nothing new.
//
// Version description, one item a line:
//     FILEVERSION 1.0.0.8        (up to four numbers 0..65535, "." or "," between)
//     PRODUCTVERSION 1.0.0.8     (default: FILEVERSION)
//     LANGUAGE 0x0409            (default 0x0409)
//     CODEPAGE 1200              (default 1200, i.e. 0x04B0)
//     STRING Key=Value           (UTF-8; FileVersion and ProductVersion
//                                 default to the numbers joined with ".")

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Failure {
  std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& message) {
  throw Failure{where + ": " + message};
}

std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  std::size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::optional<unsigned long> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  int base = 10;
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits = digits.substr(2);
  }
  unsigned long value = 0;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return std::nullopt;
    value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(d);
    if (value > 0xFFFFFFFFul) return std::nullopt;
  }
  return value;
}

bool IsDecimal(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::vector<unsigned char> ReadFile(const std::string& path, const std::string& where) {
  std::ifstream file(path, std::ios::binary);
  if (!file) Fail(where, "cannot read \"" + path + "\"");
  std::ostringstream contents;
  contents << file.rdbuf();
  std::string bytes = contents.str();
  return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    std::size_t length = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0 || (c & 0xF0) == 0xE0 || (c & 0xF8) == 0xF0) {
      length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
      char32_t value = c & (0x7F >> length);
      bool ok = i + length <= text.size();
      for (std::size_t k = 1; ok && k < length; ++k) {
        auto next = static_cast<unsigned char>(text[i + k]);
        ok = (next & 0xC0) == 0x80;
        value = (value << 6) | (next & 0x3F);
      }
      static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
      if (ok && value >= kSmallest[length] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
        cp = value;
      } else {
        length = 1;
      }
    }
    i += length;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

// ---- version resources --------------------------------------------------

struct Version {
  std::uint16_t parts[4] = {0, 0, 0, 0};
  std::string Text() const {
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
           std::to_string(parts[3]);
  }
  std::uint32_t Ms() const { return (static_cast<std::uint32_t>(parts[0]) << 16) | parts[1]; }
  std::uint32_t Ls() const { return (static_cast<std::uint32_t>(parts[2]) << 16) | parts[3]; }
};

Version ParseVersion(const std::string& text, const std::string& where) {
  Version version;
  std::size_t count = 0;
  std::string all = text;
  for (char& c : all) {
    if (c == ',') c = '.';
  }
  std::size_t start = 0;
  for (;;) {
    std::size_t dot = all.find('.', start);
    std::string part = Trim(all.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    auto value = IsDecimal(part) ? ParseNumber(part) : std::nullopt;
    if (!value || *value > 0xFFFF || count == 4) Fail(where, "bad version \"" + text + "\"");
    version.parts[count++] = static_cast<std::uint16_t>(*value);
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return version;
}

class BlockWriter {
 public:
  void Word(std::uint16_t w) {
    bytes_.push_back(static_cast<unsigned char>(w & 0xFF));
    bytes_.push_back(static_cast<unsigned char>(w >> 8));
  }
  void Dword(std::uint32_t d) {
    Word(static_cast<std::uint16_t>(d & 0xFFFF));
    Word(static_cast<std::uint16_t>(d >> 16));
  }
  void Text(const std::u16string& text) {
    for (char16_t c : text) Word(c);
    Word(0);
  }
  void Align() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  // Starts a node: length (filled in by End), value length, type, key.
  std::size_t Begin(const std::u16string& key, std::uint16_t value_length, std::uint16_t type) {
    Align();
    std::size_t start = bytes_.size();
    Word(0);
    Word(value_length);
    Word(type);
    Text(key);
    Align();
    return start;
  }
  void End(std::size_t start, const std::string& where) {
    std::size_t length = bytes_.size() - start;
    if (length > 0xFFFF) Fail(where, "version information too large");
    bytes_[start] = static_cast<unsigned char>(length & 0xFF);
    bytes_[start + 1] = static_cast<unsigned char>(length >> 8);
  }
  std::vector<unsigned char>& Bytes() { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};

std::vector<unsigned char> CompileVersion(const std::string& path, const std::string& where) {
  std::vector<unsigned char> source = ReadFile(path, where);
  std::istringstream in(std::string(source.begin(), source.end()));
  std::optional<Version> file_version;
  std::optional<Version> product_version;
  unsigned long language = 0x0409;
  unsigned long codepage = 1200;
  std::vector<std::pair<std::string, std::string>> strings;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::string here = path + ":" + std::to_string(number);
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    std::size_t space = line.find_first_of(" \t");
    std::string keyword = Upper(line.substr(0, space));
    std::string value = space == std::string::npos ? std::string() : Trim(line.substr(space));
    if (keyword == "FILEVERSION") {
      file_version = ParseVersion(value, here);
    } else if (keyword == "PRODUCTVERSION") {
      product_version = ParseVersion(value, here);
    } else if (keyword == "LANGUAGE" || keyword == "CODEPAGE") {
      auto number_value = ParseNumber(value);
      if (!number_value || *number_value > 0xFFFF) Fail(here, "bad " + keyword + " \"" + value + "\"");
      (keyword == "LANGUAGE" ? language : codepage) = *number_value;
    } else if (keyword == "STRING") {
      std::size_t equals = value.find('=');
      if (equals == std::string::npos || equals == 0) Fail(here, "STRING needs Key=Value");
      strings.emplace_back(Trim(value.substr(0, equals)), Trim(value.substr(equals + 1)));
    } else {
      Fail(here, "unknown item \"" + keyword + "\"");
    }
  }
  if (!file_version) Fail(path, "FILEVERSION is missing");
  if (!product_version) product_version = file_version;
  auto has = [&strings](const std::string& key) {
    for (const auto& s : strings) {
      if (Upper(s.first) == Upper(key)) return true;
    }
    return false;
  };
  if (!has("FileVersion")) strings.emplace_back("FileVersion", file_version->Text());
  if (!has("ProductVersion")) strings.emplace_back("ProductVersion", product_version->Text());

  BlockWriter w;
  std::size_t root = w.Begin(u"VS_VERSION_INFO", 52, 0);
  w.Dword(0xFEEF04BDu);  // signature
  w.Dword(0x00010000u);  // structure version 1.0
  w.Dword(file_version->Ms());
  w.Dword(file_version->Ls());
  w.Dword(product_version->Ms());
  w.Dword(product_version->Ls());
  w.Dword(0x3Fu);      // flags mask
  w.Dword(0);          // flags
  w.Dword(0x00040004u);  // operating system family
  w.Dword(2);          // file type: library
  w.Dword(0);          // subtype
  w.Dword(0);          // date, high
  w.Dword(0);          // date, low

  char table_key[9];
  std::snprintf(table_key, sizeof table_key, "%04lX%04lX", language, codepage);
  std::size_t string_info = w.Begin(u"StringFileInfo", 0, 1);
  std::size_t table = w.Begin(Utf8ToUtf16(table_key), 0, 1);
  for (const auto& [key, value] : strings) {
    std::u16string text = Utf8ToUtf16(value);
    if (text.size() + 1 > 0xFFFF) Fail(path, "string \"" + key + "\" too long");
    std::size_t node = w.Begin(Utf8ToUtf16(key), static_cast<std::uint16_t>(text.size() + 1), 1);
    w.Text(text);
    w.End(node, path);
  }
  w.End(table, path);
  w.End(string_info, path);
  std::size_t var_info = w.Begin(u"VarFileInfo", 0, 1);
  std::size_t var = w.Begin(u"Translation", 4, 0);
  w.Dword(static_cast<std::uint32_t>(language) | (static_cast<std::uint32_t>(codepage) << 16));
  w.End(var, path);
  w.End(var_info, path);
  w.End(root, path);
  return w.Bytes();
}

// ---- the resource list --------------------------------------------------

struct Resource {
  std::optional<std::uint16_t> type_id;
  std::string type_name;
  std::optional<std::uint16_t> name_id;
  std::string name;
  std::vector<unsigned char> bytes;
};

std::optional<std::uint16_t> StandardType(const std::string& word) {
  static const std::map<std::string, std::uint16_t> kTypes = {
      {"CURSOR", 1}, {"BITMAP", 2},   {"ICON", 3},  {"MENU", 4},      {"DIALOG", 5},
      {"STRING", 6}, {"RCDATA", 10}, {"VERSION", 16}, {"HTML", 23}, {"MANIFEST", 24}};
  auto it = kTypes.find(Upper(word));
  if (it == kTypes.end()) return std::nullopt;
  return it->second;
}

std::uint16_t ParseId(const std::string& text, const std::string& where) {
  auto value = ParseNumber(text);
  if (!value || *value == 0 || *value > 0xFFFF) Fail(where, "identifier out of range: " + text);
  return static_cast<std::uint16_t>(*value);
}

std::vector<Resource> ReadList(const std::string& list_path) {
  std::ifstream list(list_path);
  if (!list) Fail(list_path, "cannot read the resource list");
  std::string folder;
  std::size_t slash = list_path.rfind('/');
  if (slash != std::string::npos) folder = list_path.substr(0, slash + 1);

  std::vector<Resource> resources;
  std::set<std::string> seen;
  std::string line;
  for (int number = 1; std::getline(list, line); ++number) {
    std::string where = list_path + ":" + std::to_string(number);
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    std::size_t type_end = line.find_first_of(" \t");
    std::size_t name_start = type_end == std::string::npos ? type_end : line.find_first_not_of(" \t", type_end);
    std::size_t name_end = name_start == std::string::npos ? name_start : line.find_first_of(" \t", name_start);
    if (name_end == std::string::npos) Fail(where, "expected <TYPE> <NAME-or-ID> <path>");
    std::string type = line.substr(0, type_end);
    std::string name = line.substr(name_start, name_end - name_start);
    std::string file = Trim(line.substr(name_end));
    std::string path = (!file.empty() && file[0] == '/') ? file : folder + file;

    Resource resource;
    if (IsDecimal(type)) {
      resource.type_id = ParseId(type, where);
    } else if (auto standard = StandardType(type)) {
      resource.type_id = *standard;
    } else {
      resource.type_name = type;
    }
    if (IsDecimal(name)) {
      resource.name_id = ParseId(name, where);
    } else {
      resource.name = name;
    }
    std::string key = (resource.type_id ? "#" + std::to_string(*resource.type_id) : Upper(resource.type_name)) + "/" +
                      (resource.name_id ? "#" + std::to_string(*resource.name_id) : Upper(resource.name));
    if (!seen.insert(key).second) Fail(where, "resource listed twice: " + type + " " + name);
    resource.bytes = resource.type_id == 16 ? CompileVersion(path, where) : ReadFile(path, where);
    resources.push_back(std::move(resource));
  }
  return resources;
}

// ---- the generated source -----------------------------------------------

// A C++ string literal of the bytes, split over lines. Octal escapes are
// always three digits long, so a following character never joins them.
void WriteLiteral(std::ostream& out, const std::vector<unsigned char>& bytes) {
  static const char kOctal[] = "01234567";
  std::string line = "    \"";
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
      line.push_back(static_cast<char>(c));
    } else {
      line.push_back('\\');
      line.push_back(kOctal[(c >> 6) & 7]);
      line.push_back(kOctal[(c >> 3) & 7]);
      line.push_back(kOctal[c & 7]);
    }
    if (line.size() >= 96) {
      out << line << "\"\n";
      line = "    \"";
    }
  }
  out << line << "\"";
}

std::string Quoted(const std::string& text) {
  std::ostringstream out;
  WriteLiteral(out, std::vector<unsigned char>(text.begin(), text.end()));
  std::string s = out.str();
  return s.substr(4);  // single line: names are short
}

void WriteSource(const std::string& list_path, const std::vector<Resource>& resources, std::ostream& out) {
  out << "// Generated by quorvia-resource-compiler from " << list_path << ". Do not edit.\n"
      << "#include <cstddef>\n\n#include \"platform/module/module.h\"\n";
  if (resources.empty()) return;
  out << "\nnamespace {\n\n";
  for (std::size_t i = 0; i < resources.size(); ++i) {
    out << "const char kData" << i << "[] =\n";
    WriteLiteral(out, resources[i].bytes);
    out << ";\n\n";
  }
  out << "const quorvia::ResourceEntry kResources[] = {\n";
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const Resource& r = resources[i];
    out << "    {" << (r.type_id ? "nullptr" : Quoted(r.type_name)) << ", " << (r.type_id ? *r.type_id : 0) << ", "
        << (r.name_id ? "nullptr" : Quoted(r.name)) << ", " << (r.name_id ? *r.name_id : 0) << ", kData" << i << ", "
        << r.bytes.size() << "},\n";
  }
  out << "};\n\n"
      << "// Registers the table while the library is loaded.\n"
      << "struct Registration {\n"
      << "  HMODULE module;\n"
      << "  Registration() : module(quorvia::ThisModule()) {\n"
      << "    quorvia::RegisterResources(module, kResources, sizeof kResources / sizeof kResources[0]);\n"
      << "  }\n"
      << "  ~Registration() { quorvia::UnregisterResources(module, kResources); }\n"
      << "  Registration(const Registration&) = delete;\n"
      << "  Registration& operator=(const Registration&) = delete;\n"
      << "};\n\n"
      << "const Registration registration;\n\n"
      << "}  // namespace\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: quorvia-resource-compiler <list-file> <output.cpp>\n";
    return 2;
  }
  try {
    std::vector<Resource> resources = ReadList(argv[1]);
    std::ostringstream source;
    WriteSource(argv[1], resources, source);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    if (!out || !(out << source.str()) || !out.flush()) Fail(argv[2], "cannot write the output");
  } catch (const Failure& failure) {
    std::cerr << "quorvia-resource-compiler: " << failure.message << "\n";
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
