#pragma once
// "/sync": one run like an automatic one, without any message box; the
// result text goes to standard output. Returns the process exit code:
// 0 when the run succeeded, 1 otherwise.

int RunOneShotSync();
