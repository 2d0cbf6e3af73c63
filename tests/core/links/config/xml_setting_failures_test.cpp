// Failure branches of reading the configuration that a well-formed document
// on disk cannot produce: failing selections and counts, items and attribute
// maps that cannot be had, attribute look-ups that fail (as opposed to
// finding nothing) and texts that cannot be read. A small in-memory stand-in
// for the document's nodes produces them; it answers exactly the selections
// the reader makes.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/links/link_matchers.h"
#include "core/links/xml_setting.h"
#include "platform/com/bstr.h"
#include "platform/text/convert.h"
#include "platform/xml/xml_dom.h"

namespace {

using quorvia::Utf16ToUtf8;

constexpr HRESULT kBroken = E_UNEXPECTED;

// Objects that live as long as the test that made them; counting is left
// to that owner.
template <class I>
class Fake : public I {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == quorvia::IIDOf<I>()) {
      *out = static_cast<I*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
};

class FakeNode;

class FakeList final : public Fake<IXMLDOMNodeList> {
 public:
  std::vector<IXMLDOMNode*> items;  // null entries come back as S_FALSE, null
  HRESULT length_hr = S_OK;
  std::set<LONG> failing_items;

  HRESULT get_length(LONG* length) override {
    if (FAILED(length_hr)) return length_hr;
    *length = static_cast<LONG>(items.size());
    return S_OK;
  }
  HRESULT get_item(LONG index, IXMLDOMNode** node) override {
    *node = nullptr;
    if (failing_items.count(index)) return kBroken;
    if (index < 0 || index >= static_cast<LONG>(items.size()) || items[index] == nullptr) return S_FALSE;
    *node = items[index];
    return S_OK;
  }
};

class FakeAttributes final : public Fake<IXMLDOMNamedNodeMap> {
 public:
  std::map<std::u16string, FakeNode*> items;
  std::map<std::u16string, HRESULT> failing;  // look-ups that fail

  HRESULT getNamedItem(BSTR name, IXMLDOMNode** item) override;
};

class FakeNode final : public Fake<IXMLDOMNode> {
 public:
  std::optional<std::u16string> text;  // none: a null text
  HRESULT text_hr = S_OK;
  FakeAttributes attributes;
  HRESULT attributes_hr = S_OK;
  bool no_attribute_map = false;
  std::map<std::u16string, FakeList*> selections;  // missing: an empty list
  std::map<std::u16string, HRESULT> failing_selections;
  std::set<std::u16string> listless_selections;  // S_OK without a list

  HRESULT get_nodeName(BSTR*) override { return E_NOTIMPL; }
  HRESULT get_text(BSTR* out) override {
    *out = nullptr;
    if (FAILED(text_hr)) return text_hr;
    if (text) *out = quorvia::AllocBstr(*text);
    return S_OK;
  }
  HRESULT get_xml(BSTR*) override { return E_NOTIMPL; }
  HRESULT get_attributes(IXMLDOMNamedNodeMap** out) override {
    *out = nullptr;
    if (FAILED(attributes_hr)) return attributes_hr;
    if (no_attribute_map) return S_FALSE;
    *out = &attributes;
    return S_OK;
  }
  HRESULT selectNodes(BSTR expression, IXMLDOMNodeList** list) override {
    *list = nullptr;
    const std::u16string xpath(quorvia::BstrView(expression));
    if (auto it = failing_selections.find(xpath); it != failing_selections.end()) return it->second;
    if (listless_selections.count(xpath)) return S_OK;
    auto it = selections.find(xpath);
    *list = it != selections.end() ? it->second : &empty_;
    return S_OK;
  }
  HRESULT selectSingleNode(BSTR, IXMLDOMNode**) override { return E_NOTIMPL; }

