// Our own time per contact in the Outlook and Outlook Express writers: each
// run replaces 5,000 marked entries with 5,000 new ones in a fake that
// answers at once. Then Outlook as it is met in use, answering from its own
// process with its object-model guard on: the fake as a local server, where
// the writer for Outlook 2003-2010 (replace every marked contact) and the
// one for Outlook 2013+ (one item per person, written where the company
// changed) are compared in calls, store writes, security prompts and time.
// Run under Wine by scripts/bench-writers.sh.

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
#include "tests/doubles/fake_outlook_server_control.h"
#include "tests/doubles/fake_wab_control.h"

namespace {

int kContacts = 5000;
constexpr int kOwnEntries = 100;  // unmarked entries the user keeps
constexpr int kRuns = 5;
int outOfProcessRuns = 3;  // each out-of-process figure is the median of these

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

// What one run cost the out-of-process Outlook.
struct RunCost {
  double seconds = 0;
  long calls = 0;
  long storeWrites = 0;
  long prompts = 0;  // security prompts the guard raised
};

RunCost MedianOf(std::vector<RunCost> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const RunCost& a, const RunCost& b) { return a.seconds < b.seconds; });
  return runs[runs.size() / 2];
}

class OutOfProcessBench {
 public:
  OutOfProcessBench(FakeOutlookServer& outlook, std::u16string recordPath)
      : outlook_(outlook), recordPath_(std::move(recordPath)) {}

  // From now on the writers use a folder of their own of this name (empty:
  // the default contacts folder).
  void UseFolder(std::u16string name) { folder_ = std::move(name); }

  // One run of the writer; false when it failed.
  bool Run(OutlookWriteMode mode, const AddrContactList& contacts, RunCost& cost) {
    outlook_.ClearHistory();
    const long promptsBefore = outlook_.GuardPrompts();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool ok = CServiceOutlookSync(mode, recordPath_, {folder_, recordPath_ + u".folder"})
                        .SyncContacts(contacts);
    QueryPerformanceCounter(&end);
    cost.seconds = Seconds(start, end);
    cost.calls = 0;
    for (const std::u16string& line : outlook_.CallCounts()) {
      cost.calls += _wtol(AsWide(line.substr(line.find(u'=') + 1)));
    }
    cost.storeWrites = outlook_.StoreWrites();
    cost.prompts = outlook_.GuardPrompts() - promptsBefore;
    return ok;
  }

  // The contacts folder with the user's own contacts only.
  void Empty() {
    outlook_.Clear();
    DeleteFileW(AsWide(recordPath_ + u".folder"));
    for (int i = 0; i < kOwnEntries; ++i) {
      outlook_.AddContact(FakeOutlook::kContactsFolder, u"Own", u"own@tarnwell.example", u"");
    }
  }

  // Whether a field a user set on a marked contact survives a run of
  // `mode` with `after`, in which that person (the one in the middle of
  // `before`, the list already there) changed their name.
  bool KeepsAUsersEdit(OutlookWriteMode mode, const AddrContactList& before,
                       const AddrContactList& after, bool& kept) {
    const AddrContact mine = before[before.size() / 2];
    const AddrContact renamed = after[after.size() / 2];
    RunCost cost;
    if (!outlook_.SetNote(FakeOutlook::kContactsFolder, mine.Name, u"分机 8021") ||
        !Run(mode, after, cost)) {
      return false;
    }
    const std::vector<std::u16string> items = outlook_.Contacts(FakeOutlook::kContactsFolder);
    kept = std::find(items.begin(), items.end(),
                     renamed.Name + u"|" + renamed.EMail + u"|KESTRANODE_MAIL|分机 8021") !=
           items.end();
    return true;
  }

 private:
  FakeOutlookServer& outlook_;
  const std::u16string recordPath_;
  std::u16string folder_;
};

// One table of the two writers' medians for (a), (b) and (c).
void PrintComparison(const char* where, const RunCost (&replace)[3], const RunCost (&update)[3]) {
  std::printf("%s\n", where);
  std::printf("%-28s %9s %9s %9s | %9s %9s %9s %7s | %7s %7s\n", "", "kind 3 s", "calls", "writes",
              "kind 6 s", "calls", "writes", "prompts", "time x", "calls x");
  const char* names[3] = {"(a) first run, empty folder", "(b) unchanged second run",
                          "(c) 1 % changed"};
  for (int i = 0; i < 3; ++i) {
    std::printf("%-28s %9.3f %9ld %9ld | %9.3f %9ld %9ld %7ld | %7.1f %7.1f\n", names[i],
                replace[i].seconds, replace[i].calls, replace[i].storeWrites, update[i].seconds,
                update[i].calls, update[i].storeWrites, update[i].prompts,
                replace[i].seconds / update[i].seconds,
                double(replace[i].calls) / double(update[i].calls));
  }
}

