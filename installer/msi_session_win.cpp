#include "msi_session_win.h"

#include <msiquery.h>

#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

std::u16string MsiProperty(MSIHANDLE install, const wchar_t* name) {
  wchar_t none[1] = L"";
  DWORD size = 0;
  if (MsiGetPropertyW(install, name, none, &size) != ERROR_MORE_DATA) return {};
  std::u16string value(size + 1, u'\0');
  size = static_cast<DWORD>(value.size());
  if (MsiGetPropertyW(install, name, AsWideBuffer(value), &size) != ERROR_SUCCESS) return {};
  value.resize(size);
  return value;
}

void MsiLog(MSIHANDLE install, const std::u16string& text) {
  UniqueMsiHandle record(MsiCreateRecord(1));
  if (!record) return;
  // The text goes into field 1, so that brackets in it are not taken for
  // properties.
  MsiRecordSetStringW(record.get(), 0, L"[1]");
  MsiRecordSetStringW(record.get(), 1, AsWide(text));
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}
