// The module's version text.
#include "plugin_state/PluginObject.h"

const char* const PluginVersion = "1600";
