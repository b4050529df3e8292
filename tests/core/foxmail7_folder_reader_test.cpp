// Reading a Foxmail 7 address folder back, and what the check finds wrong.

#include "clients/foxmail7/foxmail7_folder_reader.h"

#include <gtest/gtest.h>

#include "clients/foxmail7/foxmail7_storage_writer.h"

namespace {

Foxmail7FolderBytes Folder(const AddrContactList& contacts) {
  Foxmail7FolderBytes files;
  for (size_t i = 0; i < kFoxmail7Files.size(); ++i)
    files[i] = BuildFoxmail7File(kFoxmail7Files[i], contacts);
  return files;
}

// Indexes of kFoxmail7Files.
constexpr size_t kGroup = 0, kDataRec0 = 4, kData = 5, kMembers = 6;

std::string Problems(const Foxmail7FolderBytes& files) {
  std::string all;
  for (const std::string& p : ReadFoxmail7Folder(files).problems) all += p + "\n";
  return all;
}

TEST(Foxmail7FolderReader, ReadsBackWhatWasWritten) {
  const AddrContactList contacts = {{u"张三", u"zhangsan@corp.example"},
                                    {u"", u"noname@corp.example"},
                                    {u"No Address", u""},
                                    {u"", u""},
                                    {u"张三", u"zhangsan@corp.example"}};
  for (const AddrContactList& list :
       {contacts, AddrContactList{}, AddrContactList(1025, contacts[0])}) {
    const Foxmail7FolderReport report = ReadFoxmail7Folder(Folder(list));
    EXPECT_TRUE(report.wellFormed()) << Problems(Folder(list));
    EXPECT_EQ(list, report.contacts);
  }
  // Overlong texts come back as shortened: 136 x 张 (408 bytes) + 3 <= 413.
  const Foxmail7FolderReport shortened =
      ReadFoxmail7Folder(Folder({{std::u16string(300, u'张'), u"a@b"}}));
  EXPECT_EQ((AddrContactList{{std::u16string(136, u'张'), u"a@b"}}), shortened.contacts);
}

TEST(Foxmail7FolderReader, FindsWhatIsWrong) {
  const size_t second = 0x60 + 529;  // record 2 of AddrData.hea
  struct Damage {
    size_t file, offset;
    char value;
    const char* finding;
  };
  for (const Damage& d : {
           Damage{kData, second, 3, "AddrData.hea: record 2 has a wrong record prefix"},
           Damage{kData, second + 7, 1, "AddrData.hea: record 2 has a wrong record prefix"},
           Damage{kData, second + 8, 0, "record 2: record head differs"},
           Damage{kData, second + 8, '\xFF', "record 2: record head differs"},
           Damage{kData, second + 17 + 2, 'x', "record 2: no separator after the name"},
           Damage{kData, second + 17 + 1 + 4 + 1 + 5, 'x', "record 2: bytes after the address"},
           Damage{kData, second + 17, '\xFF', "record 2: text is not UTF-8"},
           Damage{kData, second + 17 + 1 + 4, '\xFF', "record 2: text is not UTF-8"},
           Damage{kData, 0x08, 5, "record count 5 but 2 records"},
           Damage{kData, 0x0B, 1, "record count 16777218 but 2 records"},
           Damage{kDataRec0, 0x0C, 0, "AddrData.rec0: length field differs"},
           Damage{kMembers, 100, 1, "AddrFolderMember: unexpected bytes before the member entries"},
           Damage{kMembers, 12319, 2, "AddrFolderMember: 0 member entries for 2 contact records"},
           Damage{kGroup, 0, 'L', "AddrGroup: not a KVLS file"},
           Damage{kGroup, 0, 'J', "AddrGroup: not a KVLS file"},
           Damage{kDataRec0, 0, 'S', "AddrData.rec0: not a RECF file"},
           Damage{3, 3, 'T', "not an IDTS file"},
       }) {
    Foxmail7FolderBytes files = Folder({{u"a", u"b"}, {u"c", u"d"}});
    (*files[d.file])[d.offset] = d.value;
    EXPECT_NE(std::string::npos, Problems(files).find(d.finding)) << d.finding << "\n"
                                                                  << Problems(files);
  }

  Foxmail7FolderBytes files = Folder({{u"a", u"b"}});
  files[kGroup].reset();
  files[kData]->pop_back();
  files[kMembers] = BuildFoxmail7File(Foxmail7File::AddrFolderMember, AddrContactList(2));
  EXPECT_EQ(
      "AddrGroup: missing\n"
      "AddrData.hea: length 624 is not a whole number of records of 529 bytes\n",
      Problems(files));
  files[kData] = BuildFoxmail7File(Foxmail7File::AddrDataHea, AddrContactList(1));
  EXPECT_NE(std::string::npos,
            Problems(files).find("AddrFolderMember: 2 member entries for 1 contact records"));
  files[kMembers]->erase(32, 12);
  EXPECT_NE(std::string::npos,
            Problems(files).find("AddrFolderMember: data area of 12276 bytes for 2 entries"));
}

}  // namespace
