#pragma once
// "/quit": asks the running instance to end as "退出" does (tray icon
// removed, a run in progress finished first) and waits for it. Installers
// use it before they replace or remove the program.

// 0 when no instance runs any more, 1 when one is still running after the
// wait.
int QuitRunningInstance();
