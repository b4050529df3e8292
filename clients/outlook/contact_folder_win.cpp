#include "clients/outlook/contact_folder_win.h"

#include "clients/outlook/outlook_folder_members_win.h"
#include "common/win/whole_file_win.h"
#include "common/win/wide_text_win.h"

namespace {

using namespace outlook;

UniqueComRef<IDispatch> Shared(IDispatch& object) {
  object.AddRef();
  return UniqueComRef<IDispatch>(&object);
}

std::optional<ContactFolderRecord> LoadRecord(const std::u16string& path) {
  if (path.empty()) return std::nullopt;
  const std::optional<std::string> text = ReadWholeFileAt(path, 64 * 1024);
  return text ? ParseContactFolderRecord(*text) : std::nullopt;
}

// Whether `folder` lies directly in the folder whose EntryID is `parentId`:
// a folder the user deleted lies in Deleted Items, keeping its id.
bool LiesIn(IDispatch& folder, const std::u16string& parentId, OutlookCalls& calls, bool& in) {
  UniqueComRef<IDispatch> parent = calls.Object(folder, kParent, MemberKind::PropertyGet, {});
  if (!parent) return false;
  const std::optional<std::u16string> id = calls.Text(*parent, kEntryID);
  if (!id) return false;
  in = *id == parentId;
  return true;
}

// The folder of that name among `folders`, or null (also on failure).
UniqueComRef<IDispatch> Named(IDispatch& folders, const std::u16string& name, OutlookCalls& calls) {
  const std::optional<int32_t> count = calls.Number(folders, kCount);
  for (int32_t i = 1; count && i <= *count; ++i) {
    UniqueComRef<IDispatch> folder = calls.Object(folders, kItem, MemberKind::Method, {i});
    if (!folder) return {};
    const std::optional<std::u16string> folderName = calls.Text(*folder, kName);
    if (!folderName) return {};
    // Outlook keeps no two folders of one name, whatever their case.
    if (CompareStringOrdinal(AsWide(*folderName), -1, AsWide(name), -1, TRUE) == CSTR_EQUAL) {
      return folder;
    }
  }
  return {};
}

// The folder of the setting's name under `contacts`, made when there is none.
bool FindOrMake(IDispatch& contacts, const std::u16string& name, OutlookCalls& calls,
                UniqueComRef<IDispatch>& folder, bool& created) {
  UniqueComRef<IDispatch> folders = calls.Object(contacts, kFolders, MemberKind::PropertyGet, {});
  if (!folders) return false;
  folder = Named(*folders, name, calls);
  if (calls.failed()) return false;
  created = !folder;
  if (folder) return true;
  folder = calls.Object(*folders, kAdd, MemberKind::Method, {name, olFolderContacts});
  // Shown in the address book once, when it is made: a user who turns
  // that off later is not overruled.
  return folder &&
         calls.Call(*folder, kShowAsOutlookAB, MemberKind::PropertyPut, {DispatchBool{true}});
}

}  // namespace

bool FindContactPlace(IDispatch& mapi, IDispatch& contacts, const OutlookFolderChoice& choice,
                      OutlookCalls& calls, ContactPlace& place) {
  place.loaded = LoadRecord(choice.recordPath);
  const std::optional<ContactFolderRecord>& loaded = place.loaded;

  // Where the contacts are now: the recorded folder while it is still in
  // the contacts folder, whatever its name; without a record, the default
  // folder itself.
  UniqueComRef<IDispatch> recorded;
  if (loaded) {
    const std::optional<std::u16string> contactsId = calls.Text(contacts, kEntryID);
    if (!contactsId) return false;
    recorded = calls.ObjectOrMissing(mapi, kGetFolderFromID, {loaded->entryId});
    if (calls.failed()) return false;
    bool in = false;
    if (recorded && !LiesIn(*recorded, *contactsId, calls, in)) return false;
    if (!in) recorded.reset();
  }
  place.recordTrusted = !loaded || recorded;

  if (choice.name.empty()) {
    place.target = Shared(contacts);
    place.previousCreated = loaded && loaded->created;
    place.previous = std::move(recorded);
    return true;
  }
  if (recorded && loaded->name == choice.name) {
    place.record = loaded;
    place.target = std::move(recorded);
  } else {
    UniqueComRef<IDispatch> folder;
    bool created = false;
    if (!FindOrMake(contacts, choice.name, calls, folder, created)) return false;
    const std::optional<std::u16string> id = calls.Text(*folder, kEntryID);
    if (!id) return false;
    if (id->empty()) {
      calls.Fail(OutlookCallFailureText({}, DISP_E_TYPEMISMATCH));
      return false;
    }
    if (recorded && *id == loaded->entryId) {
      // The user gave the recorded folder the new name.
      created = loaded->created;
      recorded.reset();
    }
    place.record = ContactFolderRecord{*id, choice.name, created};
    place.target = std::move(folder);
    if (recorded) {
      place.previous = std::move(recorded);
      place.previousCreated = loaded->created;
    } else if (!loaded) {
      place.previous = Shared(contacts);
    }
  }
  place.targetItems = calls.Object(*place.target, kItems, MemberKind::PropertyGet, {});
  return static_cast<bool>(place.targetItems);
}

bool SettleContactPlace(const OutlookFolderChoice& choice, const ContactPlace& place,
                        OutlookCalls& calls) {
  if (place.previous && place.previousCreated) {
    UniqueComRef<IDispatch> items =
        calls.Object(*place.previous, kItems, MemberKind::PropertyGet, {});
    if (!items) return false;
    UniqueComRef<IDispatch> folders =
        calls.Object(*place.previous, kFolders, MemberKind::PropertyGet, {});
    if (!folders) return false;
    const std::optional<int32_t> itemCount = calls.Number(*items, kCount);
    const std::optional<int32_t> folderCount = calls.Number(*folders, kCount);
    if (!itemCount || !folderCount) return false;
    // Whatever the user put there keeps the folder.
    if (*itemCount == 0 && *folderCount == 0 &&
        !calls.Call(*place.previous, kFolderDelete, MemberKind::Method, {})) {
      return false;
    }
  }
  if (choice.recordPath.empty() || place.record == place.loaded) return true;
  const auto keep = [&] {
    if (place.record)
      return ReplaceWholeFile(choice.recordPath, FormatContactFolderRecord(*place.record));
    return DeleteFileW(AsWide(choice.recordPath)) || GetLastError() == ERROR_FILE_NOT_FOUND;
  };
  OutlookCallWatch* watch = calls.context().watch;
  if (watch ? watch->WriteIfWanted(keep) : keep()) return true;
  if (!watch || !watch->GivenUp()) calls.Fail(OutlookRecordSaveFailureText(choice.recordPath));
  return false;
}
