#include "fake_wab/fake_wab_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "fake_state_file.h"

namespace fakewab {
namespace {

constexpr DWORD kEntryIdMagic = 0x42415746;  // "FWAB"

struct FakeEntryId {
  DWORD magic;
  DWORD id;
};

std::string ToAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

std::wstring FromAnsi(const char* bytes) {
  if (!bytes || !*bytes) return {};
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes, -1, nullptr, 0);
  std::wstring text(size, L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes, -1, text.data(), size);
  text.resize(size - 1);
  return text;
}

SCODE CopyInto(void* root, const void* data, size_t size, void** out) {
  SCODE sc = AllocateMore(static_cast<ULONG>(size), root, out);
  if (sc == S_OK && size > 0) std::memcpy(*out, data, size);
  return sc;
}

void ReloadStateInto(State& s) {
  s.stateFile = fakestate::PathFromEnvironment(kStateFileVariable);
  if (s.stateFile.empty()) return;
  s.entries.clear();
  for (const fakestate::Row& row : fakestate::Read(s.stateFile)) {
    if (row.size() != 4) continue;
    Entry entry;
    entry.id = s.nextId++;
    entry.distList = row[0] == L"D";
    const ULONG tags[] = {PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W, PR_NICKNAME_W};
    for (int i = 0; i < 3; ++i) {
      if (row[i + 1].empty()) continue;
      Property p;
      p.type = PT_UNICODE;
      p.text = row[i + 1];
      entry.properties[PROP_ID(tags[i])] = p;
    }
    s.entries[entry.id] = std::move(entry);
  }
}

}  // namespace

State& TheState() { return fakestate::LoadedOnce<State, ReloadStateInto>(); }

void ResetState() {
  State& s = TheState();
  for (auto& [root, parts] : s.buffers) {
    for (void* part : parts) std::free(part);
    std::free(root);
  }
  s.objects.clear();
  s = State{};
  s.stateFile = fakestate::PathFromEnvironment(kStateFileVariable);
  PersistState();
}

void ClearHistory() { fakecom::ClearLedgerHistory(); }

void ReloadState() { ReloadStateInto(TheState()); }

void PersistState() {
  const State& s = TheState();
  if (s.stateFile.empty()) return;
  std::vector<fakestate::Row> rows;
  for (const auto& [id, e] : s.entries) {
    fakestate::Row row{e.distList ? L"D" : L"M"};
    for (ULONG tag : {PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W, PR_NICKNAME_W}) {
      auto it = e.properties.find(PROP_ID(tag));
      row.push_back(it == e.properties.end() ? L"" : it->second.text);
    }
    rows.push_back(std::move(row));
  }
  fakestate::Write(s.stateFile, rows);
}

HRESULT Record(const std::wstring& name, const std::wstring& details) {
  State& s = TheState();
  s.calls.push_back(name + L"(" + details + L")");
  for (auto it = s.failures.begin(); it != s.failures.end(); ++it) {
    if (it->call != name) continue;
    if (it->countdown == 0) return it->status;
    if (--it->countdown == 0) {
      const HRESULT status = it->status;
      s.failures.erase(it);
      return status;
    }
  }
  return S_OK;
}

SCODE Allocate(ULONG size, void** buffer) {
  if (!buffer) return MAPI_E_INVALID_PARAMETER;
  *buffer = std::calloc(1, size ? size : 1);
  if (!*buffer) return MAPI_E_NOT_ENOUGH_MEMORY;
  TheState().buffers[*buffer];
  return S_OK;
}

SCODE AllocateMore(ULONG size, void* root, void** buffer) {
  if (!buffer) return MAPI_E_INVALID_PARAMETER;
  auto it = TheState().buffers.find(root);
  if (it == TheState().buffers.end()) {
    RecordMisuse(L"AllocateMore on an unknown buffer");
    return MAPI_E_INVALID_PARAMETER;
  }
  *buffer = std::calloc(1, size ? size : 1);
  if (!*buffer) return MAPI_E_NOT_ENOUGH_MEMORY;
  it->second.push_back(*buffer);
  return S_OK;
}

HRESULT Free(void* buffer) {
  if (!buffer) return S_OK;
  auto it = TheState().buffers.find(buffer);
  if (it == TheState().buffers.end()) {
    RecordMisuse(L"FreeBuffer of a buffer that is not an unfreed allocation");
    return MAPI_E_INVALID_PARAMETER;
  }
  for (void* part : it->second) std::free(part);
  std::free(it->first);
  TheState().buffers.erase(it);
  return S_OK;
}