bool BenchOutOfProcessOutlook(const std::u16string& exe, const AddrContactList& contacts) {
  ScopedComInit com;
  FakeOutlookServer outlook(exe);
  if (!com.ok() || !outlook.connected()) {
    std::printf("the fake Outlook's local server did not start\n");
    return false;
  }
  outlook.SetGuard(true);
  // 1 % of the people changed: every 200th renamed, every 200th (offset
  // by 100) with a new e-mail address.
  AddrContactList changed;
  changed.reserve(contacts.size());
  int changedCount = 0;
  for (size_t i = 0; i < contacts.size(); ++i) {
    AddrContact contact = contacts[i];
    if (i % 200 == 0) contact.Name += u"（新）";
    if (i % 200 == 100) contact.EMail = u"new." + contact.EMail;
    if (i % 100 == 0) ++changedCount;
    changed.push_back(contact);
  }
  // The middle person renamed, for (d).
  AddrContactList renamed;
  renamed.reserve(contacts.size());
  for (size_t i = 0; i < contacts.size(); ++i) {
    AddrContact contact = contacts[i];
    if (i == contacts.size() / 2) contact.Name += u"（改名）";
    renamed.push_back(contact);
  }

  // Each writer in turn, on a folder of its own making (Outlook 2013+
  // takes the items of another writer for unknown): (a) a first run into
  // an empty folder, (b) an unchanged second run, (c) 1 % of the people
  // changed (alternating between the two lists changes the same people
  // each time).
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::u16string recordPath = FromWide(folder) + u"writer_bench_outlookcontacts.dat";
  DeleteFileW(AsWide(recordPath));
  OutOfProcessBench bench(outlook, recordPath);
  const OutlookWriteMode modes[2] = {OutlookWriteMode::ReplaceAll, OutlookWriteMode::ChangesOnly};
  // [where][case][writer]: the default contacts folder, then a folder of
  // the company's own.
  std::vector<RunCost> runs[2][3][2];
  RunCost cost;
  bool ok = true;
  for (int w = 0; ok && w < 2; ++w) {
    bench.UseFolder(w == 0 ? u"" : u"公司通讯录");
    for (int m = 0; ok && m < 2; ++m) {
      for (int i = 0; ok && i < outOfProcessRuns; ++i) {
        bench.Empty();
        ok = bench.Run(modes[m], contacts, cost);
        runs[w][0][m].push_back(cost);
      }
      for (int i = 0; ok && i < outOfProcessRuns; ++i) {
        ok = bench.Run(modes[m], contacts, cost);
        runs[w][1][m].push_back(cost);
      }
      for (int i = 0; ok && i < outOfProcessRuns; ++i) {
        ok = bench.Run(modes[m], i % 2 == 0 ? changed : contacts, cost);
        runs[w][2][m].push_back(cost);
      }
    }
  }
  // (d) the edit is made afresh for each writer, each starting from the
  // unchanged list it wrote itself.
  bench.UseFolder(u"");
  bench.Empty();
  bool replaceKeepsEdit = false, updateKeepsEdit = false;
  ok = ok && bench.Run(OutlookWriteMode::ReplaceAll, contacts, cost) &&
       bench.KeepsAUsersEdit(OutlookWriteMode::ReplaceAll, contacts, renamed, replaceKeepsEdit) &&
       bench.Run(OutlookWriteMode::ChangesOnly, contacts, cost) &&
       bench.KeepsAUsersEdit(OutlookWriteMode::ChangesOnly, contacts, renamed, updateKeepsEdit);
  DeleteFileW(AsWide(recordPath));
  DeleteFileW(AsWide(recordPath + u".folder"));
  if (!ok) {
    std::printf("out-of-process Outlook: a run failed\n");
    return false;
  }
  std::printf("\nOutlook in its own process, %d contacts (%d changed in c), median of %d:\n",
              kContacts, changedCount, outOfProcessRuns);
  for (int w = 0; w < 2; ++w) {
    RunCost replace[3], update[3];
    for (int k = 0; k < 3; ++k) {
      replace[k] = MedianOf(runs[w][k][0]);
      update[k] = MedianOf(runs[w][k][1]);
    }
    PrintComparison(
        w == 0 ? "into the default contacts folder:" : "into a folder of their own under it:",
        replace, update);
  }
  std::printf("(d) a user's field survives that person's rename: kind 3 %s, kind 6 %s\n",
              replaceKeepsEdit ? "yes" : "no", updateKeepsEdit ? "yes" : "no");
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4 || argc > 6) {
    std::printf(
        "usage: writer_bench <fake_wab.dll> <fake_outlook.dll> <fake_outlook_server.exe> "
        "[contacts [out-of-process runs]]\n");
    return 2;
  }
  if (argc >= 5) kContacts = std::max(1, _wtoi(argv[4]));
  if (argc == 6) outOfProcessRuns = std::max(1, _wtoi(argv[5]));
  const AddrContactList contacts = CompanyContacts();
  const bool wab = BenchOutlookExpress(FromWide(argv[1]), contacts);
  const bool outlook = BenchOutlook(FromWide(argv[2]), contacts);
  const bool outOfProcess = BenchOutOfProcessOutlook(FromWide(argv[3]), contacts);
  return wab && outlook && outOfProcess ? 0 : 1;
}
