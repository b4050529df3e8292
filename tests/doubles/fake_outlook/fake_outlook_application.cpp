#include "fake_outlook/fake_outlook_dispatch.h"

namespace fakeoutlook {
namespace {

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
      ReturnObject(result, MakeNamespace());
      return S_OK;
    }
    if (member == kCreateItem) {
      if (!args.Are({VT_I4})) return DISP_E_TYPEMISMATCH;
      if (V_I4(&args.At(0)) != 2) return RaiseException(exception, E_INVALIDARG, L"Not a contact.");
      ReturnObject(result, MakeContactItem(Contact{}));
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
};

}  // namespace

IDispatch* MakeApplication() { return Make<Application>(); }

}  // namespace fakeoutlook
