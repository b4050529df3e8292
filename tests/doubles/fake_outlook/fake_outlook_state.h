#pragma once
// What the fake Outlook remembers: the contact items of its folders, the
// calls made on it, the failures and busy rejections a test asked for, and
// every object it has handed out.

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fake_object_ledger.h"

namespace fakeoutlook {

// Folder 0 is the default contacts folder; folder 1 another one; folder 2
// the Deleted Items folder; all three lie in the store's top folder. Folders
// made through Folders.Add (or by a test, as a user would) are numbered
// from kFirstMadeFolder.
constexpr int kContactsFolder = 0;
constexpr int kDeletedItemsFolder = 2;
constexpr int kTopFolder = 9;
constexpr int kFirstMadeFolder = 10;
constexpr int kNoFolder = -1;

struct MadeFolder {
  int parent = kContactsFolder;
  std::wstring name;
  std::wstring entryId;  // kept when the folder moves within the store
  // "Show this folder as an e-mail address book": nothing documents what
  // Folders.Add sets, so it starts off and only a put turns it on.
  bool showAsAddressBook = false;
};

// How Items.Find/FindNext keep their place.
enum class FindCursor {
  // Behind the last item found, wherever the folder's other items go.
  AfterLastFound = 0,
  // A position in the folder: deleting the item found moves the next one
  // into its place, and FindNext goes on behind it, skipping that one.
  Position = 1,
  // A broken store: FindNext answers the item it answered last.
  Stuck = 2,
};

struct Contact {
  ULONG sequence = 0;  // order of creation; the folder's order
  int folder = kContactsFolder;
  std::wstring fullName;  // as last written; Outlook gives back the parts composed
  std::wstring email;
  std::wstring nickName;
  std::wstring note;     // what a user added (a mobile number, a category, a note)
  std::wstring entryId;  // given at the first save; a move to another folder gives a new one
  DATE modified = 0;     // LastModificationTime: every save changes it, the user's too
};

// FullName as Outlook reads it back: composed from the first and last name
// it parsed from what was written ("Zhang, Wei" becomes "Wei Zhang", blanks
// around and between the parts are dropped).
std::wstring ComposedFullName(const std::wstring& written);

// Base of every object handed out. Objects are kept (never deleted) until
// the next reset, so a call on a released object is seen, not a crash.
using fakecom::Object;
using fakecom::RecordMisuse;

struct State : fakecom::Ledger {
  std::map<ULONG, Contact> contacts;  // saved items of all folders, by sequence
  ULONG nextSequence = 1;

  struct Failure {
    DISPID member;
    int countdown;  // fails when it reaches 1; 0 fails every call
    HRESULT status;
    bool described;
    std::wstring description;
  };
  std::vector<Failure> failures;
  int rejectionsLeft = 0;
  HRESULT rejectionStatus = S_OK;
  int rejected = 0;
  HRESULT createStatus = S_OK;
  FindCursor cursor = FindCursor::AfterLastFound;
  bool deletesIgnored = false;  // a store whose Delete succeeds and keeps the item
  // Outlook's object-model guard, as when Outlook does not trust the
  // calling program: a protected member fails as when the user clicks
  // "Deny" on the security prompt, and is counted.
  bool guardOn = false;
  int guardPrompts = 0;
  std::wstring storeId;  // part of every EntryID: another store, other ids
  // The last LastModificationTime given; a store's times have their
  // milliseconds, which the item shows and the table does not.
  DATE clock = 46000.0 + 0.25 / 86400;

  // What a run cost: calls per "Object.Member", and the Save and Delete
  // calls that wrote the store.
  std::map<std::wstring, long> memberCalls;
  long storeWrites = 0;
  unsigned long invocations = 0;  // every call ever answered
  bool quitRequested = false;     // the local server is to end

  // As Outlook behind a prompt: the next call of this member does not
  // return until the test lets it go (0: none).
  DISPID hangMember = 0;
  bool hanging = false;
  // As Outlook that stops answering right after a call: the next object
  // this member is called on does not return from its last Release.
  DISPID hangReleaseAfter = 0;
  const void* hangReleaseOf = nullptr;

  std::wstring stateFile;  // where the contacts persist, if anywhere

  std::map<int, MadeFolder> folders;  // by number
  int nextFolder = kFirstMadeFolder;
  // The folder objects handed out, so that one passed back as an argument
  // (Move's destination) is known.
  std::map<IUnknown*, int> folderObjects;
};

// The environment variable that names the fake's state file.
inline constexpr wchar_t kStateFileVariable[] = L"TW_FAKE_OUTLOOK_STATE";

State& TheState();
void ResetState();
// Drops the call log, the call counts and the objects no one references
// any more.
void ClearHistory();
// Loads the contacts from the state file named now, if any.
void ReloadState();
void PersistState();
Contact* FindContact(ULONG sequence);
// Saves `contact` as a new item, with a new EntryID; returns its sequence
// number.
ULONG AddContact(Contact contact);
// The saved item with this EntryID, in any folder.
Contact* FindContactById(const std::wstring& entryId);
// A LastModificationTime later than every one given before.
DATE NextModificationTime();
// A time as the folder's table shows it: to the whole second.
DATE WholeSeconds(DATE time);

// A folder's EntryID, parent (kNoFolder above the top folder) and name.
std::wstring FolderEntryId(int folder);
int FolderParent(int folder);
std::wstring FolderName(int folder);
// kNoFolder when there is none.
int FolderById(const std::wstring& entryId);
int FolderNamed(int parent, const std::wstring& name);
// A new folder in `parent`; its number.
int AddFolder(int parent, const std::wstring& name);
// As Outlook's Delete of a folder: it moves into Deleted Items with its
// items; one already there is erased with them.
void DeleteFolder(int folder);
bool RenameFolder(int folder, const std::wstring& name);

// What tests fill in and read back, through the DLL's exports or, in
// another process, through the application object's control member.
void AddContactTo(int folder, const std::wstring& fullName, const std::wstring& email,
                  const std::wstring& nickName);
// The note of the first item of `folder` named `fullName`, and its e-mail
// address when one is given, as a user would edit them in Outlook; false
// when there is none.
bool SetNote(int folder, const std::wstring& fullName, const std::wstring& note,
             const wchar_t* email = nullptr);
// One line per item of the folder, "full name|e-mail|nickname", with
// "|note" after it when the item has one.
std::wstring DescribeFolder(int folder);
std::wstring CallLogText();
// One line per member called since the last reset, "Object.Member=count".
std::wstring CallCountsText();

// New objects are owned by the state, which keeps them until a reset.
template <typename T, typename... Args>
T* Make(Args&&... args) {
  T* object = new T(std::forward<Args>(args)...);
  TheState().objects.emplace_back(object);
  return object;
}

}  // namespace fakeoutlook
