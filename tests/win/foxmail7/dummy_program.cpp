// Stands in for a mail client's executable. Given the name of an event it
// keeps running until the event is set (two minutes at most), so that tests
// can see it in the process list; without arguments it ends at once.

#include <windows.h>

#include "common/win/scoped_handles.h"

int main(int argc, char** argv) {
  if (argc < 2) return 0;
  UniqueHandle stop(OpenEventA(SYNCHRONIZE, FALSE, argv[1]));
  if (!stop) return 1;
  WaitForSingleObject(stop.get(), 120000);
  return 0;
}
