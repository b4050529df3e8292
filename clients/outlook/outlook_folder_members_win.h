#pragma once
// The members of Outlook's object model, beyond those of outlook_calls_win.h,
// with which the writer finds, makes and leaves a contacts folder of its
// own and moves items between folders (the published dispatch identifiers).

#include <windows.h>
#include <oaidl.h>

namespace outlook {

constexpr DISPID kFolders = 0x2103;          // MAPIFolder.Folders
constexpr DISPID kAdd = 0x5F;                // Folders.Add(Name, Type); Items.Add(Type)
constexpr DISPID kItem = 0x51;               // Folders.Item(Index), from 1
constexpr DISPID kName = 0x3001;             // MAPIFolder.Name
constexpr DISPID kShowAsOutlookAB = 0xFA6F;  // MAPIFolder.ShowAsOutlookAB
constexpr DISPID kFolderDelete = 0xF045;     // MAPIFolder.Delete
constexpr DISPID kGetFolderFromID = 0x2108;  // Namespace.GetFolderFromID(EntryIDFolder)
constexpr DISPID kMove = 0xF034;             // ContactItem.Move(DestFldr): the moved item
constexpr DISPID kParent = 0xF001;           // the folder that holds an item or a folder

}  // namespace outlook
