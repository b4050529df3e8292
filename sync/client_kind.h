#pragma once
// The mail clients the program can write into, as stored in EmailClient.

#include <cstddef>
#include <cstdint>
#include <string>

enum EmailClientKind : int32_t {
  ClientNone = -1,
  ClientOutlookExpress = 0,
  ClientOutlook2003 = 1,
  ClientOutlook2007 = 2,
  ClientOutlook2010 = 3,
  ClientFoxmail56 = 4,
  ClientFoxmail7 = 5,
  ClientOutlook2013 = 6,  // Outlook 2013 and later
};

// Which writer serves a client kind.
enum class WriterType {
  None,              // no sync task for this kind
  RefusedFoxmail56,  // known but not supported: the run explains why
  OutlookExpress,
  Outlook,             // Outlook 2003-2010: marked contacts replaced
  OutlookChangesOnly,  // Outlook 2013+: only the difference written
  Foxmail7,
};

WriterType WriterForClientKind(int32_t kind);

// Foxmail 7 counts and numbers its contacts in 16 bits: its writer keeps
// the first this many of a longer list.
inline constexpr size_t kFoxmail7ContactLimit = 65535;

// Display name for the result text; empty for kinds without a writer.
std::u16string ClientKindName(int32_t kind);
