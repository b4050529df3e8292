#include "clients/outlook/marked_contact_creation_win.h"

#include "clients/outlook/outlook_folder_members_win.h"

UniqueComRef<IDispatch> NewContactItem(IDispatch& application, IDispatch* folderItems,
                                       OutlookCalls& calls) {
  using namespace outlook;
  if (folderItems) return calls.Object(*folderItems, kAdd, MemberKind::Method, {olContactItem});
  return calls.Object(application, kCreateItem, MemberKind::Method, {olContactItem});
}

bool CreateMarkedContacts(IDispatch& application, const AddrContactList& contacts,
                          OutlookCalls& calls, IDispatch* folderItems) {
  using namespace outlook;
  for (const AddrContact& contact : contacts) {
    UniqueComRef<IDispatch> item = NewContactItem(application, folderItems, calls);
    if (!item) return false;
    if (!calls.Call(*item, kFullName, MemberKind::PropertyPut, {contact.Name}) ||
        !calls.Call(*item, kEmail1Address, MemberKind::PropertyPut, {contact.EMail}) ||
        !calls.Call(*item, kNickName, MemberKind::PropertyPut, {kCompanyContactMarker}) ||
        !calls.Call(*item, kSave, MemberKind::Method, {})) {
      return false;
    }
  }
  return true;
}
