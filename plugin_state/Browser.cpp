// The browser's function table, set by NP_Initialize.
#include "plugin_state/Browser.h"

NPNetscapeFuncs* browser = nullptr;
