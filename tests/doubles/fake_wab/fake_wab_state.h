#pragma once
// What the fake address book remembers: its saved entries, the calls made
// on it, the failures a test asked for, and every buffer and object it has
// handed out, so that tests can see what the writer left behind.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_object_ledger.h"

#include "fake_wab/wab_headers.h"

namespace fakewab {

// Entry IDs of the objects that are not entries.
constexpr ULONG kPersonalContainerId = 1;
constexpr ULONG kMailUserTemplateId = 2;
constexpr ULONG kDistListTemplateId = 3;

// One stored property. Texts are kept in UTF-16 whatever type they came in.
struct Property {
  ULONG type = 0;
  std::wstring text;
  LONG number = 0;  // PT_I2, PT_LONG, and the status of PT_ERROR
  FILETIME time{};
  std::vector<BYTE> bytes;
};
using PropertyMap = std::map<ULONG, Property>;  // by property identifier

struct Entry {
  ULONG id = 0;
  bool distList = false;
  PropertyMap properties;
};

// Base of every object handed out. Objects are kept (never deleted) until
// the next reset, so a call on a released object is seen, not a crash.
using fakecom::Object;
using fakecom::RecordMisuse;

struct State : fakecom::Ledger {
  std::map<ULONG, Entry> entries;  // by ID, which is also the container's order
  ULONG nextId = 100;
  bool mailUserTemplate = true;
  bool distListTemplate = true;
  // Most rows one QueryRows answers with, as a table may answer with fewer
  // than asked for; 0 for no limit.
  ULONG rowsPerQuery = 0;
  // A broken table whose cursor never moves, answering the same rows again.
  bool cursorStuck = false;

  struct Failure {
    std::wstring call;
    int countdown;  // fails when it reaches 1; 0 fails every call
    HRESULT status;
  };
  std::vector<Failure> failures;

  std::map<void*, std::vector<void*>> buffers;  // each root with its AllocateMore parts

  std::wstring stateFile;  // where the entries persist, if anywhere
};

// The environment variable that names the fake's state file.
inline constexpr wchar_t kStateFileVariable[] = L"TW_FAKE_WAB_STATE";

State& TheState();
void ResetState();
// Drops the call log and the objects no one references any more.
void ClearHistory();
// Loads the entries from the state file named now, if any.
void ReloadState();
// Writes the entries (display name, e-mail, nickname) to the state file.
void PersistState();

// Logs a call ("Name(details)") and returns the failure a test asked for,
// or S_OK.
HRESULT Record(const std::wstring& name, const std::wstring& details = L"");

// The fake's allocator, which the WAB object's methods expose.
SCODE Allocate(ULONG size, void** buffer);
SCODE AllocateMore(ULONG size, void* root, void** buffer);
HRESULT Free(void* buffer);

std::vector<BYTE> EntryIdBytes(ULONG id);
// The fake's own ID inside `bytes`, or 0 when they are not one of its IDs.
ULONG EntryIdValue(ULONG size, const void* bytes);
Entry* FindEntry(ULONG id);
// The saved entry at `position` in the container's order, or null.
Entry* EntryAt(int position);
// Adds a saved entry with the next ID.
Entry& AddEntry(bool distList, PropertyMap properties);

// `values` as an array the caller frees with FreeBuffer. Null properties
// come back as error values, and then, as with stored error values, the
// result is the warning MAPI_W_ERRORS_RETURNED. Texts are UTF-16 only with
// MAPI_UNICODE.
HRESULT CopyOut(const std::vector<std::pair<ULONG, const Property*>>& values, ULONG flags,
                ULONG* count, SPropValue** out);
// One incoming value as stored; false for types the fake does not keep.
bool StoreValue(const SPropValue& value, Property& stored);

std::wstring Hex(ULONG value);

}  // namespace fakewab
