// Our own time per contact in the Outlook and Outlook Express writers: each
// run replaces 5,000 marked entries with 5,000 new ones in a fake that
// answers at once. Run under Wine by scripts/bench-writers.sh.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "clients/outlook/service_outlook_sync_win.h"
#include "clients/wab/service_outlook_express_sync_win.h"
#include "common/utf_convert.h"
#include "tests/doubles/fake_outlook_control.h"
#include "tests/doubles/fake_wab_control.h"

namespace {

int kContacts = 5000;
constexpr int kOwnEntries = 100;  // unmarked entries the user keeps
constexpr int kRuns = 5;

AddrContactList CompanyContacts() {
  AddrContactList contacts;
  for (int i = 0; i < kContacts; ++i) {
    const std::u16string n = AsciiToUtf16(std::to_string(i));
    contacts.push_back({u"员工" + n, u"staff" + n + u"@tarnwell.example"});
  }
  return contacts;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Times `kRuns` runs of `sync` after a first one that fills the fake with
// marked entries; `between` clears the fake's history (call log, released
// objects) outside the timing. Prints the median per contact.
bool Measure(const char* name, const std::function<bool()>& sync,
             const std::function<void()>& between, const std::function<size_t()>& count) {
  if (!sync()) {
    std::printf("%s: the first run failed\n", name);
    return false;
  }
  std::vector<double> seconds;
  for (int run = 0; run < kRuns; ++run) {
    between();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool ok = sync();
    QueryPerformanceCounter(&end);
    if (!ok || count() != static_cast<size_t>(kContacts + kOwnEntries)) {
      std::printf("%s: run %d went wrong\n", name, run);
      return false;
    }
    seconds.push_back(Seconds(start, end));
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  std::printf(
      "%-16s %d contacts: median %.3f s per run (min %.3f, max %.3f), %.1f us per contact\n", name,
      kContacts, median, seconds.front(), seconds.back(), median * 1e6 / kContacts);
  return true;
}

bool BenchOutlookExpress(const std::u16string& dll, const AddrContactList& contacts) {
  FakeWab wab(dll);
  if (!wab.loaded()) return false;
  for (int i = 0; i < kOwnEntries; ++i) wab.AddMailUser(u"Own", u"own@tarnwell.example", nullptr);
  return Measure(
      "Outlook Express", [&] { return CServiceOutlookExpressSync().SyncContacts(contacts); },
      [&] { wab.ClearHistory(); }, [&] { return wab.Entries().size(); });
}

bool BenchOutlook(const std::u16string& dll, const AddrContactList& contacts) {
  ScopedComInit com;
  FakeOutlook outlook(dll);
  if (!com.ok() || !outlook.loaded()) return false;
  for (int i = 0; i < kOwnEntries; ++i) {
    outlook.AddContact(FakeOutlook::kContactsFolder, u"Own", u"own@tarnwell.example", u"");
  }
  return Measure(
      "Outlook", [&] { return CServiceOutlookSync().SyncContacts(contacts); },
      [&] { outlook.ClearHistory(); },
      [&] { return outlook.Contacts(FakeOutlook::kContactsFolder).size(); });
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) {
    std::printf("usage: writer_bench <fake_wab.dll> <fake_outlook.dll> [contacts]\n");
    return 2;
  }
  if (argc == 4) kContacts = std::max(1, _wtoi(argv[3]));
  const AddrContactList contacts = CompanyContacts();
  const bool wab = BenchOutlookExpress(FromWide(argv[1]), contacts);
  const bool outlook = BenchOutlook(FromWide(argv[2]), contacts);
  return wab && outlook ? 0 : 1;
}
