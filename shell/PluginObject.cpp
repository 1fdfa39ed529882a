// The module's version text.
#include "shell/PluginObject.h"

const char* const PluginVersion = "1600";
