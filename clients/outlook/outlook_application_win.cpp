#include "clients/outlook/outlook_application_win.h"

#include <ole2.h>

namespace {

UniqueComRef<IDispatch> Create(HRESULT& hr) {
  CLSID classId{};
  if (FAILED(hr = CLSIDFromProgID(L"Outlook.Application", &classId))) return {};

  constexpr DWORD kAnyServer =
      CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
  UniqueComRef<IUnknown> object;
  hr = CoCreateInstance(classId, nullptr, kAnyServer, IID_IUnknown,
                        reinterpret_cast<void**>(object.put()));
  if (hr == E_INVALIDARG) {
    // Systems without DCOM refuse the remote-server context outright.
    hr = CoCreateInstance(classId, nullptr, kAnyServer & ~CLSCTX_REMOTE_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(object.put()));
  }
  if (FAILED(hr)) return {};
  if (!object) {
    hr = E_POINTER;
    return {};
  }
  if (FAILED(hr = OleRun(object.get()))) return {};

  UniqueComRef<IDispatch> application;
  if (FAILED(hr = object->QueryInterface(IID_IDispatch,
                                         reinterpret_cast<void**>(application.put())))) {
    return {};
  }
  return application;
}

}  // namespace

UniqueComRef<IDispatch> CreateOutlookApplication(HRESULT* status) {
  HRESULT hr = S_OK;
  UniqueComRef<IDispatch> application = Create(hr);
  if (status) *status = hr;
  return application;
}
