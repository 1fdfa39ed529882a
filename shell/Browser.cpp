// The browser's function table, set by NP_Initialize.
#include "shell/Browser.h"

NPNetscapeFuncs* browser = nullptr;
