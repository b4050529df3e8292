#pragma once
// The class identifier under which the fake Outlook registers itself.

#define TW_FAKE_OUTLOOK_CLSID_TEXT L"{6D3F8A21-4B7C-4E19-A5D2-93C7E1F04B68}"