std::vector<BYTE> EntryIdBytes(ULONG id) {
  const FakeEntryId value{kEntryIdMagic, id};
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
  return std::vector<BYTE>(bytes, bytes + sizeof value);
}

ULONG EntryIdValue(ULONG size, const void* bytes) {
  FakeEntryId value{};
  if (size != sizeof value || !bytes) return 0;
  std::memcpy(&value, bytes, sizeof value);
  return value.magic == kEntryIdMagic ? value.id : 0;
}

Entry* FindEntry(ULONG id) {
  auto it = TheState().entries.find(id);
  return it == TheState().entries.end() ? nullptr : &it->second;
}

Entry* EntryAt(int position) {
  auto& entries = TheState().entries;
  if (position < 0 || static_cast<size_t>(position) >= entries.size()) return nullptr;
  return &std::next(entries.begin(), position)->second;
}

Entry& AddEntry(bool distList, PropertyMap properties) {
  State& s = TheState();
  const ULONG id = s.nextId++;
  Entry& entry = s.entries[id];
  entry = Entry{id, distList, std::move(properties)};
  return entry;
}

HRESULT CopyOut(const std::vector<std::pair<ULONG, const Property*>>& values, ULONG flags,
                ULONG* count, SPropValue** out) {
  if (!count || !out) return MAPI_E_INVALID_PARAMETER;
  void* root = nullptr;
  SCODE sc = Allocate(static_cast<ULONG>(sizeof(SPropValue) * (values.empty() ? 1 : values.size())),
                      &root);
  if (sc != S_OK) return sc;
  SPropValue* array = static_cast<SPropValue*>(root);
  bool errors = false;
  for (size_t i = 0; i < values.size(); ++i) {
    const ULONG id = PROP_ID(values[i].first);
    const Property* p = values[i].second;
    SPropValue& v = array[i];
    if (!p) {
      v.ulPropTag = PROP_TAG(PT_ERROR, id);
      v.Value.err = MAPI_E_NOT_FOUND;
      errors = true;
      continue;
    }
    v.ulPropTag = PROP_TAG(p->type, id);
    switch (p->type) {
      case PT_UNICODE:
        if (flags & MAPI_UNICODE) {
          CopyInto(root, p->text.c_str(), (p->text.size() + 1) * sizeof(wchar_t),
                   reinterpret_cast<void**>(&v.Value.lpszW));
        } else {
          const std::string bytes = ToAnsi(p->text);
          v.ulPropTag = PROP_TAG(PT_STRING8, id);
          CopyInto(root, bytes.c_str(), bytes.size() + 1, reinterpret_cast<void**>(&v.Value.lpszA));
        }
        break;
      case PT_I2: v.Value.i = static_cast<short>(p->number); break;
      case PT_LONG: v.Value.l = p->number; break;
      case PT_ERROR:
        v.Value.err = p->number;
        errors = true;
        break;
      case PT_SYSTIME: v.Value.ft = p->time; break;
      case PT_BINARY:
        v.Value.bin.cb = static_cast<ULONG>(p->bytes.size());
        CopyInto(root, p->bytes.data(), p->bytes.size(),
                 reinterpret_cast<void**>(&v.Value.bin.lpb));
        break;
    }
  }
  *count = static_cast<ULONG>(values.size());
  *out = array;
  return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

bool StoreValue(const SPropValue& value, Property& stored) {
  stored = Property{};
  stored.type = PROP_TYPE(value.ulPropTag);
  switch (stored.type) {
    case PT_UNICODE: stored.text = value.Value.lpszW ? value.Value.lpszW : L""; return true;
    case PT_STRING8:
      stored.type = PT_UNICODE;
      stored.text = FromAnsi(value.Value.lpszA);
      return true;
    case PT_I2: stored.number = value.Value.i; return true;
    case PT_LONG: stored.number = value.Value.l; return true;
    case PT_SYSTIME: stored.time = value.Value.ft; return true;
    case PT_BINARY:
      if (value.Value.bin.cb && value.Value.bin.lpb) {
        stored.bytes.assign(value.Value.bin.lpb, value.Value.bin.lpb + value.Value.bin.cb);
      }
      return true;
    default: stored = Property{}; return false;
  }
}

std::wstring Hex(ULONG value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%08lX", static_cast<unsigned long>(value));
  return text;
}

}  // namespace fakewab

namespace fakecom {
Ledger& TheLedger() { return fakewab::TheState(); }
}  // namespace fakecom
