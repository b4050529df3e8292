#pragma once
// What every automation object of the fake shares: Outlook's dispatch
// identifiers, the arguments of a call, the base that logs, counts, guards
// and fails calls as a test asked, and the answers' plumbing. Each object
// lives in a file of its own and is made through its Make function.

#include <string>
#include <string_view>

#include "fake_outlook/fake_outlook_state.h"

namespace fakeoutlook {

// Outlook's published dispatch identifiers of the members this fake serves.
struct PublishedMember {
  DISPID id;
  const wchar_t* name;
};
constexpr PublishedMember kMembers[] = {
    {0x10A, L"CreateItem"},
    {0x110, L"GetNamespace"},
    {0x210B, L"GetDefaultFolder"},
    {0x3100, L"Items"},
    {0x50, L"Count"},
    {0x62, L"Find"},
    {0x63, L"FindNext"},
    {0xF04A, L"Delete"},
    {0xF048, L"Save"},
    {0x3001, L"FullName"},
    {0x8083, L"Email1Address"},
    {0x3A4F, L"NickName"},
    {0xF01E, L"EntryID"},
    {0x2109, L"GetItemFromID"},
    {0xFB1D, L"GetTable"},
    {0xFBCF, L"GetArray"},
    {0x3008, L"LastModificationTime"},
    {0x2103, L"Folders"},
    {0x5F, L"Add"},
    {0x51, L"Item"},
    {0xFA6F, L"ShowAsOutlookAB"},
    {0xF045, L"Delete"},
    {0x2108, L"GetFolderFromID"},
    {0xF034, L"Move"},
    {0xF001, L"Parent"},
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

class DispatchObject : public IDispatch, public Object {
 public:
  explicit DispatchObject(const wchar_t* kind) : kind_(kind) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override;

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
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override;

 protected:
  virtual HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                         EXCEPINFO* exception) = 0;

 private:
  const wchar_t* kind_;
};

void ReturnObject(VARIANT* result, IDispatch* object);
void ReturnText(VARIANT* result, const std::wstring& text);
void ReturnNumber(VARIANT* result, LONG number);
// An exception as Outlook raises one; an empty description is left out.
HRESULT RaiseException(EXCEPINFO* exception, HRESULT status, const std::wstring& description);
bool SameText(const std::wstring& a, const std::wstring& b);
// The nickname of a filter "[NickName] = 'X'", the one form this fake
// understands; empty for any other.
std::wstring NickNameOfFilter(const std::wstring& filter);

// New objects, each of its own file; the state owns them.
IDispatch* MakeContactItem(const Contact& contact);
IDispatch* MakeItems(int folder);
IDispatch* MakeTable(int folder, const std::wstring& nickName);
IDispatch* MakeFolderList(int parent);
IDispatch* MakeFolder(int folder);
IDispatch* MakeNamespace();
IDispatch* MakeApplication();

}  // namespace fakeoutlook