 private:
  FakeList empty_;
};

HRESULT FakeAttributes::getNamedItem(BSTR name, IXMLDOMNode** item) {
  *item = nullptr;
  const std::u16string key(quorvia::BstrView(name));
  if (auto it = failing.find(key); it != failing.end()) return it->second;
  auto it = items.find(key);
  if (it == items.end()) return S_FALSE;
  *item = it->second;
  return S_OK;
}

constexpr char16_t kSettings[] = u"//config/settings/setting";
constexpr char16_t kEngines[] = u"//config/search-engines/se";
constexpr char16_t kRegexps[] = u"url-regexps/regexp";
constexpr char16_t kMatchers[] = u"results-matchers/sm";

class ConfigFailures : public ::testing::Test {
 protected:
  FakeNode& Node() { return nodes_.emplace_back(); }
  FakeList& List(std::vector<IXMLDOMNode*> items) {
    FakeList& list = lists_.emplace_back();
    list.items = std::move(items);
    return list;
  }
  // An element with the given attributes.
  FakeNode& Element(std::initializer_list<std::pair<std::u16string, std::u16string>> attributes) {
    FakeNode& element = Node();
    for (const auto& [name, value] : attributes) {
      FakeNode& attribute = Node();
      attribute.text = value;
      element.attributes.items[name] = &attribute;
    }
    return element;
  }
  // A search engine with one URL pattern and the given result matchers.
  FakeNode& Engine(const std::u16string& id, const std::u16string& url, std::vector<IXMLDOMNode*> matchers = {}) {
    FakeNode& engine = Element({{u"id", id}});
    engine.selections[kRegexps] = &List({&Element({{u"value", url}})});
    engine.selections[kMatchers] = &List(std::move(matchers));
    return engine;
  }

  // Reads document into a fresh configuration.
  HRESULT Read() {
    config_ = std::make_unique<CXmlSetting>(u"/nowhere/libQuorviaIE.so");
    return config_->ReadDocument(&document_);
  }
  std::vector<std::string> EngineIds() const {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < config_->GetEngines().GetCount(); ++i) {
      ids.push_back(Utf16ToUtf8(config_->GetEngines().GetAt(i)->id));
    }
    return ids;
  }

  std::deque<FakeNode> nodes_;
  std::deque<FakeList> lists_;
  FakeNode document_;
  std::unique_ptr<CXmlSetting> config_;
};

TEST_F(ConfigFailures, ASettingsSelectionThatFailsStopsBeforeTheEngines) {
  document_.selections[kEngines] = &List({&Engine(u"e", u"search")});
  struct Case {
    const char* name;
    std::function<void()> breakIt;
    HRESULT expected;
  } cases[] = {
      {"selection fails", [&] { document_.failing_selections[kSettings] = kBroken; }, kBroken},
      {"no list", [&] { document_.listless_selections.insert(kSettings); }, E_FAIL},
      {"count fails",
       [&] {
         document_.selections[kSettings] = &List({});
         document_.selections[kSettings]->length_hr = E_OUTOFMEMORY;
       },
       E_OUTOFMEMORY},
  };
  for (const Case& c : cases) {
    document_.failing_selections.clear();
    document_.listless_selections.clear();
    document_.selections.erase(kSettings);
    c.breakIt();
    EXPECT_EQ(Read(), c.expected) << c.name;
    EXPECT_TRUE(EngineIds().empty()) << c.name;
  }
  EXPECT_EQ(config_->ReadDocument(nullptr), E_POINTER);
}

