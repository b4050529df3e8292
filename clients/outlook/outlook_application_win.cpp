#include "clients/outlook/outlook_application_win.h"

#include <ole2.h>

UniqueComRef<IDispatch> CreateOutlookApplication() {
  CLSID classId{};
  if (FAILED(CLSIDFromProgID(L"Outlook.Application", &classId))) return {};

  constexpr DWORD kAnyServer =
      CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
  UniqueComRef<IUnknown> object;
  HRESULT hr = CoCreateInstance(classId, nullptr, kAnyServer, IID_IUnknown,
                                reinterpret_cast<void**>(object.put()));
  if (hr == E_INVALIDARG) {
    // Systems without DCOM refuse the remote-server context outright.
    hr = CoCreateInstance(classId, nullptr, kAnyServer & ~CLSCTX_REMOTE_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(object.put()));
  }
  if (FAILED(hr) || !object) return {};
  if (FAILED(OleRun(object.get()))) return {};

  UniqueComRef<IDispatch> application;
  if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(application.put())))) {
    return {};
  }
  return application;
}
