#include "app/client_detection_win.h"
#include "clients/foxmail7/foxmail7_locate_win.h"

bool IsFoxmail7Available() { return IsFoxmail7Installed(); }
