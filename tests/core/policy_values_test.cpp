// Administrator policy: which registry values the program takes, how the
// machine's and the user's meet the user's own settings, and the shipped
// templates held against the program's one table.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/policy_values.h"
#include "common/utf_convert.h"
#include "xml/xml_parser.h"

namespace {

struct Entry {
  bool machine;
  const char16_t* name;
  PolicyRegistryValue value;
};

struct FakeRegistry : IPolicySource {
  std::map<std::pair<bool, std::u16string>, PolicyRegistryValue> values;
  std::optional<PolicyRegistryValue> Read(bool machine, const char16_t* name) override {
    auto it = values.find({machine, name});
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
};

PolicyRegistryValue Sz(const char16_t* text) { return {kPolicyRegSz, text, 0}; }
PolicyRegistryValue Dword(uint32_t number) { return {kPolicyRegDword, u"", number}; }

// The fields a policy may set, in one line.
std::string Shown(const SyncSettings& s) {
  std::ostringstream out;
  out << Utf16ToUtf8(s.ServerScheme + u"://" + s.ServerHost) << ':' << s.ServerPort << '/'
      << Utf16ToUtf8(s.ServerVirtual) << " client=" << s.EmailClient << " level=" << s.SyncLevel
      << " type=" << s.SyncType << " time=" << s.SyncTime << " spread=" << s.SyncSpread
      << " save=" << s.SavePassword;
  return out.str();
}

SyncSettings Own() {
  SyncSettings s;
  s.ServerHost = u"own.example";
  s.EmailClient = 5;
  s.SyncTime = 540;
  s.SavePassword = 1;
  s.Password = u"secret";
  return s;
}

TEST(PolicyValuesTest, MachineBeatsUserBeatsOwnAndUnusableValuesAreIgnored) {
  const char* own = "http://own.example:80/mail client=5 level=0 type=0 time=540 spread=0 save=1";
  struct Case {
    std::vector<Entry> entries;
    const char* shown;
  } cases[] = {
      {{}, own},
      {{{true, u"WebmailAddress", Sz(u"https://gp.example:8443/corp/")},
        {false, u"WebmailAddress", Sz(u"http://user.example/mail")}},
       "https://gp.example:8443/corp client=5 level=0 type=0 time=540 spread=0 save=1"},
      {{{false, u"WebmailAddress", Sz(u" HTTP://user.example/m ")}},
       "http://user.example:80/m client=5 level=0 type=0 time=540 spread=0 save=1"},
      // An unusable machine value leaves the user's policy in force.
      {{{true, u"WebmailAddress", Sz(u"mail.example/mail")},
        {false, u"WebmailAddress", Sz(u"http://user.example/mail")}},
       "http://user.example:80/mail client=5 level=0 type=0 time=540 spread=0 save=1"},
      {{{true, u"WebmailAddress", Sz(u"http://gp.example/mail?x=1")}}, own},
      {{{true, u"WebmailAddress", Sz(u"http://gp.example:0/mail")}}, own},
      {{{true, u"WebmailAddress", Sz(u"")}}, own},
      {{{true, u"WebmailAddress", {2, u"http://gp.example/mail", 0}}}, own},  // REG_EXPAND_SZ
      {{{true, u"WebmailAddress", Dword(1)}}, own},
      {{{true, u"EmailClient", Dword(4)}, {false, u"EmailClient", Dword(6)}},
       "http://own.example:80/mail client=6 level=0 type=0 time=540 spread=0 save=1"},
      {{{true, u"EmailClient", Sz(u"6")}}, own},
      {{{true, u"EmailClient", Dword(7)}}, own},
      {{{true, u"EmailClient", Dword(0xFFFFFFFF)}}, own},
      {{{true, u"SyncLevel", Dword(1)}, {true, u"SyncType", Dword(1)},
        {true, u"SyncTime", Dword(1410)}, {true, u"SyncSpread", Dword(120)},
        {true, u"SavePassword", Dword(0)}},
       "http://own.example:80/mail client=5 level=1 type=1 time=1410 spread=120 save=0"},
      {{{true, u"SyncLevel", Dword(2)}, {true, u"SyncType", Dword(2)},
        {true, u"SyncTime", Dword(545)}, {true, u"SyncSpread", Dword(121)},
        {true, u"SavePassword", Dword(2)}},
       own},
      {{{true, u"SyncTime", Dword(1440)}, {false, u"SyncTime", Dword(0)}},
       "http://own.example:80/mail client=5 level=0 type=0 time=0 spread=0 save=1"},
  };
  for (const auto& c : cases) {
    FakeRegistry registry;
    for (const Entry& e : c.entries) registry.values[{e.machine, e.name}] = e.value;
    const Policy policy = ReadPolicy(registry);
    EXPECT_EQ(Shown(policy.Apply(Own())), c.shown) << c.shown;
    EXPECT_EQ(policy.ManagesAny(), c.shown != std::string(own)) << c.shown;
  }
}

TEST(PolicyValuesTest, ASaveKeepsTheOwnValueOfEveryManagedSetting) {
  FakeRegistry registry;
  registry.values[{true, u"WebmailAddress"}] = Sz(u"https://gp.example/corp");
  registry.values[{false, u"SyncType"}] = Dword(0);
  registry.values[{true, u"SavePassword"}] = Dword(0);
  const Policy policy = ReadPolicy(registry);
  EXPECT_TRUE(policy.ForbidsSavedPassword());

  SyncSettings own = Own();
  own.SyncType = 1;
  // What the dialog's controls hold: the policy's values, and the user's
  // change of an unmanaged setting.
  SyncSettings saved = policy.Apply(own);
  saved.SyncLevel = 1;
  EXPECT_EQ(Shown(policy.KeepOwnValues(saved, own)),
            "http://own.example:80/mail client=5 level=1 type=1 time=540 spread=0 save=1");
}

std::u16string ReadTemplate(const std::string& relative) {
  std::ifstream in(std::string(TW_SOURCE_DIR) + "/policy/" + relative, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return Utf8ToUtf16(bytes.str());
}

// The parser keeps "<?xml ...?>" open around the rest of the document.
XmlNode TopElement(const std::u16string& text, std::u16string_view name) {
  const XmlNode document = ParseXmlDocument(text);
  const XmlNode declaration = document.ChildAt(0);
  return declaration.IsDeclaration() ? declaration.FindChild(name) : document.FindChild(name);
}

std::u16string Attr(const XmlNode& node, std::u16string_view name) {
  return std::u16string(node.GetAttribute(name).value_or(u""));
}

// Each child element of that name, in order.
std::vector<XmlNode> Children(const XmlNode& node, std::u16string_view name) {
  std::vector<XmlNode> out;
  size_t position = 0;
  for (XmlNode child = node.FindChild(name, &position); child;
       child = node.FindChild(name, &position)) {
    out.push_back(child);
  }
  return out;
}

uint32_t DecimalIn(const XmlNode& node) {
  return static_cast<uint32_t>(std::stoul(Utf16ToUtf8(Attr(node.FindChild(u"decimal"), u"value"))));
}

// What the Group Policy editor writes for one value: its type and, for a
// REG_DWORD, every number it can write.
struct Written {
  uint32_t type = 0;
  std::set<uint32_t> numbers;
};

TEST(PolicyValuesTest, TemplatesWriteExactlyWhatTheProgramReads) {
  const std::u16string admxText = ReadTemplate("AddrBookSync.admx");
  const XmlNode admx = TopElement(admxText, u"policyDefinitions");
  ASSERT_TRUE(admx);
  std::map<std::u16string, Written> written;
  std::set<std::u16string> strings;
  std::set<std::u16string> presentations;
  const auto reference = [](std::set<std::u16string>& into, const std::u16string& text,
                            std::u16string_view kind) {
    const std::u16string prefix = u"$(" + std::u16string(kind) + u".";
    if (text.starts_with(prefix) && text.ends_with(u")")) {
      into.insert(text.substr(prefix.size(), text.size() - prefix.size() - 1));
    }
  };
  for (const XmlNode& policy : Children(admx.FindChild(u"policies"), u"policy")) {
    EXPECT_EQ(Attr(policy, u"key"), kPolicyKey);
    EXPECT_EQ(Attr(policy, u"class"), u"Both");
    reference(strings, Attr(policy, u"displayName"), u"string");
    reference(strings, Attr(policy, u"explainText"), u"string");
    reference(presentations, Attr(policy, u"presentation"), u"presentation");
    if (policy.GetAttribute(u"valueName")) {
      Written& w = written[Attr(policy, u"valueName")];
      w.type = kPolicyRegDword;
      w.numbers = {DecimalIn(policy.FindChild(u"enabledValue")),
                   DecimalIn(policy.FindChild(u"disabledValue"))};
    }
    const XmlNode elements = policy.FindChild(u"elements");
    for (const XmlNode& text : Children(elements, u"text")) {
      EXPECT_FALSE(text.GetAttribute(u"expandable"));
      written[Attr(text, u"valueName")].type = kPolicyRegSz;
    }
    for (const XmlNode& decimal : Children(elements, u"decimal")) {
      EXPECT_FALSE(decimal.GetAttribute(u"storeAsText"));
      Written& w = written[Attr(decimal, u"valueName")];
      w.type = kPolicyRegDword;
      const auto low = std::stoul(Utf16ToUtf8(Attr(decimal, u"minValue")));
      const auto high = std::stoul(Utf16ToUtf8(Attr(decimal, u"maxValue")));
      for (auto n = low; n <= high; ++n) w.numbers.insert(static_cast<uint32_t>(n));
    }
    for (const XmlNode& list : Children(elements, u"enum")) {
      Written& w = written[Attr(list, u"valueName")];
      w.type = kPolicyRegDword;
      for (const XmlNode& item : Children(list, u"item")) {
        reference(strings, Attr(item, u"displayName"), u"string");
        w.numbers.insert(DecimalIn(item.FindChild(u"value")));
      }
    }
  }

  ASSERT_EQ(written.size(), kPolicyValues.size());
  for (const PolicyValueSpec& spec : kPolicyValues) {
    const std::string name = Utf16ToUtf8(spec.name);
    ASSERT_TRUE(written.count(spec.name)) << name;
    const Written& w = written[spec.name];
    EXPECT_EQ(w.type, spec.type) << name;
    if (spec.type != kPolicyRegDword) continue;
    std::set<uint32_t> accepted;
    for (uint32_t n = 0; n <= spec.high + spec.step; ++n) {
      if (PolicyNumberAllowed(spec, n)) accepted.insert(n);
    }
    EXPECT_EQ(w.numbers, accepted) << name;
  }

  // Every text the templates name exists in both languages.
  for (const char* language : {"zh-CN", "en-US"}) {
    const std::u16string admlText = ReadTemplate(std::string(language) + "/AddrBookSync.adml");
    const XmlNode resources =
        TopElement(admlText, u"policyDefinitionResources").FindChild(u"resources");
    std::set<std::u16string> defined;
    for (const XmlNode& s : Children(resources.FindChild(u"stringTable"), u"string")) {
      defined.insert(Attr(s, u"id"));
    }
    for (const auto& id : strings) EXPECT_TRUE(defined.count(id)) << language << Utf16ToUtf8(id);
    std::set<std::u16string> shown;
    for (const XmlNode& p : Children(resources.FindChild(u"presentationTable"), u"presentation")) {
      shown.insert(Attr(p, u"id"));
    }
    EXPECT_EQ(shown, presentations) << language;
  }
}

}  // namespace
