/* The three module entry points a browser resolves in a macOS-style plug-in module, with C
   linkage, and the pointer types a host uses to call them after dlsym. NP_Initialize comes first
   and hands over the browser's table; NP_GetEntryPoints then fills the plug-in's table. */
#ifndef NPAPI_ENTRY_POINTS_H
#define NPAPI_ENTRY_POINTS_H

#include "npapi/basic_types.h"
#include "npapi/function_tables.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef NPError (*NP_InitializeFunc)(NPNetscapeFuncs* browserFuncs);
typedef NPError (*NP_GetEntryPointsFunc)(NPPluginFuncs* pluginFuncs);
typedef NPError (*NP_ShutdownFunc)(void);

#define NP_INITIALIZE_SYMBOL "NP_Initialize"
#define NP_GET_ENTRY_POINTS_SYMBOL "NP_GetEntryPoints"
#define NP_SHUTDOWN_SYMBOL "NP_Shutdown"

NPError NP_Initialize(NPNetscapeFuncs* browserFuncs);
NPError NP_GetEntryPoints(NPPluginFuncs* pluginFuncs);
NPError NP_Shutdown(void);

#ifdef __cplusplus
}
#endif

#endif
