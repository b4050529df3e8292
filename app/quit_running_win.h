#pragma once
// "/quit": asks the running instance to end as "退出" does (tray icon
// removed, a download given up, a run writing finished first) and waits
// for it, 30 minutes at most. Installers
// use it before they replace or remove the program.

// 0 when no instance runs any more, 1 when one is still running after the
// wait.
int QuitRunningInstance();
