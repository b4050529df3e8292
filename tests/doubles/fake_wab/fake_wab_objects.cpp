#include "fake_wab/fake_wab_objects.h"

#include <algorithm>
#include <utility>

namespace fakewab {
namespace {

// New objects are owned by the state, which keeps them until a reset.
template <typename T, typename... Args>
T* Make(Args&&... args) {
  T* object = new T(std::forward<Args>(args)...);
  TheState().objects.emplace_back(object);
  return object;
}

template <typename I>
class Unknown : public I, public Object {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!Usable(L"QueryInterface")) return E_UNEXPECTED;
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    *out = static_cast<I*>(this);
    AddReference();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

 protected:
  bool Usable(const wchar_t* method) {
    if (alive()) return true;
    RecordMisuse(std::wstring(method) + L" on a released object");
    return false;
  }
};

template <typename I>
class PropStubs : public Unknown<I> {
 public:
  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SaveChanges(ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetPropList(ULONG, LPSPropTagArray*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
};

std::wstring TagList(const SPropTagArray* tags) {
  if (!tags) return L"all";
  std::wstring text;
  for (ULONG i = 0; i < tags->cValues; ++i) text += (i ? L"," : L"") + Hex(tags->aulPropTag[i]);
  return text;
}

// A mail user or a distribution list. Changes wait in a copy of the
// properties until SaveChanges; a new entry is added to the container then.
class MailUser final : public PropStubs<IMailUser> {
 public:
  MailUser(ULONG id, bool distList, PropertyMap properties)
      : id_(id), distList_(distList), properties_(std::move(properties)) {}

  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                        LPSPropValue* values) override {
    if (!Usable(L"GetProps")) return E_UNEXPECTED;
    if (HRESULT hr = Record(L"GetProps", TagList(tags) + L"," + Hex(flags)); hr != S_OK) return hr;
    std::vector<std::pair<ULONG, const Property*>> out;
    if (tags) {
      for (ULONG i = 0; i < tags->cValues; ++i) {
        auto it = properties_.find(PROP_ID(tags->aulPropTag[i]));
        out.emplace_back(tags->aulPropTag[i], it == properties_.end() ? nullptr : &it->second);
      }
    } else {
      for (const auto& [id, p] : properties_) out.emplace_back(PROP_TAG(p.type, id), &p);
    }
    return CopyOut(out, flags, count, values);
  }

  STDMETHODIMP SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) override {
    if (!Usable(L"SetProps")) return E_UNEXPECTED;
    std::wstring details;
    for (ULONG i = 0; values && i < count; ++i) {
      details += (i ? L"," : L"") + Hex(values[i].ulPropTag);
    }
    if (problems) *problems = nullptr;
    if (HRESULT hr = Record(L"SetProps", details); hr != S_OK) return hr;
    for (ULONG i = 0; values && i < count; ++i) {
      Property stored;
      if (!StoreValue(values[i], stored)) return MAPI_E_BAD_VALUE;
      properties_[PROP_ID(values[i].ulPropTag)] = stored;
    }
    return S_OK;
  }

  STDMETHODIMP DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems) override {
    if (!Usable(L"DeleteProps")) return E_UNEXPECTED;
    if (problems) *problems = nullptr;
    if (HRESULT hr = Record(L"DeleteProps", TagList(tags)); hr != S_OK) return hr;
    for (ULONG i = 0; tags && i < tags->cValues; ++i) {
      properties_.erase(PROP_ID(tags->aulPropTag[i]));
    }
    return S_OK;
  }

  STDMETHODIMP SaveChanges(ULONG flags) override {
    if (!Usable(L"SaveChanges")) return E_UNEXPECTED;
    if (HRESULT hr = Record(L"SaveChanges", Hex(flags)); hr != S_OK) return hr;
    if (id_ == 0) {
      id_ = AddEntry(distList_, properties_).id;
      PersistState();
      return S_OK;
    }
    Entry* entry = FindEntry(id_);
    if (!entry) return MAPI_E_NOT_FOUND;
    entry->properties = properties_;
    PersistState();
    return S_OK;
  }