TEST_F(ConfigFailures, UnreadableSettingsAreSkippedAndAFailedLookupEndsTheLoop) {
  FakeNode& no_attributes = Element({{u"id", u"x1"}, {u"value", u"v"}});
  no_attributes.attributes_hr = kBroken;
  FakeNode& no_map = Element({{u"id", u"x2"}, {u"value", u"v"}});
  no_map.no_attribute_map = true;
  FakeNode& id_unreadable = Element({{u"id", u"x3"}, {u"value", u"v"}});
  id_unreadable.attributes.items[u"id"]->text_hr = kBroken;
  FakeNode& value_unreadable = Element({{u"id", u"x4"}, {u"value", u"v"}});
  value_unreadable.attributes.items[u"value"]->text_hr = kBroken;
  FakeNode& text_unreadable = Element({{u"id", u"x5"}});
  text_unreadable.text_hr = kBroken;
  FakeNode& null_text = Element({{u"id", u"x6"}});
  FakeNode& null_id = Element({{u"id", u""}, {u"value", u"empty id"}});
  null_id.attributes.items[u"id"]->text.reset();  // a null text is the empty id
  FakeNode& id_lookup_fails = Element({{u"id", u"x7"}, {u"value", u"v"}});
  id_lookup_fails.attributes.failing[u"id"] = kBroken;

  FakeList& settings = List({&Element({{u"id", u"a"}, {u"value", u"1"}}), &Element({{u"id", u"x0"}}), nullptr,
                             &no_attributes, &no_map, &id_unreadable, &value_unreadable, &text_unreadable, &null_text,
                             &null_id, &Element({{u"id", u"b"}, {u"value", u"2"}}), &id_lookup_fails,
                             &Element({{u"id", u"c"}, {u"value", u"3"}})});
  settings.failing_items.insert(1);
  document_.selections[kSettings] = &settings;
  document_.selections[kEngines] = &List({&Engine(u"e", u"search")});

  EXPECT_EQ(Read(), kBroken);
  EXPECT_EQ(config_->GetSetting(u"a"), u"1");
  EXPECT_EQ(config_->GetSetting(u"b"), u"2");
  EXPECT_EQ(config_->GetSetting(u""), u"empty id");
  for (const char16_t* skipped : {u"x0", u"x1", u"x2", u"x3", u"x4", u"x5", u"x6", u"x7"}) {
    EXPECT_EQ(config_->GetSetting(skipped), u"") << Utf16ToUtf8(skipped);
  }
  // Nothing after the failed look-up is read: neither settings nor engines.
  EXPECT_EQ(config_->GetSetting(u"c"), u"");
  EXPECT_TRUE(EngineIds().empty());

  // A failed look-up of the value ends the loop the same way.
  id_lookup_fails.attributes.failing.clear();
  id_lookup_fails.attributes.failing[u"value"] = E_OUTOFMEMORY;
  EXPECT_EQ(Read(), E_OUTOFMEMORY);
  EXPECT_EQ(config_->GetSetting(u"b"), u"2");
  EXPECT_EQ(config_->GetSetting(u"x7"), u"");
  EXPECT_EQ(config_->GetSetting(u"c"), u"");

  id_lookup_fails.attributes.failing.clear();
  EXPECT_EQ(Read(), S_OK);
  EXPECT_EQ(config_->GetSetting(u"x7"), u"v");
  EXPECT_EQ(config_->GetSetting(u"c"), u"3");
  EXPECT_EQ(EngineIds(), std::vector<std::string>{"e"});
}

TEST_F(ConfigFailures, AnEngineSelectionThatFailsKeepsTheSettings) {
  document_.selections[kSettings] = &List({&Element({{u"id", u"a"}, {u"value", u"1"}})});
  document_.failing_selections[kEngines] = kBroken;
  EXPECT_EQ(Read(), kBroken);
  EXPECT_EQ(config_->GetSetting(u"a"), u"1");

  document_.failing_selections.clear();
  document_.listless_selections.insert(kEngines);
  EXPECT_EQ(Read(), E_FAIL);
  EXPECT_EQ(config_->GetSetting(u"a"), u"1");
}

TEST_F(ConfigFailures, BrokenEnginesAreSkippedAndAFailedIdLookupEndsTheLoop) {
  FakeNode& unreadable_id = Engine(u"unreadable-id", u"x");
  unreadable_id.attributes.items[u"id"]->text_hr = kBroken;
  FakeNode& no_map = Engine(u"no-map", u"x");
  no_map.no_attribute_map = true;
  FakeNode& regexps_fail = Engine(u"regexps-fail", u"x");
  regexps_fail.failing_selections[kRegexps] = kBroken;
  FakeNode& regexps_listless = Engine(u"regexps-listless", u"x");
  regexps_listless.listless_selections.insert(kRegexps);
  FakeNode& regexps_uncounted = Engine(u"regexps-uncounted", u"x");
  regexps_uncounted.selections[kRegexps]->length_hr = kBroken;
  FakeNode& matchers_fail = Engine(u"matchers-fail", u"x");
  matchers_fail.failing_selections[kMatchers] = kBroken;
  FakeNode& matchers_uncounted = Engine(u"matchers-uncounted", u"x");
  matchers_uncounted.selections[kMatchers]->length_hr = kBroken;
  FakeNode& id_lookup_fails = Engine(u"id-lookup-fails", u"x");
  id_lookup_fails.attributes.failing[u"id"] = E_OUTOFMEMORY;

  FakeList& engines = List({&Engine(u"first", u"one"), nullptr, &Engine(u"item-fails", u"x"), &unreadable_id, &no_map,
                            &regexps_fail, &regexps_listless, &regexps_uncounted, &matchers_fail, &matchers_uncounted,
                            &Engine(u"second", u"two"), &id_lookup_fails, &Engine(u"after", u"three")});
  engines.failing_items.insert(2);
  document_.selections[kEngines] = &engines;

  EXPECT_EQ(Read(), E_OUTOFMEMORY);
  EXPECT_EQ(EngineIds(), (std::vector<std::string>{"first", "second"}));

  id_lookup_fails.attributes.failing.clear();
  EXPECT_EQ(Read(), S_OK);
  EXPECT_EQ(EngineIds(), (std::vector<std::string>{"first", "second", "id-lookup-fails", "after"}));
}

