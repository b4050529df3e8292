// The fake Outlook as a local server: a real Outlook answers from its own
// process, so every call crosses processes and costs what it costs there.
// COM starts this program for the class registered under LocalServer32;
// it serves the same objects as the in-process DLL and ends when its client
// asks it to, once its last object is released, or after ten minutes
// without a call. Under Wine it holds the output of the process that
// caused its start for as long as it runs, so it must not linger.

#include <windows.h>
#include <objbase.h>

#include "fake_outlook/fake_outlook_objects.h"
#include "fake_outlook_class_id.h"

using namespace fakeoutlook;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  CLSID classId{};
  CLSIDFromString(TW_FAKE_OUTLOOK_CLSID_TEXT, &classId);
  DWORD registration = 0;
  if (FAILED(CoRegisterClassObject(classId, &TheClassFactory(), CLSCTX_LOCAL_SERVER,
                                   REGCLS_MULTIPLEUSE, &registration))) {
    CoUninitialize();
    return 1;
  }

  constexpr UINT kTickMs = 200;
  constexpr ULONGLONG kIdleLimitMs = 10 * 60 * 1000;
  SetTimer(nullptr, 0, kTickMs, nullptr);
  bool served = false;
  unsigned long invocations = 0;
  ULONGLONG lastCall = GetTickCount64();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && !msg.hwnd) {
      const State& s = TheState();
      if (s.invocations != invocations) {
        invocations = s.invocations;
        lastCall = GetTickCount64();
      }
      if (s.liveObjects > 0) served = true;
      if (s.quitRequested || (served && s.liveObjects == 0) ||
          GetTickCount64() - lastCall > kIdleLimitMs) {
        break;
      }
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CoRevokeClassObject(registration);
  CoUninitialize();
  // Ends here, without destroying the objects: COM may still drop a
  // reference late, and the objects must not be gone when it does.
  TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}
