// WABOpen, and the functions through which tests fill and inspect the
// fake (they load the same DLL and find these with GetProcAddress).

#include <cwchar>

#include "fake_wab/fake_wab_objects.h"

using namespace fakewab;

namespace {

int CopyText(const std::wstring& text, wchar_t* out, int capacity) {
  const int needed = static_cast<int>(text.size());
  if (out && capacity > needed) {
    std::wmemcpy(out, text.c_str(), text.size() + 1);
  }
  return needed;
}

std::wstring TextOf(const PropertyMap& properties, ULONG tag) {
  auto it = properties.find(PROP_ID(tag));
  return it == properties.end() ? L"" : it->second.text;
}

std::wstring ValueText(const Property& p) {
  switch (p.type) {
    case PT_UNICODE: return p.text;
    case PT_I2:
    case PT_LONG: return std::to_wstring(p.number);
    case PT_ERROR: return L"error " + Hex(p.number);
    case PT_SYSTIME: {
      SYSTEMTIME st{};
      FileTimeToSystemTime(&p.time, &st);
      wchar_t text[32];
      std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
                    st.wHour, st.wMinute, st.wSecond);
      return text;
    }
    case PT_BINARY: return L"(" + std::to_wstring(p.bytes.size()) + L" bytes)";
  }
  return L"?";
}

}  // namespace

extern "C" {

HRESULT STDMETHODCALLTYPE WABOpen(LPADRBOOK* addressBook, LPWABOBJECT* wabObject, LPWAB_PARAM,
                                  DWORD) {
  if (HRESULT hr = Record(L"WABOpen"); hr != S_OK) return hr;
  if (!addressBook || !wabObject) return MAPI_E_INVALID_PARAMETER;
  OpenFakeAddressBook(addressBook, wabObject);
  return S_OK;
}

void FakeWab_Reset() { ResetState(); }
void FakeWab_ClearHistory() { ClearHistory(); }
void FakeWab_Reload() { ReloadState(); }

int FakeWab_AddEntry(int distList, const wchar_t* displayName, const wchar_t* email,
                     const wchar_t* nickname) {
  PropertyMap properties;
  const std::pair<ULONG, const wchar_t*> texts[] = {
      {PR_DISPLAY_NAME_W, displayName}, {PR_EMAIL_ADDRESS_W, email}, {PR_NICKNAME_W, nickname}};
  for (const auto& [tag, text] : texts) {
    if (!text) continue;
    Property p;
    p.type = PT_UNICODE;
    p.text = text;
    properties[PROP_ID(tag)] = p;
  }
  AddEntry(distList != 0, std::move(properties));
  PersistState();
  return static_cast<int>(TheState().entries.size() - 1);
}

int FakeWab_SetProperty(int position, ULONG tag, const wchar_t* text) {
  Entry* entry = EntryAt(position);
  if (!entry || !text) return 0;
  Property p;
  p.type = PROP_TYPE(tag);
  switch (p.type) {
    case PT_UNICODE: p.text = text; break;
    case PT_I2:
    case PT_LONG:
    case PT_ERROR: p.number = std::wcstol(text, nullptr, 0); break;
    case PT_SYSTIME: {
      SYSTEMTIME st{};
      if (std::swscanf(text, L"%hu-%hu-%hu %hu:%hu:%hu", &st.wYear, &st.wMonth, &st.wDay, &st.wHour,
                       &st.wMinute, &st.wSecond) != 6 ||
          !SystemTimeToFileTime(&st, &p.time)) {
        return 0;
      }
      break;
    }
    default: return 0;
  }
  entry->properties[PROP_ID(tag)] = p;
  PersistState();
  return 1;
}

void FakeWab_SetTemplates(int mailUser, int distList) {
  TheState().mailUserTemplate = mailUser != 0;
  TheState().distListTemplate = distList != 0;
}

void FakeWab_SetRowsPerQuery(ULONG rows) { TheState().rowsPerQuery = rows; }
void FakeWab_SetCursorStuck(int stuck) { TheState().cursorStuck = stuck != 0; }

void FakeWab_FailCall(const wchar_t* call, int occurrence, HRESULT status) {
  TheState().failures.push_back({call, occurrence, status});
}

int FakeWab_Describe(wchar_t* out, int capacity) {
  std::wstring text;
  for (const auto& [id, e] : TheState().entries) {
    if (e.distList) text += L"DL:";
    text += TextOf(e.properties, PR_DISPLAY_NAME_W) + L"|" +
            TextOf(e.properties, PR_EMAIL_ADDRESS_W) + L"|" + TextOf(e.properties, PR_NICKNAME_W) +
            L"\n";
  }
  return CopyText(text, out, capacity);
}

int FakeWab_DescribeEntry(int position, wchar_t* out, int capacity) {
  const Entry* entry = EntryAt(position);
  if (!entry) return CopyText(L"", out, capacity);
  std::wstring text;
  for (const auto& [id, p] : entry->properties) {
    text += Hex(PROP_TAG(p.type, id)) + L"=" + ValueText(p) + L"\n";
  }
  return CopyText(text, out, capacity);
}

int FakeWab_CallLog(wchar_t* out, int capacity) {
  std::wstring text;
  for (const std::wstring& call : TheState().calls) text += call + L"\n";
  return CopyText(text, out, capacity);
}

int FakeWab_LiveObjects() { return TheState().liveObjects; }
int FakeWab_OpenBuffers() { return static_cast<int>(TheState().buffers.size()); }
int FakeWab_Misuses() { return TheState().misuses; }

}  // extern "C"
