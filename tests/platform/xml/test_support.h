// Shared pieces of the XML tests: a temporary folder per test, files, and
// short forms of the document calls whose results the tests look at.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/text/convert.h"
#include "platform/xml/xml_dom.h"

namespace xml_test {

using quorvia::ComPtr;

inline std::string DataDir() { return XML_TEST_DATA_DIR; }

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string U8(std::u16string_view text) { return quorvia::Utf16ToUtf8(text); }

// A fresh folder, removed with everything in it at the end of the test.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvia-xml-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  // Writes bytes to a file of the folder and returns its path.
  std::string File(const std::string& name, const std::string& bytes) {
    std::string path = folder_ + "/" + name;
    WriteBytes(path, bytes);
    return path;
  }
  std::string folder_;
};

inline ComPtr<IXMLDOMDocument> NewDocument() {
  ComPtr<IXMLDOMDocument> doc;
  EXPECT_EQ(CreateXmlDocument(&doc), S_OK);
  return doc;
}

struct LoadResult {
  HRESULT hr;
  VARIANT_BOOL success;
};

inline LoadResult Load(IXMLDOMDocument* doc, const std::u16string& source) {
  VARIANT_BOOL success = 12345;
  HRESULT hr = doc->load(CComVariant(source), &success);
  return {hr, success};
}

// A document loaded from text written to a file of folder; fails the test
// when it does not load.
inline ComPtr<IXMLDOMDocument> LoadText(const std::string& folder, const std::string& text) {
  std::string path = folder + "/doc.xml";
  WriteBytes(path, text);
  ComPtr<IXMLDOMDocument> doc = NewDocument();
  LoadResult r = Load(doc.Get(), quorvia::Utf8ToUtf16(path));
  EXPECT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.success, VARIANT_TRUE);
  return doc;
}

inline std::string Name(IXMLDOMNode* node) {
  CComBSTR name;
  EXPECT_EQ(node->get_nodeName(&name), S_OK);
  return U8(name.View());
}

// The node's text; "<null>" for a null BSTR.
inline std::string Text(IXMLDOMNode* node) {
  CComBSTR text;
  EXPECT_EQ(node->get_text(&text), S_OK);
  return text.Get() == nullptr ? "<null>" : U8(text.View());
}

inline std::vector<ComPtr<IXMLDOMNode>> Select(IXMLDOMNode* from, const std::u16string& xpath) {
  std::vector<ComPtr<IXMLDOMNode>> result;
  ComPtr<IXMLDOMNodeList> list;
  HRESULT hr = from->selectNodes(CComBSTR(xpath), &list);
  EXPECT_EQ(hr, S_OK) << U8(xpath);
  if (FAILED(hr)) return result;
  LONG length = -1;
  EXPECT_EQ(list->get_length(&length), S_OK);
  for (LONG i = 0; i < length; ++i) {
    ComPtr<IXMLDOMNode> node;
    EXPECT_EQ(list->get_item(i, &node), S_OK);
    result.push_back(node);
  }
  return result;
}

inline ComPtr<IXMLDOMNode> SelectOne(IXMLDOMNode* from, const std::u16string& xpath) {
  ComPtr<IXMLDOMNode> node;
  EXPECT_EQ(from->selectSingleNode(CComBSTR(xpath), &node), S_OK) << U8(xpath);
  return node;
}

// The attribute's value read through getAttribute; "<absent>" when missing.
inline std::string Attribute(IXMLDOMNode* node, const std::u16string& name) {
  ComPtr<IXMLDOMElement> element;
  EXPECT_EQ(node->QueryInterface(&element), S_OK);
  if (!element) return "<not an element>";
  CComVariant value;
  HRESULT hr = element->getAttribute(CComBSTR(name), &value);
  if (hr == S_FALSE) {
    EXPECT_EQ(value.vt, VT_NULL);
    return "<absent>";
  }
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(value.vt, VT_BSTR);
  return U8(value.StringView());
}

}  // namespace xml_test