TEST_F(ConfigFailures, BrokenPatternAndMatcherElementsAreSkippedOneByOne) {
  // URL patterns: each broken element contributes nothing.
  FakeNode& regexp_lookup_fails = Element({{u"value", u"x"}});
  regexp_lookup_fails.attributes.failing[u"value"] = kBroken;
  FakeNode& regexp_unreadable = Element({{u"value", u"y"}});
  regexp_unreadable.attributes.items[u"value"]->text_hr = kBroken;
  FakeNode& regexp_without_map = Element({{u"value", u"z"}});
  regexp_without_map.attributes_hr = kBroken;
  FakeList& regexps = List({&Element({{u"value", u"p"}}), &regexp_lookup_fails, nullptr, &regexp_unreadable,
                            &regexp_without_map, &Element({{u"value", u"q"}}), &Element({{u"value", u"r"}})});
  regexps.failing_items.insert(6);

  // Result matchers: likewise.
  FakeNode& type_lookup_fails = Element({{u"type", u"0"}, {u"value", u"t1"}});
  type_lookup_fails.attributes.failing[u"type"] = kBroken;
  FakeNode& value_unreadable = Element({{u"type", u"0"}, {u"value", u"t2"}});
  value_unreadable.attributes.items[u"value"]->text_hr = kBroken;
  FakeNode& regexp_fails = Element({{u"type", u"2"}, {u"value", u"t3"}, {u"regexp", u"{x}"}});
  regexp_fails.attributes.failing[u"regexp"] = kBroken;
  FakeNode& sm_regexp_unreadable = Element({{u"type", u"2"}, {u"value", u"t4"}, {u"regexp", u"{x}"}});
  sm_regexp_unreadable.attributes.items[u"regexp"]->text_hr = kBroken;
  FakeNode& sm_without_map = Element({{u"type", u"0"}, {u"value", u"t5"}});
  sm_without_map.no_attribute_map = true;
  FakeList& matchers =
      List({&Element({{u"type", u"0"}, {u"value", u"first"}}), &type_lookup_fails, &value_unreadable, &regexp_fails,
            &sm_regexp_unreadable, &sm_without_map, nullptr, &Element({{u"type", u"1"}, {u"value", u"last"}})});
  matchers.failing_items.insert(6);

  FakeNode& engine = Element({{u"id", u"e"}});
  engine.selections[kRegexps] = &regexps;
  engine.selections[kMatchers] = &matchers;
  document_.selections[kEngines] = &List({&engine});

  ASSERT_EQ(Read(), S_OK);
  ASSERT_EQ(EngineIds(), std::vector<std::string>{"e"});
  const SearchEngineRecord* record = config_->GetEngines().GetAt(0);
  EXPECT_EQ(record->urlMatcher->GetPattern().Source(), u"(p)|(q)");
  const auto& kept = record->matchers->GetMatchers();
  ASSERT_EQ(kept.size(), 2u);
  ASSERT_NE(dynamic_cast<const ClassLinkMatcher*>(kept[0]), nullptr);
  EXPECT_EQ(dynamic_cast<const ClassLinkMatcher*>(kept[0])->GetClassName(), u"first");
  ASSERT_NE(dynamic_cast<const HrefLinkMatcher*>(kept[1]), nullptr);
  EXPECT_EQ(dynamic_cast<const HrefLinkMatcher*>(kept[1])->GetPattern().Source(), u"last");
}

}  // namespace
