#pragma once
// The Windows Address Book as the Outlook Express writer needs it: the
// entries of the personal address book as a list of entry IDs, one of which
// is the current entry that the property operations act on.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clients/wab/wab_api_win.h"
#include "clients/wab/wab_entry_list.h"
#include "common/win/scoped_handles.h"

// An entry's identifier: the bytes the address book gave for it.
using WabEntryId = WabEntryList::EntryId;

// A property tag that names no property.
inline constexpr ULONG kNoPropertyTag = 0xFFFFFFFF;

class CWABOutlookExpress {
 public:
  CWABOutlookExpress() = default;
  virtual ~CWABOutlookExpress();  // closes the address book
  CWABOutlookExpress(const CWABOutlookExpress&) = delete;
  CWABOutlookExpress& operator=(const CWABOutlookExpress&) = delete;

  // Loads the library the registry names, opens the address book with its
  // WABOpen and loads the entry list. False, with everything closed again,
  // when any of that fails.
  [[nodiscard]] bool OpenAddressBook();
  // Releases everything in the reverse order of opening. Safe at any time.
  void CloseAddressBook();
  bool IsOpen() const { return open_; }

  // Fills the entry list from the personal container, in table order, and
  // makes the first entry current. On failure the list is empty.
  [[nodiscard]] bool LoadEntryList();
  // The personal address book container, or null.
  UniqueComRef<IABContainer> OpenPersonalContainer();
  // The entry ID of the template for new mail users; empty when none.
  WabEntryId GetMailUserTemplate();

  // Creates an unsaved mail user named `displayText` at the end of the
  // list and makes it current. False, with nothing changed, when the entry
  // cannot be created or `displayText` is empty.
  [[nodiscard]] bool CreateMailUser(std::u16string_view displayText);
  // Saves the current entry's changes.
  [[nodiscard]] bool SaveCurrentEntry();
  // Deletes the current entry from the address book and the list; no entry
  // is current afterwards. False, with the entry kept, on failure.
  [[nodiscard]] bool DeleteCurrentEntry();

  // Opens the entry at `position` as the current one when it is a mail
  // user. Returns the new current position, -1 when none is current.
  virtual int32_t SelectEntry(int32_t position);
  virtual uint32_t GetEntryCount() const;
  // Reads one property of the current entry as text (numbers in decimal,
  // dates as "YYYY-MM-DD hh:mm:ss"); `text` becomes `defaultText` first.
  // False, with `text` untouched, when no entry is current.
  [[nodiscard]] virtual bool GetPropertyText(ULONG tag, std::u16string& text,
                                             std::u16string_view defaultText);
  // Replaces one property of the current entry; empty text leaves it
  // deleted. Nothing is saved.
  [[nodiscard]] virtual bool SetPropertyText(ULONG tag, std::u16string_view text);

 private:
  void ClearEntryList();
  // An object of the address book by entry ID, when it has the wanted type.
  UniqueComRef<IUnknown> OpenEntryOfType(ULONG size, ENTRYID* id, ULONG wantedType);

  UniqueHModule library_;
  UniqueComRef<IAddrBook> addressBook_;
  UniqueComRef<IWABObject> wabObject_;
  UniqueComRef<IMAPIProp> currentEntry_;
  WabEntryList entryList_;
  int32_t currentPosition_ = -1;
  bool open_ = false;
};
