#include "app/client_detection_win.h"

// Until the Foxmail 7 writer lands the program finds no Foxmail 7.
bool IsFoxmail7Available() { return false; }
