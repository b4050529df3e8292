#include "clients/foxmail7/foxmail7_files.h"

#include "clients/foxmail7/foxmail7_templates.h"

std::u16string_view Foxmail7FileName(Foxmail7File file) {
  switch (file) {
    case Foxmail7File::AddrGroup:
      return u"AddrGroup";
    case Foxmail7File::AddrFolderTreeStgtre:
      return u"AddrFolderTreeStgtre";
    case Foxmail7File::AddrFolderTreeStgRec0:
      return u"AddrFolderTreeStg.rec0";
    case Foxmail7File::AddrFolderTreeStgHtb:
      return u"AddrFolderTreeStg.htb";
    case Foxmail7File::AddrDataRec0:
      return u"AddrData.rec0";
    case Foxmail7File::AddrDataHea:
      return u"AddrData.hea";
    case Foxmail7File::AddrFolderMember:
      return u"AddrFolderMember";
  }
  return {};
}

int Foxmail7FileTemplateId(Foxmail7File file) {
  switch (file) {
    case Foxmail7File::AddrFolderTreeStgtre:
      return kFolderTreeTemplateId;
    case Foxmail7File::AddrFolderTreeStgRec0:
      return kFolderTreeRecordsTemplateId;
    case Foxmail7File::AddrFolderTreeStgHtb:
      return kFolderTreeIndexTemplateId;
    case Foxmail7File::AddrDataRec0:
      return kContactRecordsTemplateId;
    default:
      return 0;
  }
}
