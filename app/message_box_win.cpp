#include "app/message_box_win.h"

#include "common/win/wide_text_win.h"

void MessageBoxSink::Show(const std::u16string& text, MessageIcon icon) {
  const UINT style = MB_OK | (icon == MessageIcon::Information ? MB_ICONINFORMATION : MB_ICONERROR);
  MessageBoxW(owner_, AsWide(text), AsWide(kAppName), style);
}
