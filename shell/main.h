// The plug-in as the browser sees it: the instance functions of the plug-in table (NP_Initialize,
// NP_GetEntryPoints and NP_Shutdown are in npapi/entry_points.h), the layer tree set-up, and two
// helpers nothing in the plug-in calls (ensureVersion, getCurrentUrl). Every instance function
// declines an instance without a record (or a null instance) instead of touching it.
#pragma once

#include <cstdint>

#include "npapi/all.h"

class NSString;
struct PluginObject;

NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[],
                char* argv[], NPSavedData* saved);
NPError NPP_Destroy(NPP instance, NPSavedData** save);
NPError NPP_SetWindow(NPP instance, NPWindow* window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                      uint16_t* stype);
NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
int32_t NPP_WriteReady(NPP instance, NPStream* stream);
int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
void NPP_Print(NPP instance, NPPrint* platformPrint);
int16_t NPP_HandleEvent(NPP instance, void* event);
void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);
NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value);
NPError NPP_SetValue(NPP instance, NPNVariable variable, void* value);

// Builds the layer tree once: a root layer holding the secure field's layer, the field as the
// panel's content view. Leaves rootLayer nil when no layer can be made.
void setupLayerHierarchy(PluginObject* obj);

// Whether the host application's bundle version (CFBundleVersion) is at least version; false when
// either is not a number (NaN) or version is null.
bool ensureVersion(const char* version);

// The page's location as the page's window object evaluates it, as an autoreleased string, or nil.
// Writes the trace "window.location = <location>" (no line end) to standard output.
NSString* getCurrentUrl(NPP instance);
