#include "clients/wab/wab_outlook_express_win.h"

#include "clients/wab/wab_buffer_win.h"
#include "clients/wab/wab_library_path_win.h"
#include "clients/wab/wab_property_text.h"
#include "common/win/code_page_win.h"
#include "common/win/wide_text_win.h"

namespace {

// Longest text a property write keeps.
constexpr size_t kMaxPropertyText = 511;

ENTRYID* EntryIdBytes(WabEntryId& id) { return reinterpret_cast<ENTRYID*>(id.data()); }

WabEntryId CopyOf(const SBinary& bytes) {
  if (bytes.cb == 0 || bytes.lpb == nullptr) return {};
  return WabEntryId(bytes.lpb, bytes.lpb + bytes.cb);
}

// The value as text when its stored type fits the requested one. Text
// properties come back 8-bit in the thread's code page unless the address
// book chose to answer in UTF-16.
bool ValueToText(ULONG requestedType, const SPropValue& value, std::u16string& text) {
  const ULONG storedType = PROP_TYPE(value.ulPropTag);
  switch (requestedType) {
    case PT_I2:
      if (storedType != PT_I2) return false;
      text = FormatShortNumber(value.Value.i);
      return true;
    case PT_UNICODE:
      if (storedType == PT_STRING8) {
        text = value.Value.lpszA ? CodePageToWide(value.Value.lpszA, CP_THREAD_ACP) : u"";
        return true;
      }
      if (storedType == PT_UNICODE) {
        text = FromWide(value.Value.lpszW);
        return true;
      }
      return false;
    case PT_SYSTIME: {
      SYSTEMTIME st{};
      if (storedType != PT_SYSTIME || !FileTimeToSystemTime(&value.Value.ft, &st)) return false;
      text = FormatCalendarFields({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
      return true;
    }
    default: return false;
  }
}

}  // namespace

CWABOutlookExpress::~CWABOutlookExpress() { CloseAddressBook(); }

bool CWABOutlookExpress::OpenAddressBook() {
  CloseAddressBook();
  const std::u16string path = RegisteredWabLibraryPath();
  if (path.empty()) return false;
  // From the registered folder, with its own DLLs beside it; the
  // program's folder, which the user can write, is not searched.
  library_.reset(LoadLibraryExW(AsWide(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!library_) return false;

  const FARPROC entry = GetProcAddress(library_.get(), "WABOpen");
  if (!entry) {
    CloseAddressBook();
    return false;
  }
  auto* wabOpen = reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(entry));
  if (wabOpen(addressBook_.put(), wabObject_.put(), nullptr, 0) != S_OK || !addressBook_ ||
      !wabObject_) {
    CloseAddressBook();
    return false;
  }
  open_ = true;
  if (!LoadEntryList()) {
    CloseAddressBook();
    return false;
  }
  return true;
}

void CWABOutlookExpress::CloseAddressBook() {
  ClearEntryList();
  addressBook_.reset();
  wabObject_.reset();
  library_.reset();
  open_ = false;
}

void CWABOutlookExpress::ClearEntryList() {
  currentEntry_.reset();
  entryList_.clear();
  currentPosition_ = -1;
}

UniqueComRef<IUnknown> CWABOutlookExpress::OpenEntryOfType(ULONG size, ENTRYID* id,
                                                           ULONG wantedType) {
  ULONG type = 0;
  UniqueComRef<IUnknown> object;
  const HRESULT hr =
      addressBook_->OpenEntry(size, id, nullptr, MAPI_BEST_ACCESS, &type, object.put());
  if (FAILED(hr) || type != wantedType) object.reset();
  return object;
}

UniqueComRef<IABContainer> CWABOutlookExpress::OpenPersonalContainer() {
  if (!open_ || !addressBook_) return {};
  ULONG size = 0;
  WabBuffer<ENTRYID> pab(*wabObject_);
  if (addressBook_->GetPAB(&size, pab.out()) != S_OK || !pab || size == 0) return {};
  UniqueComRef<IUnknown> object = OpenEntryOfType(size, pab.get(), MAPI_ABCONT);
  pab.reset();
  // Without an interface asked for, the object comes as its own type.
  return UniqueComRef<IABContainer>(static_cast<IABContainer*>(object.release()));
}

bool CWABOutlookExpress::LoadEntryList() {
  if (!open_ || !addressBook_) return false;
  ClearEntryList();
  UniqueComRef<IABContainer> container = OpenPersonalContainer();
  if (!container) return false;
  UniqueComRef<IMAPITable> table;
  if (FAILED(container->GetContentsTable(WAB_LOCAL_CONTAINERS, table.put())) || !table) {
    return false;
  }
  ULONG rowCount = 0;
  if (FAILED(table->GetRowCount(0, &rowCount))) return false;
  if (rowCount == 0) return true;

  // A table may answer with fewer rows than asked for, so the rows are read
  // with the cursor advancing until none come back; entries past a first
  // short answer would otherwise never be seen. Each answer before the last
  // brings a row at least, so a table that needs more answers than it has
  // rows does not advance and is given up.
  const LONG wanted = rowCount > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<LONG>(rowCount);
  WabRowSet rows(*wabObject_);
  uint64_t answersLeft = uint64_t{rowCount} + 1;
  do {
    if (answersLeft-- == 0 || FAILED(table->QueryRows(wanted, 0, rows.out())) || !rows) {
      ClearEntryList();
      return false;
    }
    for (ULONG r = 0; r < rows.get()->cRows; ++r) {
      const SRow& row = rows.get()->aRow[r];
      for (ULONG c = 0; row.lpProps && c < row.cValues; ++c) {
        if (row.lpProps[c].ulPropTag != PR_ENTRYID) continue;
        WabEntryId id = CopyOf(row.lpProps[c].Value.bin);
        if (!id.empty()) entryList_.push_back(std::move(id));
        break;
      }
    }
  } while (rows.get()->cRows > 0);
  rows.reset();
  if (!entryList_.empty()) SelectEntry(0);
  return true;
}

int32_t CWABOutlookExpress::SelectEntry(int32_t position) {
  if (position == currentPosition_) return currentPosition_;
  currentEntry_.reset();
  currentPosition_ = -1;
  if (!addressBook_ || position < 0 || static_cast<size_t>(position) >= entryList_.size()) {
    return currentPosition_;
  }
  WabEntryId& id = entryList_.at(position);
  UniqueComRef<IUnknown> object =
      OpenEntryOfType(static_cast<ULONG>(id.size()), EntryIdBytes(id), MAPI_MAILUSER);
  if (object) {
    currentEntry_.reset(static_cast<IMAPIProp*>(object.release()));
    currentPosition_ = position;
  }
  return currentPosition_;
}

uint32_t CWABOutlookExpress::GetEntryCount() const {
  return open_ ? static_cast<uint32_t>(entryList_.size()) : 0;
}

bool CWABOutlookExpress::GetPropertyText(ULONG tag, std::u16string& text,
                                         std::u16string_view defaultText) {
  if (tag == kNoPropertyTag || !currentEntry_) return false;
  text = defaultText;
  ULONG count = 0;
  WabBuffer<SPropValue> values(*wabObject_);
  // MAPI_W_ERRORS_RETURNED only says that some other property could not be
  // read; the values that came back are good.
  if (FAILED(currentEntry_->GetProps(nullptr, 0, &count, values.out())) || !values) return false;
  for (ULONG i = 0; i < count; ++i) {
    if (PROP_ID(values.get()[i].ulPropTag) != PROP_ID(tag)) continue;
    std::u16string converted;
    // A value of another type than asked for (an error value, say) keeps
    // the default rather than being read as something it is not.
    if (ValueToText(PROP_TYPE(tag), values.get()[i], converted)) text = std::move(converted);
    return true;
  }
  return false;
}

bool CWABOutlookExpress::SetPropertyText(ULONG tag, std::u16string_view text) {
  if (!open_ || !addressBook_ || !currentEntry_ || tag == kNoPropertyTag) return false;
  SizedSPropTagArray(1, tags) = {1, {tag}};
  currentEntry_->DeleteProps(reinterpret_cast<SPropTagArray*>(&tags), nullptr);
  if (text.empty()) return true;

  SPropValue value{};
  value.ulPropTag = tag;
  std::u16string limited;
  switch (PROP_TYPE(tag)) {
    case PT_I2: value.Value.i = ParseShortNumber(text); break;
    case PT_UNICODE:
      limited = LimitTextLength(text, kMaxPropertyText);
      value.Value.lpszW = AsWideBuffer(limited);
      break;
    case PT_SYSTIME: {
      const CalendarFields f = ParseCalendarFields(text);
      SYSTEMTIME st{};
      st.wYear = static_cast<WORD>(f.year);
      st.wMonth = static_cast<WORD>(f.month);
      st.wDay = static_cast<WORD>(f.day);
      st.wHour = static_cast<WORD>(f.hour);
      st.wMinute = static_cast<WORD>(f.minute);
      st.wSecond = static_cast<WORD>(f.second);
      // No time zone conversion: the text is the stored time itself.
      if (!SystemTimeToFileTime(&st, &value.Value.ft)) return false;
      break;
    }
    default: return false;
  }
  return SUCCEEDED(currentEntry_->SetProps(1, &value, nullptr));
}

WabEntryId CWABOutlookExpress::GetMailUserTemplate() {
  if (!open_ || !addressBook_) return {};
  UniqueComRef<IABContainer> container = OpenPersonalContainer();
  if (!container) return {};
  SizedSPropTagArray(2, tags) = {2, {PR_DEF_CREATE_MAILUSER, PR_DEF_CREATE_DL}};
  ULONG count = 0;
  WabBuffer<SPropValue> values(*wabObject_);
  const HRESULT hr =
      container->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &count, values.out());
  // Either tag coming back with the error type means the container has no
  // such template.
  if (FAILED(hr) || !values || count < 2 || values.get()[0].ulPropTag != PR_DEF_CREATE_MAILUSER ||
      values.get()[1].ulPropTag != PR_DEF_CREATE_DL) {
    return {};
  }
  return CopyOf(values.get()[0].Value.bin);
}

bool CWABOutlookExpress::CreateMailUser(std::u16string_view displayText) {
  if (!open_ || displayText.empty()) return false;
  WabEntryId templateId = GetMailUserTemplate();
  if (templateId.empty()) return false;
  UniqueComRef<IABContainer> container = OpenPersonalContainer();
  if (!container) return false;
  UniqueComRef<IMAPIProp> entry;
  if (FAILED(container->CreateEntry(static_cast<ULONG>(templateId.size()), EntryIdBytes(templateId),
                                    0, entry.put())) ||
      !entry) {
    return false;
  }
  // The new entry gets an ID of its own only when it is saved; until then
  // its place in the list holds the template's.
  entryList_.push_back(std::move(templateId));
  currentEntry_ = std::move(entry);
  currentPosition_ = static_cast<int32_t>(entryList_.size() - 1);
  // As with the caller's other values, only the marker must take.
  (void)SetPropertyText(PR_DISPLAY_NAME_W, displayText);
  return true;
}

bool CWABOutlookExpress::SaveCurrentEntry() {
  return currentEntry_ && SUCCEEDED(currentEntry_->SaveChanges(0));
}

bool CWABOutlookExpress::DeleteCurrentEntry() {
  if (!open_ || !addressBook_ || currentPosition_ == -1) return false;
  UniqueComRef<IABContainer> container = OpenPersonalContainer();
  if (!container) return false;
  WabEntryId& id = entryList_.at(currentPosition_);
  SBinary bytes{static_cast<ULONG>(id.size()), id.data()};
  ENTRYLIST list{1, &bytes};
  if (FAILED(container->DeleteEntries(&list, 0))) return false;
  entryList_.erase(currentPosition_);
  currentEntry_.reset();
  currentPosition_ = -1;
  return true;
}
