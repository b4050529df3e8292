// Administrator policy: which registry values the program takes over the
// user's own settings, and the shipped templates held against the
// program's one table. Machine over user is shown through /sync.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/policy_values.h"
#include "common/utf_convert.h"
#include "xml/xml_parser.h"

namespace {

struct FakeRegistry : IPolicySource {
  std::map<std::pair<bool, std::u16string>, PolicyRegistryValue> values;
  std::optional<PolicyRegistryValue> Read(bool machine, const char16_t* name) override {
    auto it = values.find({machine, name});
    return it == values.end() ? std::nullopt : std::optional(it->second);
  }
};

PolicyRegistryValue Sz(const char16_t* text) { return {kPolicyRegSz, text, 0}; }
PolicyRegistryValue Dword(uint32_t number) { return {kPolicyRegDword, u"", number}; }

std::string Shown(const SyncSettings& s) {
  std::ostringstream out;
  out << Utf16ToUtf8(s.ServerScheme + u"://" + s.ServerHost) << ':' << s.ServerPort << '/'
      << Utf16ToUtf8(s.ServerVirtual) << ' ' << s.EmailClient << s.SyncLevel << s.SyncType << ' '
      << s.SyncTime << ' ' << s.SyncSpread << ' ' << s.SavePassword << ' '
      << Utf16ToUtf8(s.OutlookFolder);
  return out.str();
}

TEST(PolicyValuesTest, UsableValuesWinOverTheUsersOwnAndOthersAreIgnored) {
  SyncSettings own;
  own.EmailClient = 5;
  own.SavePassword = 1;
  own.OutlookFolder = u"个人";
  const std::string ownShown = "http://127.0.0.1:80/mail 500 540 0 1 个人";
  const struct {
    const char16_t* name;
    PolicyRegistryValue value;
    const char* shown;  // nullptr: ignored
  } cases[] = {
      {u"WebmailAddress", Sz(u" HTTPS://gp.example:8443/corp/ "),
       "https://gp.example:8443/corp 500 540 0 1 个人"},
      {u"WebmailAddress", Sz(u"mail.example/mail"), nullptr},
      {u"WebmailAddress", Sz(u"http://gp.example/mail?x=1"), nullptr},
      {u"WebmailAddress", Sz(u"http://gp.example:0/mail"), nullptr},
      {u"WebmailAddress", {2, u"http://gp.example/mail", 0}, nullptr},  // REG_EXPAND_SZ
      {u"WebmailAddress", Dword(1), nullptr},
      {u"EmailClient", Dword(6), "http://127.0.0.1:80/mail 600 540 0 1 个人"},
      {u"EmailClient", Dword(4), nullptr},  // Foxmail 5.x/6.x cannot be written
      {u"EmailClient", Dword(7), nullptr},
      {u"EmailClient", Sz(u"6"), nullptr},
      {u"SyncLevel", Dword(1), "http://127.0.0.1:80/mail 510 540 0 1 个人"},
      {u"SyncLevel", Dword(2), nullptr},
      {u"SyncType", Dword(1), "http://127.0.0.1:80/mail 501 540 0 1 个人"},
      {u"SyncType", Dword(0), "http://127.0.0.1:80/mail 500 540 0 1 个人"},
      {u"SyncType", Dword(0xFFFFFFFF), nullptr},
      {u"SyncTime", Dword(1410), "http://127.0.0.1:80/mail 500 1410 0 1 个人"},
      {u"SyncTime", Dword(545), nullptr},
      {u"SyncTime", Dword(1440), nullptr},
      {u"SyncSpread", Dword(120), "http://127.0.0.1:80/mail 500 540 120 1 个人"},
      {u"SyncSpread", Dword(121), nullptr},
      {u"SavePassword", Dword(0), "http://127.0.0.1:80/mail 500 540 0 0 个人"},
      {u"SavePassword", Dword(1), nullptr},  // the user chooses
      {u"SavePassword", Dword(2), nullptr},
      {u"OutlookFolder", Sz(u" 公司通讯录 "), "http://127.0.0.1:80/mail 500 540 0 1 公司通讯录"},
      {u"OutlookFolder", Sz(u""), "http://127.0.0.1:80/mail 500 540 0 1 "},  // the default folder
      {u"OutlookFolder", Sz(u"a\\b"), nullptr},
      {u"OutlookFolder", Sz(u" "), "http://127.0.0.1:80/mail 500 540 0 1 "},
      {u"OutlookFolder", Dword(1), nullptr},
  };
  for (const auto& c : cases) {
    FakeRegistry registry;
    registry.values[{false, c.name}] = c.value;
    const Policy policy = ReadPolicy(registry);
    EXPECT_EQ(Shown(policy.Apply(own)), c.shown ? c.shown : ownShown) << Utf16ToUtf8(c.name);
    EXPECT_EQ(policy.ManagesAny(), c.shown != nullptr) << Utf16ToUtf8(c.name);
    const std::u16string name = c.name;
    EXPECT_EQ(policy.ForbidsSavedPassword(), name == u"SavePassword" && c.shown);
    // The tray offers to cancel the own automatic sync only.
    EXPECT_EQ(CancelAutoSyncOffered(policy, policy.Apply(own).SyncType),
              !(name == u"SyncType" && c.shown));
  }
  // The machine's 1 leaves the choice to the user over the user policy's 0.
  FakeRegistry registry;
  registry.values[{true, u"SavePassword"}] = Dword(1);
  registry.values[{false, u"SavePassword"}] = Dword(0);
  EXPECT_FALSE(ReadPolicy(registry).ManagesAny());
  // A machine's unusable name leaves the user policy's.
  registry.values[{true, u"OutlookFolder"}] = Sz(u"a\\b");
  registry.values[{false, u"OutlookFolder"}] = Sz(u"Corp");
  EXPECT_EQ(ReadPolicy(registry).Apply(own).OutlookFolder, u"Corp");
}

std::u16string Attr(const XmlNode& node, std::u16string_view name) {
  return std::u16string(node.GetAttribute(name).value_or(u""));
}

uint32_t Number(const std::u16string& text) { return std::stoul(Utf16ToUtf8(text)); }

// Every element below `node` that names a registry value, and every policy.
void Collect(const XmlNode& node, std::map<std::u16string, XmlNode>& values,
             std::vector<XmlNode>& policies) {
  for (size_t i = 0; i < node.ChildCount(); ++i) {
    const XmlNode child = node.ChildAt(i);
    if (child.Name() == u"policy") policies.push_back(child);
    if (child.GetAttribute(u"valueName")) values[Attr(child, u"valueName")] = child;
    Collect(child, values, policies);
  }
}

TEST(PolicyValuesTest, TemplatesWriteExactlyWhatTheProgramReads) {
  std::ifstream file(std::string(TW_SOURCE_DIR) + "/policy/AddrBookSync.admx", std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  const std::u16string text = Utf8ToUtf16(bytes.str());
  std::map<std::u16string, XmlNode> values;
  std::vector<XmlNode> policies;
  Collect(ParseXmlDocument(text), values, policies);
  ASSERT_EQ(policies.size(), kPolicyValues.size());
  for (const XmlNode& policy : policies) {
    EXPECT_EQ(Attr(policy, u"key"), kPolicyKey);
    EXPECT_EQ(Attr(policy, u"class"), u"Both");
  }
  ASSERT_EQ(values.size(), kPolicyValues.size());
  for (const PolicyValueSpec& spec : kPolicyValues) {
    const std::string name = Utf16ToUtf8(spec.name);
    ASSERT_TRUE(values.count(spec.name)) << name;
    // What the Group Policy editor writes: a text element a REG_SZ (an
    // expandable one a REG_EXPAND_SZ), everything else a REG_DWORD.
    const XmlNode element = values[spec.name];
    const std::u16string kind(*element.Name());
    EXPECT_FALSE(element.GetAttribute(u"expandable") || element.GetAttribute(u"storeAsText"));
    EXPECT_EQ(kind == u"text" ? kPolicyRegSz : kPolicyRegDword, spec.type) << name;
    std::set<uint32_t> written;
    if (kind == u"decimal") {
      for (auto n = Number(Attr(element, u"minValue")); n <= Number(Attr(element, u"maxValue"));
           ++n) {
        written.insert(n);
      }
    } else if (kind == u"enum") {
      for (size_t i = 0; i < element.ChildCount(); ++i) {
        written.insert(
            Number(Attr(element.ChildAt(i).FindChild(u"value").FindChild(u"decimal"), u"value")));
      }
    } else if (kind == u"policy") {
      for (const char16_t* state : {u"enabledValue", u"disabledValue"}) {
        written.insert(Number(Attr(element.FindChild(state).FindChild(u"decimal"), u"value")));
      }
    }
    std::set<uint32_t> accepted;
    for (uint32_t n = 0; spec.type == kPolicyRegDword && n <= spec.high + spec.step; ++n) {
      if (PolicyNumberAllowed(spec, n)) accepted.insert(n);
    }
    EXPECT_EQ(written, accepted) << name;
  }
}

}  // namespace
