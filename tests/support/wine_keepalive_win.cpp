// Keeps Wine's desktop process alive for a whole test run: it holds one
// hidden window until the wineserver is stopped. Started with no standard
// handles, so the desktop it brings up holds no test's output pipe open.

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"TwWineKeepAlive";
  RegisterClassW(&wc);
  CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr, instance,
                  nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
