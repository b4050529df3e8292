#include "clients/outlook/marked_contact_creation_win.h"

bool CreateMarkedContacts(IDispatch& application, const AddrContactList& contacts,
                          OutlookCalls& calls) {
  using namespace outlook;
  for (const AddrContact& contact : contacts) {
    UniqueComRef<IDispatch> item =
        calls.Object(application, kCreateItem, MemberKind::Method, {olContactItem});
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
