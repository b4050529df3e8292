// The seven files of a Foxmail 7 address folder, byte for byte against the
// storage format's tables, transcribed here independently of the code.

#include <gtest/gtest.h>

#include <string>

#include "clients/foxmail7/foxmail7_storage_writer.h"

namespace {

std::string Hex(const char* text) {
  std::string bytes;
  for (const char* p = text; *p; ++p) {
    if (*p != ' ') bytes.push_back(static_cast<char>(std::stoi(std::string(p++, 2), nullptr, 16)));
  }
  return bytes;
}
std::string Zeros(size_t n) { return std::string(n, '\0'); }
std::string Le16(uint32_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  while (n--) out += s;
  return out;
}

const std::string kFolderTree = [] {
  std::string b =
      Hex("46 58 49 53 02 00 00 00 01 00 00 00 01 00 00 00 "
          "77 9B 0F B0 9F 66 E4 40 00 01 00 00 89 01 00 00 "
          "00 00 00 00 89 01 00 00 00 01 00 00 02 00 00 00 "
          "73 57 40 00 00 00 00 00 40 D9 C6 02 FC F6 18 00 "
          "9A 67 69 00 D8 F6 18 00 CD 68 69 00 FC F6 18 00 "
          "18 F7 18 00 C1 43 40 00 FC F6 18 00 40 D9 C6 02 "
          "00 00 00 00 24 54 79 07 34 53 79 07 2C 0A 00 01 "
          "40 D9 C6 02 40 F7 18 00 87 69 69 00 00 01 00 00 "
          "80 01 00 00 00 01 00 00 B8 C3 BE 00 C4 C3 BE 00 "
          "84 F7 18 00 94 69 69 00 40 F7 18 00 00 00 00 00 "
          "F8 7D 48 00 00 00 00 00 FF FF FF FF C4 C3 BE 00 "
          "34 53 79 07 4C 5F 69 00 6C F7 18 00 A0 7A 6C 00 "
          "00 01 00 00 80 01 00 00 00 01 00 00 B8 C3 BE 00 "
          "00 00 00 00 00 00 00 00 C4 C3 BE 00 34 53 79 07 "
          "2C 71 6C 00 BC F7 18 00 92 A3 6C 00 00 00 00 00 "
          "80 01 00 00 00 01 00 00 B8 C3 BE 00 90 F7 18 00 "
          "E7 A3 6C 00 BC F7 18 00 D0 F7 18 00 04 A4 6C 00 "
          "BC F7 18 00 00 00 00 00 4C 6E 3D 01 00 00 00 00 "
          "01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
          "00 07 00 3C 00 2C 67 30 57 87 65 F6 4E 39 59 3E");
  b += Zeros(689 - b.size());
  b[0x1B1] = 1;
  return b;
}();
const std::string kEmptyRecordFile = "RECF" + Le32(0) + Le32(0) + Le32(128) + Zeros(112);
const std::string kFolderIndex = "IDTS" + Le32(1) + Le32(1) + Zeros(52) + Hex("EC A5 FF 02") +
                                 Le32(1) + Hex("FF FF FF FF FF FF FF FF");
std::string Kvls(const char* byte0F) {
  return "KVLS" + Hex("00 01 00 01 00 00 00 04 00 00 00") + Hex(byte0F) +
         Hex("00 00 00 00 FF 00 00 00") + Zeros(8);
}
const std::string kTrailer = Hex("ED 12") + Zeros(6) + Hex("67") + Zeros(7) +
                             Hex("5E 40 00 D1 5E 40") + Zeros(0x5D - 0x16) + Hex("12") + Zeros(1);

std::string Record(uint32_t k, const std::string& name, const std::string& address) {
  return Le16(k & 0xFFFF) + Zeros(6) + Hex("8C 00 00 00 00 80 FF 00 00") + name + Zeros(4) +
         address + Zeros(413 - name.size() - address.size()) + kTrailer;
}

// Contacts with ASCII texts, so the expected UTF-8 is the text itself.
AddrContactList Numbered(size_t n) {
  AddrContactList list;
  for (size_t k = 1; k <= n; ++k)
    list.push_back({u"User " + std::u16string(1, u'A' + k % 26), u"u@corp"});
  return list;
}

std::string ExpectedContactStorage(const AddrContactList& contacts) {
  std::string b =
      Hex("46 58 49 53 02 00 00 00 02 00 00 00 02 00 00 00 "
          "14 7D C8 1F 75 0A E4 40 40 00 00 00 09 02 00 00 "
          "54 FE 12 00 09 02 00 00 40 00 00 00 02 00 00 00 "
          "53 57 40 00 00 00 00 00 98 EA 1D 02 64 FB 12 00 "
          "42 39 69 00 40 FB 12 00 75 3A 69 00 64 FB 12 00 "
          "80 FB 12 00 A1 43 40 00 64 FB 12 00 98 EA 1D 02");
  b.replace(8, 2, Le16(static_cast<uint32_t>(contacts.size())));
  for (size_t k = 1; k <= contacts.size(); ++k) {
    const auto& c = contacts[k - 1];
    b += Record(k, std::string(c.Name.begin(), c.Name.end()),
                std::string(c.EMail.begin(), c.EMail.end()));
  }
  return b;
}

std::string ExpectedMemberList(size_t n) {
  std::string b = Kvls("04") + Zeros(n < 1024 ? 12288 - 12 * n : 0);
  for (size_t k = n; k >= 1; --k)
    b += Hex("A1 C2 3F AE 00 00 00") + char(k & 0xFF) + Hex("00 00 00 01");
  return b;
}

constexpr auto Build = BuildFoxmail7File;

TEST(Foxmail7StorageWriter, ByteForByteForEveryListSize) {
  for (size_t n : {0u, 1u, 300u, 1024u, 1025u}) {
    SCOPED_TRACE(n);
    const AddrContactList contacts = Numbered(n);
    EXPECT_EQ(Kvls("08"), Build(Foxmail7File::AddrGroup, contacts));
    EXPECT_EQ(kFolderTree, Build(Foxmail7File::AddrFolderTreeStgtre, contacts));
    EXPECT_EQ(kEmptyRecordFile, Build(Foxmail7File::AddrFolderTreeStgRec0, contacts));
    EXPECT_EQ(kFolderIndex, Build(Foxmail7File::AddrFolderTreeStgHtb, contacts));
    EXPECT_EQ(kEmptyRecordFile, Build(Foxmail7File::AddrDataRec0, contacts));
    const std::string hea = Build(Foxmail7File::AddrDataHea, contacts);
    EXPECT_EQ(96 + 529 * n, hea.size());
    EXPECT_TRUE(hea == ExpectedContactStorage(contacts));
    const std::string members = Build(Foxmail7File::AddrFolderMember, contacts);
    EXPECT_EQ(n <= 1024 ? 12320 : 32 + 12 * n, members.size());
    EXPECT_TRUE(members == ExpectedMemberList(n));
  }
}

TEST(Foxmail7StorageWriter, FixedOffsetsOfTheTables) {
  const std::string one = Build(Foxmail7File::AddrDataHea, {{u"Ann", u"a@b.c"}});
  ASSERT_EQ(625u, one.size());
  EXPECT_EQ(Hex("01 00 00 00 00 00 00 00 8C 00 00 00 00 80 FF 00 00") + "Ann" + Zeros(4) + "a@b.c" +
                Zeros(405),
            one.substr(0x60, 434));
  // The folder name "<本地文件夹>" behind its length in UTF-16 units.
  const std::u16string folder = u"<本地文件夹>";
  EXPECT_EQ(Le16(7) + std::string(reinterpret_cast<const char*>(folder.data()), 14),
            kFolderTree.substr(0x131, 16));
}

// Keeps the start and the last record of a file too large to hold.
struct HeadAndTail : IStorageSink {
  std::string head, tail;
  size_t total = 0;
  bool Write(std::span<const uint8_t> bytes) override {
    const std::string piece(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (head.empty()) head = piece;
    tail = piece;
    total += piece.size();
    return true;
  }
};

TEST(Foxmail7StorageWriter, CountAndRecordNumbersWrapAt65536) {
  HeadAndTail sink;
  ASSERT_TRUE(
      WriteFoxmail7File(Foxmail7File::AddrDataHea, AddrContactList(65537, {u"x", u"y"}), sink));
  EXPECT_EQ(96 + 529 * 65537u, sink.total);
  EXPECT_EQ(Le32(1), sink.head.substr(8, 4));
  EXPECT_EQ(Record(1, "x", "y"), sink.tail);
}

// Takes `left` writes, then refuses.
struct Refusing : IStorageSink {
  int left;
  explicit Refusing(int allowed) : left(allowed) {}
  bool Write(std::span<const uint8_t>) override { return left-- > 0; }
};

TEST(Foxmail7StorageWriter, ARefusedWriteFailsTheFile) {
  for (Foxmail7File file : kFoxmail7Files) {
    Refusing none(0);
    EXPECT_FALSE(WriteFoxmail7File(file, Numbered(3), none));
  }
  Refusing midRecords(2);
  EXPECT_FALSE(WriteFoxmail7File(Foxmail7File::AddrDataHea, Numbered(3), midRecords));
  // Inside the zero area too: the file would be short.
  Refusing afterHeader(1);
  EXPECT_FALSE(WriteFoxmail7File(Foxmail7File::AddrFolderMember, Numbered(3), afterHeader));
}

TEST(Foxmail7StorageWriter, RecordTextsAsTheRecordStoresThem) {
  const std::string zhang = Hex("E5 BC A0");
  std::u16string wideEmoji;
  for (int i = 0; i < 110; ++i) wideEmoji += u"\U0001F600";  // 440 bytes
  struct Case {
    AddrContact contact;
    std::string name, address;  // expected UTF-8
  };
  for (const Case& c : std::vector<Case>{
           {{u"张三", u"zs@corp"}, Hex("E5 BC A0 E4 B8 89"), "zs@corp"},
           {{u"", u"only@address"}, "", "only@address"},
           {{u"", u""}, "", ""},
           // A zero would end the field when read.
           {{std::u16string(u"ab\0cd", 5), u"c"}, "ab", "c"},
           {{std::u16string{u'a', char16_t(0xD800)}, u""}, Hex("61 EF BF BD"), ""},
           // Exactly 413 bytes: no fill.
           {{std::u16string(200, u'n'), std::u16string(213, u'a')},
            std::string(200, 'n'),
            std::string(213, 'a')},
           // Beyond: the name gives way first, at a character boundary...
           {{std::u16string(300, u'n'), std::u16string(200, u'a')},
            std::string(213, 'n'),
            std::string(200, 'a')},
           {{std::u16string(150, u'张'), u"0123456789"}, Repeat(zhang, 134), "0123456789"},
           {{wideEmoji, u"xy"}, Repeat(Hex("F0 9F 98 80"), 102), "xy"},
           // ...then the address.
           {{u"name", std::u16string(420, u'a')}, "", std::string(413, 'a')},
       }) {
    const std::string hea = Build(Foxmail7File::AddrDataHea, {c.contact});
    ASSERT_EQ(625u, hea.size());
    EXPECT_TRUE(Record(1, c.name, c.address) == hea.substr(0x60))
        << c.name.size() << "+" << c.address.size();
  }
}

}  // namespace
