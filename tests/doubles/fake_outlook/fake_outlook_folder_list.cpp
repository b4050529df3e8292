#include "fake_outlook/fake_outlook_dispatch.h"

#include <vector>

namespace fakeoutlook {
namespace {

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

}  // namespace

IDispatch* MakeFolderList(int parent) { return Make<FolderList>(parent); }

}  // namespace fakeoutlook