 private:
  ULONG id_;  // 0 until a new entry is saved
  bool distList_;
  PropertyMap properties_;
};

// A snapshot of the container's entries, one row each.
class ContentsTable final : public Unknown<IMAPITable> {
 public:
  ContentsTable() {
    for (const auto& [id, e] : TheState().entries) rows_.push_back(e);
  }

  STDMETHODIMP GetRowCount(ULONG flags, ULONG* count) override {
    if (!Usable(L"GetRowCount")) return E_UNEXPECTED;
    if (HRESULT hr = Record(L"GetRowCount", Hex(flags)); hr != S_OK) return hr;
    if (!count) return MAPI_E_INVALID_PARAMETER;
    *count = static_cast<ULONG>(rows_.size());
    return S_OK;
  }

  // Columns: display name, entry ID, object type; the entry ID is not
  // first, as in the real table.
  STDMETHODIMP QueryRows(LONG wanted, ULONG flags, LPSRowSet* out) override {
    if (!Usable(L"QueryRows")) return E_UNEXPECTED;
    if (HRESULT hr = Record(L"QueryRows", std::to_wstring(wanted) + L"," + Hex(flags));
        hr != S_OK) {
      return hr;
    }
    if (!out || wanted < 0) return MAPI_E_INVALID_PARAMETER;
    const size_t first = cursor_;
    size_t n = std::min(rows_.size() - first, static_cast<size_t>(wanted));
    if (TheState().rowsPerQuery > 0) n = std::min<size_t>(n, TheState().rowsPerQuery);
    void* set = nullptr;
    if (SCODE sc = Allocate(static_cast<ULONG>(CbNewSRowSet(n ? n : 1)), &set); sc != S_OK) {
      return sc;
    }
    SRowSet* rows = static_cast<SRowSet*>(set);
    rows->cRows = static_cast<ULONG>(n);
    for (size_t i = 0; i < n; ++i) {
      const Entry& e = rows_[first + i];
      auto name = e.properties.find(PROP_ID(PR_DISPLAY_NAME_W));
      Property id;
      id.type = PT_BINARY;
      id.bytes = EntryIdBytes(e.id);
      Property type;
      type.type = PT_LONG;
      type.number = e.distList ? MAPI_DISTLIST : MAPI_MAILUSER;
      ULONG count = 0;
      SPropValue* props = nullptr;
      CopyOut({{PR_DISPLAY_NAME_W, name == e.properties.end() ? nullptr : &name->second},
               {PR_ENTRYID, &id},
               {PR_OBJECT_TYPE, &type}},
              0, &count, &props);
      rows->aRow[i].cValues = count;
      rows->aRow[i].lpProps = props;
    }
    if (!(flags & TBL_NOADVANCE) && !TheState().cursorStuck) cursor_ += n;
    *out = rows;
    return S_OK;
  }

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Advise(ULONG, LPMAPIADVISESINK, ULONG*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetStatus(ULONG*, ULONG*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SetColumns(LPSPropTagArray, ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP QueryColumns(ULONG, LPSPropTagArray*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SeekRow(BOOKMARK, LONG, LONG*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SeekRowApprox(ULONG, ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP QueryPosition(ULONG*, ULONG*, ULONG*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP FindRow(LPSRestriction, BOOKMARK, ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Restrict(LPSRestriction, ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP CreateBookmark(BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP FreeBookmark(BOOKMARK) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SortTable(LPSSortOrderSet, ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP QuerySortOrder(LPSSortOrderSet*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Abort() override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP WaitForCompletion(ULONG, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override {
    return MAPI_E_NO_SUPPORT;
  }

 private:
  std::vector<Entry> rows_;
  size_t cursor_ = 0;
};

// The personal address book container.
class Container final : public PropStubs<IABContainer> {
 public:
  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                        LPSPropValue* values) override {
    if (!Usable(L"GetProps")) return E_UNEXPECTED;
    if (HRESULT hr = Record(L"ContainerGetProps", TagList(tags) + L"," + Hex(flags)); hr != S_OK) {
      return hr;
    }
    Property mailUser;
    mailUser.type = PT_BINARY;
    mailUser.bytes = EntryIdBytes(kMailUserTemplateId);
    Property distList;
    distList.type = PT_BINARY;
    distList.bytes = EntryIdBytes(kDistListTemplateId);
    std::vector<std::pair<ULONG, const Property*>> out;
    for (ULONG i = 0; tags && i < tags->cValues; ++i) {
      const ULONG tag = tags->aulPropTag[i];
      const Property* p = nullptr;
      if (tag == PR_DEF_CREATE_MAILUSER && TheState().mailUserTemplate) p = &mailUser;
      if (tag == PR_DEF_CREATE_DL && TheState().distListTemplate) p = &distList;
      out.emplace_back(tag, p);
    }
    return CopyOut(out, flags, count, values);
  }

  STDMETHODIMP GetContentsTable(ULONG flags, LPMAPITABLE* table) override {
    if (!Usable(L"GetContentsTable")) return E_UNEXPECTED;
    if (HRESULT hr = Record(L"GetContentsTable", Hex(flags)); hr != S_OK) return hr;
    if (!table) return MAPI_E_INVALID_PARAMETER;
    *table = Make<ContentsTable>();
    return S_OK;
  }

  STDMETHODIMP CreateEntry(ULONG size, LPENTRYID templateId, ULONG flags,
                           LPMAPIPROP* entry) override {
    if (!Usable(L"CreateEntry")) return E_UNEXPECTED;
    const ULONG id = EntryIdValue(size, templateId);
    if (HRESULT hr = Record(L"CreateEntry", std::to_wstring(id) + L"," + Hex(flags)); hr != S_OK) {
      return hr;
    }
    if (!entry) return MAPI_E_INVALID_PARAMETER;
    if (id != kMailUserTemplateId && id != kDistListTemplateId) return MAPI_E_INVALID_ENTRYID;
    *entry = Make<MailUser>(0, id == kDistListTemplateId, PropertyMap{});
    return S_OK;
  }

  STDMETHODIMP DeleteEntries(LPENTRYLIST list, ULONG flags) override {
    if (!Usable(L"DeleteEntries")) return E_UNEXPECTED;
    std::wstring details;
    for (ULONG i = 0; list && i < list->cValues; ++i) {
      details += std::to_wstring(EntryIdValue(list->lpbin[i].cb, list->lpbin[i].lpb)) + L",";
    }
    if (HRESULT hr = Record(L"DeleteEntries", details + Hex(flags)); hr != S_OK) return hr;
    if (!list) return MAPI_E_INVALID_PARAMETER;
    bool missing = false;
    for (ULONG i = 0; i < list->cValues; ++i) {
      const ULONG id = EntryIdValue(list->lpbin[i].cb, list->lpbin[i].lpb);
      if (TheState().entries.erase(id) == 0) missing = true;
    }
    PersistState();
    return missing ? MAPI_W_PARTIAL_COMPLETION : S_OK;
  }

  STDMETHODIMP GetHierarchyTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CopyEntries(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP ResolveNames(LPSPropTagArray, ULONG, LPADRLIST, LPFlagList) override {
    return MAPI_E_NO_SUPPORT;
  }
};

class AddrBook final : public PropStubs<IAddrBook> {
 public:
  STDMETHODIMP OpenEntry(ULONG size, LPENTRYID entryId, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* object) override {
    if (!Usable(L"OpenEntry")) return E_UNEXPECTED;
    const ULONG id = EntryIdValue(size, entryId);
    if (HRESULT hr = Record(L"OpenEntry", std::to_wstring(id) + L"," + Hex(flags)); hr != S_OK) {
      return hr;
    }
    if (!type || !object) return MAPI_E_INVALID_PARAMETER;
    if (iid) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (id == kPersonalContainerId) {
      *type = MAPI_ABCONT;
      *object = static_cast<IABContainer*>(Make<Container>());
      return S_OK;
    }
    const Entry* entry = FindEntry(id);
    if (!entry) return MAPI_E_NOT_FOUND;
    *type = entry->distList ? MAPI_DISTLIST : MAPI_MAILUSER;
    *object =
        static_cast<IMailUser*>(Make<MailUser>(entry->id, entry->distList, entry->properties));
    return S_OK;
  }

  STDMETHODIMP GetPAB(ULONG* size, LPENTRYID* entryId) override {
    if (!Usable(L"GetPAB")) return E_UNEXPECTED;
    if (HRESULT hr = Record(L"GetPAB"); hr != S_OK) return hr;
    if (!size || !entryId) return MAPI_E_INVALID_PARAMETER;
    const std::vector<BYTE> bytes = EntryIdBytes(kPersonalContainerId);
    void* buffer = nullptr;
    if (SCODE sc = Allocate(static_cast<ULONG>(bytes.size()), &buffer); sc != S_OK) return sc;
    std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(buffer));
    *size = static_cast<ULONG>(bytes.size());
    *entryId = static_cast<LPENTRYID>(buffer);
    return S_OK;
  }

  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP CreateOneOff(LPTSTR, LPTSTR, LPTSTR, ULONG, ULONG*, LPENTRYID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP NewEntry(ULONG, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*,
                        LPENTRYID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP Address(ULONG*, LPADRPARM, LPADRLIST*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Details(ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR,
                       ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP RecipOptions(ULONG, ULONG, LPADRENTRY) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetPAB(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetDefaultDir(ULONG*, LPENTRYID*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SetDefaultDir(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetSearchPath(ULONG, LPSRowSet*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SetSearchPath(ULONG, LPSRowSet) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override {
    return MAPI_E_NO_SUPPORT;
  }
};

class WabObject final : public Unknown<IWABObject> {
 public:
  STDMETHODIMP AllocateBuffer(ULONG size, LPVOID* buffer) override {
    if (!Usable(L"AllocateBuffer")) return E_UNEXPECTED;
    return Allocate(size, buffer);
  }
  STDMETHODIMP AllocateMore(ULONG size, LPVOID root, LPVOID* buffer) override {
    if (!Usable(L"AllocateMore")) return E_UNEXPECTED;
    return fakewab::AllocateMore(size, root, buffer);
  }
  STDMETHODIMP FreeBuffer(LPVOID buffer) override {
    if (!Usable(L"FreeBuffer")) return E_UNEXPECTED;
    return Free(buffer);
  }

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Backup(LPSTR) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Import(LPSTR) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Find(LPADRBOOK, HWND) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP VCardDisplay(LPADRBOOK, HWND, LPSTR) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP LDAPUrl(LPADRBOOK, HWND, ULONG, LPSTR, LPMAILUSER*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP VCardCreate(LPADRBOOK, ULONG, LPSTR, LPMAILUSER) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP VCardRetrieve(LPADRBOOK, ULONG, LPSTR, LPMAILUSER*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetMe(LPADRBOOK, ULONG, DWORD*, SBinary*, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetMe(LPADRBOOK, ULONG, SBinary, ULONG) override { return MAPI_E_NO_SUPPORT; }
};

}  // namespace

void OpenFakeAddressBook(IAddrBook** addressBook, IWABObject** wabObject) {
  *addressBook = Make<AddrBook>();
  *wabObject = Make<WabObject>();
}

}  // namespace fakewab
