#include "clients/outlook/service_outlook_sync_win.h"

#include "clients/outlook/busy_message_filter_win.h"
#include "clients/outlook/dispatch_member_call_win.h"
#include "clients/outlook/outlook_application_win.h"
#include "clients/outlook/outlook_failure_text.h"

namespace {

// Outlook's published dispatch identifiers.
constexpr DISPID kCreateItem = 0x10A;
constexpr DISPID kGetNamespace = 0x110;
constexpr DISPID kGetDefaultFolder = 0x210B;
constexpr DISPID kItems = 0x3100;
constexpr DISPID kFind = 0x62;
constexpr DISPID kFindNext = 0x63;
constexpr DISPID kDelete = 0xF04A;
constexpr DISPID kSave = 0xF048;
constexpr DISPID kFullName = 0x3001;
constexpr DISPID kEmail1Address = 0x8083;
constexpr DISPID kNickName = 0x3A4F;

constexpr int32_t olFolderContacts = 10;
constexpr int32_t olContactItem = 2;

constexpr char16_t kMarker[] = u"KESTRANODE_MAIL";
constexpr char16_t kMarkerFilter[] = u"[NickName] = 'KESTRANODE_MAIL'";

// Makes the calls one after the other and keeps the text of the first
// failure; the caller stops at it.
class OutlookCalls {
 public:
  bool Call(IDispatch& target, DISPID member, MemberKind kind,
            std::initializer_list<DispatchArg> args) {
    MemberCallResult result = CallMember(target, member, kind, args);
    return Check(result);
  }

  // A call that must give an object; giving none is a failure too.
  UniqueComRef<IDispatch> Object(IDispatch& target, DISPID member, MemberKind kind,
                                 std::initializer_list<DispatchArg> args) {
    MemberCallResult result = CallMember(target, member, kind, args);
    if (!Check(result)) return {};
    UniqueComRef<IDispatch> object = TakeObject(result.value);
    if (!object) failureText_ = OutlookCallFailureText({}, DISP_E_TYPEMISMATCH);
    return object;
  }

  // A search that may find nothing: null then, and failed() tells why.
  UniqueComRef<IDispatch> Found(IDispatch& target, DISPID member,
                                std::initializer_list<DispatchArg> args) {
    MemberCallResult result = CallMember(target, member, MemberKind::Method, args);
    if (!Check(result)) return {};
    return TakeObject(result.value);
  }

  bool failed() const { return !failureText_.empty(); }
  const std::u16string& failureText() const { return failureText_; }

 private:
  bool Check(const MemberCallResult& result) {
    if (result.ok()) return true;
    failureText_ = OutlookCallFailureText(result.description, static_cast<uint32_t>(result.status));
    return false;
  }

  std::u16string failureText_;
};

bool DeleteMarkedItems(IDispatch& items, OutlookCalls& calls) {
  UniqueComRef<IDispatch> item = calls.Found(items, kFind, {kMarkerFilter});
  while (item) {
    if (!calls.Call(*item, kDelete, MemberKind::Method, {})) return false;
    UniqueComRef<IDispatch> next = calls.Found(items, kFindNext, {});
    item = std::move(next);  // releases the deleted item
  }
  return !calls.failed();
}

bool CreateMarkedContacts(IDispatch& application, const AddrContactList& contacts,
                          OutlookCalls& calls) {
  for (const AddrContact& contact : contacts) {
    UniqueComRef<IDispatch> item =
        calls.Object(application, kCreateItem, MemberKind::Method, {olContactItem});
    if (!item) return false;
    if (!calls.Call(*item, kFullName, MemberKind::PropertyPut, {contact.Name}) ||
        !calls.Call(*item, kEmail1Address, MemberKind::PropertyPut, {contact.EMail}) ||
        !calls.Call(*item, kNickName, MemberKind::PropertyPut, {kMarker}) ||
        !calls.Call(*item, kSave, MemberKind::Method, {})) {
      return false;
    }
  }
  return true;
}

bool ReplaceMarkedContacts(IDispatch& application, const AddrContactList& contacts,
                           OutlookCalls& calls) {
  UniqueComRef<IDispatch> mapi =
      calls.Object(application, kGetNamespace, MemberKind::Method, {u"MAPI"});
  if (!mapi) return false;
  UniqueComRef<IDispatch> folder =
      calls.Object(*mapi, kGetDefaultFolder, MemberKind::Method, {olFolderContacts});
  if (!folder) return false;
  UniqueComRef<IDispatch> items = calls.Object(*folder, kItems, MemberKind::PropertyGet, {});
  if (!items) return false;
  return DeleteMarkedItems(*items, calls) && CreateMarkedContacts(application, contacts, calls);
}

}  // namespace

bool CServiceOutlookSync::SyncContacts(const AddrContactList& contacts) {
  lastErrorText_.clear();
  ScopedBusyMessageFilter busyFilter;
  UniqueComRef<IDispatch> application = CreateOutlookApplication();
  if (!application) {
    lastErrorText_ = kOutlookStartFailedText;
    return false;
  }
  OutlookCalls calls;
  if (!ReplaceMarkedContacts(*application, contacts, calls)) {
    lastErrorText_ = calls.failureText();
    return false;
  }
  return true;
}
