#include "fake_outlook/fake_outlook_dispatch.h"

namespace fakeoutlook {
namespace {

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
      ReturnObject(result, MakeContactItem(*found));
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

}  // namespace

IDispatch* MakeNamespace() { return Make<Namespace>(); }

}  // namespace fakeoutlook
