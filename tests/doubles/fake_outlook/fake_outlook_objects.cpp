#include "fake_outlook/fake_outlook_objects.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace fakeoutlook {
namespace {

// Outlook's published dispatch identifiers of the members this fake serves.
struct PublishedMember {
  DISPID id;
  const wchar_t* name;
};
constexpr PublishedMember kMembers[] = {
    {0x10A, L"CreateItem"},   {0x110, L"GetNamespace"},      {0x210B, L"GetDefaultFolder"},
    {0x3100, L"Items"},       {0x50, L"Count"},              {0x62, L"Find"},
    {0x63, L"FindNext"},      {0xF04A, L"Delete"},           {0xF048, L"Save"},
    {0x3001, L"FullName"},    {0x8083, L"Email1Address"},    {0x3A4F, L"NickName"},
    {0xF01E, L"EntryID"},     {0x2109, L"GetItemFromID"},    {0xFB1D, L"GetTable"},
    {0xFBCF, L"GetArray"},    {0x3008, L"LastModificationTime"},
    {0x2103, L"Folders"},     {0x5F, L"Add"},                {0x51, L"Item"},
    {0xFA6F, L"ShowAsOutlookAB"}, {0xF045, L"Delete"},       {0x2108, L"GetFolderFromID"},
    {0xF034, L"Move"},        {0xF001, L"Parent"},
};
constexpr DISPID Id(std::wstring_view name) {
  for (const PublishedMember& m : kMembers) {
    if (name == m.name) return m.id;
  }
  return DISPID_UNKNOWN;
}
constexpr DISPID kCreateItem = Id(L"CreateItem");
constexpr DISPID kGetNamespace = Id(L"GetNamespace");
constexpr DISPID kGetDefaultFolder = Id(L"GetDefaultFolder");
constexpr DISPID kItems = Id(L"Items");
constexpr DISPID kCount = Id(L"Count");
constexpr DISPID kFind = Id(L"Find");
constexpr DISPID kFindNext = Id(L"FindNext");
constexpr DISPID kDelete = Id(L"Delete");
constexpr DISPID kSave = Id(L"Save");
constexpr DISPID kFullName = Id(L"FullName");
constexpr DISPID kEmail1Address = Id(L"Email1Address");
constexpr DISPID kNickName = Id(L"NickName");
constexpr DISPID kEntryID = Id(L"EntryID");
constexpr DISPID kGetItemFromID = Id(L"GetItemFromID");
constexpr DISPID kGetTable = Id(L"GetTable");
constexpr DISPID kGetRowCount = kCount;  // Table's; Items.Count shares it
constexpr DISPID kGetArray = Id(L"GetArray");
constexpr DISPID kLastModificationTime = Id(L"LastModificationTime");
constexpr DISPID kFolders = Id(L"Folders");
constexpr DISPID kAdd = Id(L"Add");  // Folders.Add and Items.Add
constexpr DISPID kItem = Id(L"Item");
constexpr DISPID kName = kFullName;  // MAPIFolder.Name shares it
constexpr DISPID kShowAsOutlookAB = Id(L"ShowAsOutlookAB");
constexpr DISPID kFolderDelete = 0xF045;  // MAPIFolder.Delete; an item's is 0xF04A
constexpr DISPID kGetFolderFromID = Id(L"GetFolderFromID");
constexpr DISPID kMove = Id(L"Move");
constexpr DISPID kParent = Id(L"Parent");
constexpr LONG olFolderContacts = 10;
constexpr HRESULT kMapiNotFound = static_cast<HRESULT>(0x8004010F);
// What a member the guard stops returns when the user clicks "Deny".
constexpr HRESULT kMapiNotSupported = static_cast<HRESULT>(0x80040102);
// Not Outlook's: the member through which a test in another process fills
// and reads the fake.
constexpr DISPID kControl = 0x7FFFF000;

const wchar_t* MemberName(DISPID member) {
  for (const PublishedMember& m : kMembers) {
    if (m.id == member) return m.name;
  }
  return L"?";
}

// Microsoft's "Protected Properties and Methods" page, for the objects this
// fake serves: a get of such a property, or a call of such a method, raises
// the security prompt when Outlook does not trust the caller. Setting a
// property is not guarded.
struct GuardedMembers {
  const wchar_t* object;
  std::initializer_list<const wchar_t*> properties;
  std::initializer_list<const wchar_t*> methods;
};
const GuardedMembers kGuarded[] = {
    {L"ContactItem", {L"Body", L"Email1Address", L"Email1AddressType", L"Email1DisplayName",
      L"Email1EntryID", L"Email2Address", L"Email2AddressType", L"Email2DisplayName",
      L"Email2EntryID", L"Email3Address", L"Email3AddressType", L"Email3DisplayName",
      L"Email3EntryID", L"IMAddress", L"NetMeetingAlias", L"PropertyAccessor", L"ReferredBy",
      L"RTFBody"}, {L"SaveAs"}},
    {L"Columns", {}, {L"Add"}},
    {L"Namespace", {L"CurrentUser"}, {L"GetRecipientFromID"}},
};

bool Guarded(const std::wstring& object, const std::wstring& member, WORD flags) {
  for (const GuardedMembers& guarded : kGuarded) {
    if (object != guarded.object) continue;
    for (const wchar_t* name : guarded.properties) {
      if ((flags & DISPATCH_PROPERTYGET) && member == name) return true;
    }
    for (const wchar_t* name : guarded.methods) {
      if ((flags & DISPATCH_METHOD) && member == name) return true;
    }
  }
  return false;
}

std::wstring ArgumentsText(const DISPPARAMS& params) {
  std::wstring text;
  for (UINT i = params.cArgs; i-- > 0;) {
    const VARIANT& v = params.rgvarg[i];
    if (!text.empty()) text += L",";
    if (V_VT(&v) == VT_BSTR) {
      text += L"'" + std::wstring(V_BSTR(&v) ? V_BSTR(&v) : L"", SysStringLen(V_BSTR(&v))) + L"'";
    } else if (V_VT(&v) == VT_I4) {
      text += std::to_wstring(V_I4(&v));
    } else {
      text += L"vt" + std::to_wstring(V_VT(&v));
    }
  }
  return text;
}

void ReturnObject(VARIANT* result, IDispatch* object) {
  if (!result) {
    if (object) object->Release();
    return;
  }
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
}

void ReturnText(VARIANT* result, const std::wstring& text) {
  if (!result) return;
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// An exception as Outlook raises one; an empty description is left out.
HRESULT RaiseException(EXCEPINFO* exception, HRESULT status, const std::wstring& description) {
  if (exception) {
    *exception = EXCEPINFO{};
    exception->scode = status;
    exception->bstrSource = SysAllocString(L"Fake Outlook");
    if (!description.empty()) exception->bstrDescription = SysAllocString(description.c_str());
  }
  return DISP_E_EXCEPTION;
}

// The failure a test asked for on this call, or S_OK.
HRESULT TakeFailure(DISPID member, EXCEPINFO* exception) {
  auto& failures = TheState().failures;
  for (auto it = failures.begin(); it != failures.end(); ++it) {
    if (it->member != member) continue;
    const State::Failure failure = *it;
    if (it->countdown != 0) {
      if (--it->countdown != 0) continue;
      failures.erase(it);
    }
    return failure.described ? RaiseException(exception, failure.status, failure.description)
                             : failure.status;
  }
  return S_OK;
}

// Outlook behind a modal prompt: the call does not return, but its thread
// keeps pumping messages, so other calls (the test's among them) are
// served meanwhile. Ends when the test lets go or asks the server to quit,
// or after ten minutes.
void HangUntilLetGo() {
  State& s = TheState();
  s.hanging = true;
  const ULONGLONG giveUp = GetTickCount64() + 10 * 60 * 1000;
  while (s.hanging && !s.quitRequested && GetTickCount64() < giveUp) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  s.hanging = false;
}

// The calls arrive with their arguments last to first.
class Arguments {
 public:
  explicit Arguments(const DISPPARAMS& params) : params_(params) {}
  bool Are(std::initializer_list<VARTYPE> types) const {
    if (params_.cArgs != types.size()) return false;
    UINT i = 0;
    for (VARTYPE type : types) {
      if (V_VT(&At(i++)) != type) return false;
    }
    return true;
  }
  const VARIANT& At(UINT index) const { return params_.rgvarg[params_.cArgs - 1 - index]; }
  std::wstring Text(UINT index) const {
    BSTR b = V_BSTR(&At(index));
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
  }
  bool IsPut() const {
    return params_.cNamedArgs == 1 && params_.rgdispidNamedArgs &&
           params_.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
  }
  bool NoNamed() const { return params_.cNamedArgs == 0; }
  // The argument at `index` when it is a text, else empty.
  std::wstring TextOr(UINT index) const {
    return index < params_.cArgs && V_VT(&At(index)) == VT_BSTR ? Text(index) : std::wstring();
  }
  LONG NumberOr(UINT index) const {
    return index < params_.cArgs && V_VT(&At(index)) == VT_I4 ? V_I4(&At(index)) : 0;
  }

 private:
  const DISPPARAMS& params_;
};

void ReturnNumber(VARIANT* result, LONG number) {
  if (!result) return;
  V_VT(result) = VT_I4;
  V_I4(result) = number;
}

// Control(verb, arguments...): what the DLL's exports offer a test in the
// same process, for one in another. Not logged or counted.
HRESULT Control(const Arguments& args, VARIANT* result) {
  const std::wstring verb = args.TextOr(0);
  State& s = TheState();
  if (verb == L"Clear") {
    s.contacts.clear();
    s.folders.clear();
    ClearHistory();
  } else if (verb == L"ClearHistory") {
    ClearHistory();
  } else if (verb == L"AddContact") {
    AddContactTo(args.NumberOr(1), args.TextOr(2), args.TextOr(3), args.TextOr(4));
  } else if (verb == L"SetNote") {
    ReturnNumber(result, SetNote(args.NumberOr(1), args.TextOr(2), args.TextOr(3)) ? 1 : 0);
  } else if (verb == L"FolderNamed") {
    ReturnNumber(result, FolderNamed(args.NumberOr(1), args.TextOr(2)));
  } else if (verb == L"Describe") {
    ReturnText(result, DescribeFolder(args.NumberOr(1)));
  } else if (verb == L"CallCounts") {
    ReturnText(result, CallCountsText());
  } else if (verb == L"StoreWrites") {
    ReturnNumber(result, s.storeWrites);
  } else if (verb == L"Guard") {
    s.guardOn = args.NumberOr(1) != 0;
  } else if (verb == L"GuardPrompts") {
    ReturnNumber(result, s.guardPrompts);
  } else if (verb == L"Quit") {
    s.quitRequested = true;
  } else if (verb == L"HangCall") {
    s.hangMember = args.NumberOr(1);
  } else if (verb == L"HangRelease") {
    s.hangReleaseAfter = args.NumberOr(1);
  } else if (verb == L"RejectCalls") {
    s.rejectionsLeft = args.NumberOr(1);
    s.rejectionStatus = args.NumberOr(2);
  } else if (verb == L"Unstall") {
    s.hanging = false;
    s.rejectionsLeft = 0;
  } else if (verb == L"ProcessId") {
    ReturnNumber(result, static_cast<LONG>(GetCurrentProcessId()));
  } else if (verb == L"Stalled") {
    ReturnNumber(result, s.hanging || s.rejected > 0 ? 1 : 0);
  } else {
    return DISP_E_MEMBERNOTFOUND;
  }
  return S_OK;
}

class DispatchObject : public IDispatch, public Object {
 public:
  explicit DispatchObject(const wchar_t* kind) : kind_(kind) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!alive()) {
      RecordMisuse(std::wstring(kind_) + L".QueryInterface on a released object");
      return E_UNEXPECTED;
    }
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddReference();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = ReleaseReference();
    if (left == 0 && TheState().hangReleaseOf == this) {
      TheState().hangReleaseOf = nullptr;
      HangUntilLetGo();
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    State& s = TheState();
    ++s.invocations;
    if (!alive()) {
      RecordMisuse(std::wstring(kind_) + L"." + MemberName(member) + L" on a released object");
      return E_UNEXPECTED;
    }
    if (member == kControl) {
      if (result) VariantInit(result);
      return params ? Control(Arguments(*params), result) : E_INVALIDARG;
    }
    if (s.rejectionsLeft > 0) {
      --s.rejectionsLeft;
      ++s.rejected;
      return s.rejectionStatus;
    }
    if (!params) return E_INVALIDARG;
    const std::wstring kind(kind_);
    const std::wstring memberName = member == kGetRowCount && kind == L"Table" ? L"GetRowCount"
                                    : member == kName && kind == L"Folder"     ? L"Name"
                                                                               : MemberName(member);
    const std::wstring name = std::wstring(kind_) + L"." + memberName;
    s.calls.push_back(name + L"(" + ArgumentsText(*params) + L")");
    ++s.memberCalls[name];
    if (member == s.hangMember) {
      s.hangMember = 0;
      HangUntilLetGo();
    }
    if (member == s.hangReleaseAfter) {
      s.hangReleaseAfter = 0;
      s.hangReleaseOf = this;
    }
    if (s.guardOn && Guarded(kind_, memberName, flags)) {
      ++s.guardPrompts;
      return kMapiNotSupported;
    }
    if (HRESULT failed = TakeFailure(member, exception); failed != S_OK) return failed;
    if (result) VariantInit(result);
    return Member(member, flags, Arguments(*params), result, exception);
  }

 protected:
  virtual HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                         EXCEPINFO* exception) = 0;

