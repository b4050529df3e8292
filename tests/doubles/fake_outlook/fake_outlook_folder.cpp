#include "fake_outlook/fake_outlook_dispatch.h"

namespace fakeoutlook {
namespace {

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
      if (nickName.empty())
        return RaiseException(exception, E_INVALIDARG, L"Cannot parse condition.");
      ReturnObject(result, MakeTable(folder_, nickName));
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
      case kItems: ReturnObject(result, MakeItems(folder_)); return S_OK;
      case kFolders: ReturnObject(result, MakeFolderList(folder_)); return S_OK;
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
          V_BOOL(result) = made != TheState().folders.end() && made->second.showAsAddressBook
                               ? VARIANT_TRUE
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

}  // namespace

IDispatch* MakeFolder(int folder) { return Make<Folder>(folder); }

}  // namespace fakeoutlook
