/* Every NPAPI declaration of the project in one include: basic types and constants, scripting
   types, Cocoa events, the two function tables and the module entry points. */
#ifndef NPAPI_ALL_H
#define NPAPI_ALL_H

#include "npapi/basic_types.h"
#include "npapi/cocoa_events.h"
#include "npapi/entry_points.h"
#include "npapi/function_tables.h"
#include "npapi/runtime.h"

#endif