 private:
  const wchar_t* kind_;
};

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The nickname of a filter "[NickName] = 'X'", the one form this fake
// understands; empty for any other.
std::wstring NickNameOfFilter(const std::wstring& filter) {
  const std::wstring prefix = L"[NickName] = '";
  if (filter.size() < prefix.size() + 2 || filter.compare(0, prefix.size(), prefix) != 0 ||
      filter.back() != L'\'') {
    return {};
  }
  return filter.substr(prefix.size(), filter.size() - prefix.size() - 1);
}

// A new object for the folder, and the namespace (the top folder's parent).
IDispatch* MakeFolder(int folder);
IDispatch* MakeNamespace();

// A contact item: a saved one (found through the item collection) or a
// new one that joins its folder (the default contacts folder, unless it
// came from a folder's Items.Add) when saved. Property puts
// wait in the item until Save, as in Outlook.
class ContactItem final : public DispatchObject {
 public:
  explicit ContactItem(const Contact& contact)
      : DispatchObject(L"ContactItem"), contact_(contact) {}

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    switch (member) {
      case kFullName: {
        if (flags & DISPATCH_PROPERTYPUT) return Property(contact_.fullName, flags, args, result);
        std::wstring composed = ComposedFullName(contact_.fullName);
        return Property(composed, flags, args, result);
      }
      case kEmail1Address: return Property(contact_.email, flags, args, result);
      case kEntryID: {
        if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
        ReturnText(result, contact_.entryId);  // empty until the first save
        return S_OK;
      }
      case kNickName: return Property(contact_.nickName, flags, args, result);
      case kLastModificationTime: {
        if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({}) || !result) return DISP_E_BADPARAMCOUNT;
        V_VT(result) = VT_DATE;
        V_DATE(result) = contact_.modified;
        return S_OK;
      }
      case kSave: {
        if (!(flags & DISPATCH_METHOD) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
        if (contact_.sequence == 0) {
          contact_ = *FindContact(AddContact(contact_));
          ++TheState().storeWrites;
          PersistState();
          return S_OK;
        }
        Contact* saved = FindContact(contact_.sequence);
        if (!saved) return RaiseException(exception, E_FAIL, L"The item has been deleted.");
        contact_.modified = NextModificationTime();
        *saved = contact_;
        ++TheState().storeWrites;
        PersistState();
        return S_OK;
      }
      case kDelete: {
        // As in Outlook: the item moves into Deleted Items (it arrives last
        // there), and only Delete in Deleted Items erases it.
        if (!(flags & DISPATCH_METHOD) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
        const Contact* saved = contact_.sequence == 0 ? nullptr : FindContact(contact_.sequence);
        if (!saved) return RaiseException(exception, E_FAIL, L"The item has been deleted.");
        ++TheState().storeWrites;
        if (TheState().deletesIgnored) return S_OK;
        Contact moved = *saved;
        TheState().contacts.erase(contact_.sequence);
        if (moved.folder != kDeletedItemsFolder) {
          moved.folder = kDeletedItemsFolder;
          AddContact(std::move(moved));
        }
        PersistState();
        return S_OK;
      }
      case kParent: {
        if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
        ReturnObject(result, MakeFolder(contact_.folder));
        return S_OK;
      }
      case kMove: return Move(flags, args, result, exception);
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  // Move(DestFldr) returns the item in its new folder. Microsoft documents
  // that an EntryID changes when the item moves into another store and
  // that solutions should not rely on it otherwise: as in most stores, the
  // moved item here has a new one. The item keeps its content, the user's
  // fields and its last-modification time.
  HRESULT Move(WORD flags, const Arguments& args, VARIANT* result, EXCEPINFO* exception) {
    if (!(flags & DISPATCH_METHOD) || !args.Are({VT_DISPATCH})) return DISP_E_TYPEMISMATCH;
    IUnknown* identity = nullptr;
    IDispatch* destination = V_DISPATCH(&args.At(0));
    if (destination) {
      destination->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    }
    if (identity) identity->Release();  // only its value is needed
    const auto known = TheState().folderObjects.find(identity);
    if (known == TheState().folderObjects.end()) {
      return RaiseException(exception, E_INVALIDARG, L"The destination is not a folder.");
    }
    const Contact* saved = contact_.sequence == 0 ? nullptr : FindContact(contact_.sequence);
    if (!saved) return RaiseException(exception, E_FAIL, L"The item has been moved or deleted.");
    Contact moved = *saved;
    const DATE modified = moved.modified;
    TheState().contacts.erase(contact_.sequence);
    moved.folder = known->second;
    Contact* arrived = FindContact(AddContact(std::move(moved)));
    arrived->modified = modified;
    ++TheState().storeWrites;
    PersistState();
    ReturnObject(result, Make<ContactItem>(*arrived));
    return S_OK;
  }

  static HRESULT Property(std::wstring& value, WORD flags, const Arguments& args, VARIANT* result) {
    if (flags & DISPATCH_PROPERTYPUT) {
      if (!args.IsPut() || !args.Are({VT_BSTR})) return DISP_E_TYPEMISMATCH;
      value = args.Text(0);
      return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
    ReturnText(result, value);
    return S_OK;
  }

  Contact contact_;
};

// A folder's items, searched with Find/FindNext on a nickname filter.
class Items final : public DispatchObject {
 public:
  explicit Items(int folder) : DispatchObject(L"Items"), folder_(folder) {}

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    if (!args.NoNamed()) return DISP_E_MEMBERNOTFOUND;
    if (member == kCount) {
      if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
      if (result) {
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(FolderContacts().size());
      }
      return S_OK;
    }
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (member == kAdd) {
      // Add(Type): a new item that joins this folder when saved.
      if (!args.Are({VT_I4})) return DISP_E_TYPEMISMATCH;
      if (V_I4(&args.At(0)) != 2) return RaiseException(exception, E_INVALIDARG, L"Not a contact.");
      Contact contact;
      contact.folder = folder_;
      ReturnObject(result, Make<ContactItem>(contact));
      return S_OK;
    }
    if (member == kFind) {
      if (!args.Are({VT_BSTR})) return DISP_E_TYPEMISMATCH;
      nickName_ = NickNameOfFilter(args.Text(0));
      if (nickName_.empty()) {
        return RaiseException(exception, E_INVALIDARG, L"Cannot parse condition.");
      }
      searching_ = true;
      lastFound_ = 0;
      position_ = -1;
      return ReturnNext(result);
    }
    if (member == kFindNext) {
      if (!args.Are({})) return DISP_E_BADPARAMCOUNT;
      if (!searching_) return RaiseException(exception, E_FAIL, L"Find was not called.");
      if (TheState().cursor == FindCursor::Stuck && lastItem_) {
        lastItem_->AddRef();
        ReturnObject(result, lastItem_);
        return S_OK;
      }
      return ReturnNext(result);
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::vector<const Contact*> FolderContacts() const {
    std::vector<const Contact*> inFolder;
    for (const auto& [sequence, c] : TheState().contacts) {  // in sequence order
      if (c.folder == folder_) inFolder.push_back(&c);
    }
    return inFolder;
  }

  // The next matching item of the folder after the cursor.
  HRESULT ReturnNext(VARIANT* result) {
    const Contact* found = TheState().cursor == FindCursor::Position ? NextByPosition()
                                                                     : NextAfterLastFound();
    lastItem_ = found ? Make<ContactItem>(*found) : nullptr;
    ReturnObject(result, lastItem_);  // null is Outlook's Nothing
    return S_OK;
  }

  const Contact* NextAfterLastFound() {
    const auto& contacts = TheState().contacts;  // in sequence order
    for (auto it = contacts.upper_bound(lastFound_); it != contacts.end(); ++it) {
      const Contact& c = it->second;
      if (c.folder != folder_ || !SameText(c.nickName, nickName_)) continue;
      lastFound_ = c.sequence;
      return &c;
    }
    lastFound_ = ~0UL;
    return nullptr;
  }

  const Contact* NextByPosition() {
    const std::vector<const Contact*> contacts = FolderContacts();
    for (size_t i = static_cast<size_t>(position_ + 1); i < contacts.size(); ++i) {
      if (!SameText(contacts[i]->nickName, nickName_)) continue;
      position_ = static_cast<long>(i);
      return contacts[i];
    }
    position_ = static_cast<long>(contacts.size());
    return nullptr;
  }

  int folder_;
  std::wstring nickName_;
  bool searching_ = false;
  ULONG lastFound_ = 0;   // the cursor behind the last item found
  long position_ = -1;    // the cursor as a position in the folder
  IDispatch* lastItem_ = nullptr;
};

// Folder.GetTable's answer: the folder's items under a nickname filter,
// with the default columns of a contacts folder's table, taken when the
// table is made. GetArray(n) hands out the next n rows (fewer at the end,
// none once all are out) as an array indexed (column, row).
class Table final : public DispatchObject {
 public:
  Table(int folder, const std::wstring& nickName) : DispatchObject(L"Table") {
    for (const auto& [sequence, c] : TheState().contacts) {
      if (c.folder == folder && SameText(c.nickName, nickName)) rows_.push_back(c);
    }
  }

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    if (!args.NoNamed() || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (member == kGetRowCount) {
      if (!args.Are({})) return DISP_E_BADPARAMCOUNT;
      ReturnNumber(result, static_cast<LONG>(rows_.size()));
      return S_OK;
    }
    if (member == kGetArray) {
      if (!args.Are({VT_I4})) return DISP_E_TYPEMISMATCH;
      const LONG most = V_I4(&args.At(0));
      if (most <= 0) {
        return RaiseException(exception, E_INVALIDARG,
                              L"One or more parameter values are not valid.");
      }
      const size_t count = std::min(rows_.size() - next_, static_cast<size_t>(most));
      ReturnRows(result, count);
      next_ += count;
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  static constexpr ULONG kColumns = 8;

  void ReturnRows(VARIANT* result, size_t count) const {
    if (!result) return;
    SAFEARRAYBOUND bounds[2] = {{kColumns, 0}, {static_cast<ULONG>(count), 0}};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) return;
    VARIANT* cells = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&cells));
    for (size_t row = 0; row < count; ++row) {
      const Contact& c = rows_[next_ + row];
      const std::wstring composed = ComposedFullName(c.fullName);
      const size_t split = composed.rfind(L' ') + 1;  // 0 when there is no blank
      VARIANT* cell = cells + row * kColumns;
      ReturnText(cell++, c.entryId);                           // EntryID
      ReturnText(cell++, composed);                            // Subject
      ReturnDate(cell++, WholeSeconds(c.modified));            // CreationTime (near enough)
      ReturnDate(cell++, WholeSeconds(c.modified));            // LastModificationTime
      ReturnText(cell++, L"IPM.Contact");                      // MessageClass
      ReturnText(cell++, composed.substr(0, split ? split - 1 : 0));  // FirstName
      ReturnText(cell++, composed.substr(split));              // LastName
      ReturnText(cell++, L"");                                 // CompanyName
    }
    SafeArrayUnaccessData(array);
    V_VT(result) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(result) = array;
  }
  static void ReturnDate(VARIANT* cell, DATE date) {
    V_VT(cell) = VT_DATE;
    V_DATE(cell) = date;
  }

  std::vector<Contact> rows_;
  size_t next_ = 0;
};

// A folder's subfolders.
class FolderList final : public DispatchObject {
 public:
  explicit FolderList(int parent) : DispatchObject(L"Folders"), parent_(parent) {}

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    if (!args.NoNamed()) return DISP_E_MEMBERNOTFOUND;
    const std::vector<int> folders = Inside();
    if (member == kCount) {
      if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
      ReturnNumber(result, static_cast<LONG>(folders.size()));
      return S_OK;
    }
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (member == kItem) {
      // Item(Index): a position from 1, or a name.
      int found = kNoFolder;
      if (args.Are({VT_I4})) {
        const LONG index = V_I4(&args.At(0));
        if (index >= 1 && static_cast<size_t>(index) <= folders.size()) found = folders[index - 1];
      } else if (args.Are({VT_BSTR})) {
        found = FolderNamed(parent_, args.Text(0));
      } else {
        return DISP_E_TYPEMISMATCH;
      }
      if (found == kNoFolder) {
        return RaiseException(exception, static_cast<HRESULT>(0x8004010F),
                              L"The attempted operation failed. An object could not be found.");
      }
      ReturnObject(result, MakeFolder(found));
      return S_OK;
    }
    if (member == kAdd) {
      // Add(Name, Type): Type a contacts folder here; no two folders of a
      // name in one folder.
      if (!args.Are({VT_BSTR, VT_I4})) return DISP_E_TYPEMISMATCH;
      if (V_I4(&args.At(1)) != olFolderContacts) {
        return RaiseException(exception, E_INVALIDARG, L"Not a contacts folder.");
      }
      const std::wstring name = args.Text(0);
      if (name.empty() || name.find(L'\\') != std::wstring::npos ||
          FolderNamed(parent_, name) != kNoFolder) {
        return RaiseException(exception, E_FAIL, L"Cannot create the folder.");
      }
      ++TheState().storeWrites;
      ReturnObject(result, MakeFolder(AddFolder(parent_, name)));
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::vector<int> Inside() const {
    std::vector<int> inside;
    for (const auto& [number, f] : TheState().folders) {
      if (f.parent == parent_) inside.push_back(number);
    }
    return inside;
  }

  int parent_;
};

class Folder final : public DispatchObject {
 public:
  explicit Folder(int folder) : DispatchObject(L"Folder"), folder_(folder) {
    TheState().folderObjects[static_cast<IDispatch*>(this)] = folder;
  }

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    if (member == kGetTable) {
      // GetTable(Filter, TableContents): the filter as Items.Find takes it.
      if (!(flags & DISPATCH_METHOD) || !args.NoNamed() || !args.Are({VT_BSTR})) {
        return DISP_E_TYPEMISMATCH;
      }
      const std::wstring nickName = NickNameOfFilter(args.Text(0));
      if (nickName.empty()) return RaiseException(exception, E_INVALIDARG, L"Cannot parse condition.");
      ReturnObject(result, Make<Table>(folder_, nickName));
      return S_OK;
    }
    if (member == kFolderDelete) {
      if (!(flags & DISPATCH_METHOD) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
      if (!TheState().folders.count(folder_)) {
        return RaiseException(exception, E_FAIL, L"Cannot delete this folder.");
      }
      ++TheState().storeWrites;
      DeleteFolder(folder_);
      return S_OK;
    }
    if (member == kName && (flags & DISPATCH_PROPERTYPUT)) {
      if (!args.IsPut() || !args.Are({VT_BSTR}) || !RenameFolder(folder_, args.Text(0))) {
        return DISP_E_TYPEMISMATCH;
      }
      return S_OK;
    }
    if (member == kShowAsOutlookAB && (flags & DISPATCH_PROPERTYPUT)) {
      // A Boolean property: VARIANT_TRUE or VARIANT_FALSE.
      if (!args.IsPut() || !args.Are({VT_BOOL})) return DISP_E_TYPEMISMATCH;
      const auto made = TheState().folders.find(folder_);
      if (made != TheState().folders.end()) {
        made->second.showAsAddressBook = V_BOOL(&args.At(0)) != VARIANT_FALSE;
        PersistState();
      }
      return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({}) || !args.NoNamed()) {
      return DISP_E_BADPARAMCOUNT;
    }
    switch (member) {
      case kItems: ReturnObject(result, Make<Items>(folder_)); return S_OK;
      case kFolders: ReturnObject(result, Make<FolderList>(folder_)); return S_OK;
      case kEntryID: ReturnText(result, FolderEntryId(folder_)); return S_OK;
      case kName: ReturnText(result, FolderName(folder_)); return S_OK;
      case kParent: {
        const int parent = FolderParent(folder_);
        ReturnObject(result, parent == kNoFolder ? MakeNamespace() : MakeFolder(parent));
        return S_OK;
      }
      case kShowAsOutlookAB: {
        const auto made = TheState().folders.find(folder_);
        if (result) {
          V_VT(result) = VT_BOOL;
          V_BOOL(result) =
              made != TheState().folders.end() && made->second.showAsAddressBook ? VARIANT_TRUE
                                                                                 : VARIANT_FALSE;
        }
        return S_OK;
      }
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  int folder_;
};

class Namespace final : public DispatchObject {
 public:
  Namespace() : DispatchObject(L"Namespace") {}

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    if (member == kGetItemFromID) {
      // GetItemFromID(EntryIDItem, EntryIDStore): the store is optional.
      if (!(flags & DISPATCH_METHOD) || !args.Are({VT_BSTR})) return DISP_E_TYPEMISMATCH;
      const Contact* found = FindContactById(args.Text(0));
      if (!found) {
        return RaiseException(exception, kMapiNotFound,
                              L"The operation failed. An object could not be found.");
      }
      ReturnObject(result, Make<ContactItem>(*found));
      return S_OK;
    }
    if (member == kGetFolderFromID) {
      // GetFolderFromID(EntryIDFolder, EntryIDStore): the store is optional.
      if (!(flags & DISPATCH_METHOD) || !args.Are({VT_BSTR})) return DISP_E_TYPEMISMATCH;
      const int found = FolderById(args.Text(0));
      if (found == kNoFolder) {
        return RaiseException(exception, kMapiNotFound,
                              L"The operation failed. An object could not be found.");
      }
      ReturnObject(result, MakeFolder(found));
      return S_OK;
    }
    if (member != kGetDefaultFolder) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD) || !args.Are({VT_I4})) return DISP_E_TYPEMISMATCH;
    switch (V_I4(&args.At(0))) {
      case 10: ReturnObject(result, MakeFolder(kContactsFolder)); return S_OK;
      case 3: ReturnObject(result, MakeFolder(kDeletedItemsFolder)); return S_OK;
      default: return RaiseException(exception, E_INVALIDARG, L"No such default folder.");
    }
  }
};

IDispatch* MakeFolder(int folder) { return Make<Folder>(folder); }
IDispatch* MakeNamespace() { return Make<Namespace>(); }

class Application final : public DispatchObject {
 public:
  Application() : DispatchObject(L"Application") {}

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    if (!(flags & DISPATCH_METHOD) || !args.NoNamed()) return DISP_E_MEMBERNOTFOUND;
    if (member == kGetNamespace) {
      if (!args.Are({VT_BSTR})) return DISP_E_TYPEMISMATCH;
      if (args.Text(0) != L"MAPI") return RaiseException(exception, E_INVALIDARG, L"No namespace.");
      ReturnObject(result, Make<Namespace>());
      return S_OK;
    }
    if (member == kCreateItem) {
      if (!args.Are({VT_I4})) return DISP_E_TYPEMISMATCH;
      if (V_I4(&args.At(0)) != 2) return RaiseException(exception, E_INVALIDARG, L"Not a contact.");
      ReturnObject(result, Make<ContactItem>(Contact{}));
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
};

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // Lives as long as the DLL.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    TheState().calls.push_back(L"CreateInstance");
    if (FAILED(TheState().createStatus)) return TheState().createStatus;
    Application* application = Make<Application>();
    const HRESULT hr = application->QueryInterface(iid, out);
    application->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

IClassFactory& TheClassFactory() {
  static ClassFactory factory;
  return factory;
}

}  // namespace fakeoutlook
