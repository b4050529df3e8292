#include "clients/foxmail7/foxmail7_files.h"

#include "clients/foxmail7/foxmail7_templates.h"

namespace {

struct FileFacts {
  std::u16string_view name;
  int templateId;
};

// In the order of Foxmail7File.
constexpr FileFacts kFileFacts[] = {
    {u"AddrGroup", 0},
    {u"AddrFolderTreeStgtre", kFolderTreeTemplateId},
    {u"AddrFolderTreeStg.rec0", kFolderTreeRecordsTemplateId},
    {u"AddrFolderTreeStg.htb", kFolderTreeIndexTemplateId},
    {u"AddrData.rec0", kContactRecordsTemplateId},
    {u"AddrData.hea", 0},
    {u"AddrFolderMember", 0},
};
static_assert(std::size(kFileFacts) == kFoxmail7Files.size());

}  // namespace

std::u16string_view Foxmail7FileName(Foxmail7File file) {
  return kFileFacts[static_cast<size_t>(file)].name;
}

int Foxmail7FileTemplateId(Foxmail7File file) {
  return kFileFacts[static_cast<size_t>(file)].templateId;
}
