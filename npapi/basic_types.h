/* NPAPI basic types and constants in their x86_64 macOS form: scalar types, the instance handle,
   streams, rectangles, the window description (macOS layout, no ws_info), error and reason codes,
   versions and the selector enums for the two getvalue/setvalue directions. C-compatible.
   Declarations only: nothing here checks a value at run time. */
#ifndef NPAPI_BASIC_TYPES_H
#define NPAPI_BASIC_TYPES_H

#include <stdbool.h>
#include <stdint.h>

#include "npapi/abi_check.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Versions ---------------------------------------------------------------------------- */

#define NP_VERSION_MAJOR 0
#define NP_VERSION_MINOR 29
/* The version word of both function tables: (major << 8) | minor. */
#define NP_TABLE_VERSION ((NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR)

#define NPVERS_HAS_STREAMOUTPUT 8
#define NPVERS_HAS_NOTIFICATION 9
#define NPVERS_HAS_LIVECONNECT 9
#define NPVERS_WIN16_HAS_LIVECONNECT 9
#define NPVERS_68K_HAS_LIVECONNECT 11
#define NPVERS_HAS_WINDOWLESS 11
#define NPVERS_HAS_XPCONNECT_SCRIPTING 13
#define NPVERS_HAS_NPRUNTIME_SCRIPTING 14
#define NPVERS_HAS_FORM_VALUES 15
#define NPVERS_HAS_POPUPS_ENABLED_STATE 16
#define NPVERS_HAS_RESPONSE_HEADERS 17
#define NPVERS_HAS_NPOBJECT_ENUM 18
#define NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL 19
#define NPVERS_HAS_ALL_NETWORK_STREAMS 20
#define NPVERS_HAS_URL_AND_AUTH_INFO 21
#define NPVERS_HAS_PRIVATE_MODE 22
#define NPVERS_MACOSX_HAS_COCOA_EVENTS 23
#define NPVERS_HAS_ADVANCED_KEY_HANDLING 25
#define NPVERS_HAS_URL_REDIRECT_HANDLING 26
#define NPVERS_HAS_CLEAR_SITE_DATA 27

/* ---- Scalar types ------------------------------------------------------------------------ */

typedef unsigned char NPBool;
typedef int16_t NPError;
typedef int16_t NPReason;
typedef char* NPMIMEType;
typedef char NPUTF8;

/* Platform objects passed through the interface by pointer only. On this platform the string
   object is the native UI layer's NSString and the window its NSWindow. */
#ifdef __cplusplus
class NSString;
class NSWindow;
typedef NSString NPNSString;
typedef NSWindow NPNSWindow;
#else
typedef struct NSString NPNSString;
typedef struct NSWindow NPNSWindow;
#endif
typedef struct NPNSMenu NPNSMenu;
typedef NPNSMenu NPMenu;
typedef void* NPRegion;
typedef struct CGPath* NPCGRegion;
typedef struct CGContext* CGContextRef;

/* ---- Instance handle --------------------------------------------------------------------- */

typedef struct NPP_t {
  void* pdata; /* the plug-in's own pointer */
  void* ndata; /* the browser's own pointer */
} NPP_t;
typedef NPP_t* NPP;

NPAPI_ABI_CHECK(sizeof(NPP_t) == 16, "NPP_t is 16 bytes");

/* ---- Streams and saved data -------------------------------------------------------------- */

typedef struct NPStream {
  void* pdata;
  void* ndata;
  const char* url;
  uint32_t end;
  uint32_t lastmodified;
  void* notifyData;
  const char* headers; /* version >= NPVERS_HAS_RESPONSE_HEADERS, HTTP only */
} NPStream;

typedef struct NPByteRange {
  int32_t offset; /* negative: from the end */
  uint32_t length;
  struct NPByteRange* next;
} NPByteRange;

typedef struct NPSavedData {
  int32_t len;
  void* buf;
} NPSavedData;

NPAPI_ABI_CHECK(sizeof(NPStream) == 48, "NPStream is 48 bytes");
NPAPI_ABI_CHECK(offsetof(NPStream, headers) == 40, "NPStream.headers at 40");
NPAPI_ABI_CHECK(sizeof(NPByteRange) == 16, "NPByteRange is 16 bytes");
NPAPI_ABI_CHECK(sizeof(NPSavedData) == 16, "NPSavedData is 16 bytes");
NPAPI_ABI_CHECK(offsetof(NPSavedData, buf) == 8, "NPSavedData.buf at 8");

/* ---- Geometry ---------------------------------------------------------------------------- */

/* Edges, not width and height; all unsigned 16-bit. */
typedef struct NPRect {
  uint16_t top;
  uint16_t left;
  uint16_t bottom;
  uint16_t right;
} NPRect;

typedef struct NPSize {
  int32_t width;
  int32_t height;
} NPSize;

NPAPI_ABI_CHECK(sizeof(NPRect) == 8, "NPRect is 8 bytes");
NPAPI_ABI_CHECK(offsetof(NPRect, right) == 6, "NPRect.right at 6");
NPAPI_ABI_CHECK(sizeof(NPSize) == 8, "NPSize is 8 bytes");

typedef enum { NPWindowTypeWindow = 1, NPWindowTypeDrawable = 2 } NPWindowType;

/* The macOS window description: 40 bytes, no ws_info member (that is the Unix form). */
typedef struct NPWindow {
  void* window; /* Core Animation model: null */
  int32_t x;
  int32_t y;
  uint32_t width;
  uint32_t height;
  NPRect clipRect;
  NPWindowType type;
} NPWindow;

NPAPI_ABI_CHECK(sizeof(NPWindowType) == 4, "enums are 4 bytes");
NPAPI_ABI_CHECK(sizeof(NPWindow) == 40, "NPWindow is the 40-byte macOS form");
NPAPI_ABI_CHECK(offsetof(NPWindow, x) == 8, "NPWindow.x at 8");
NPAPI_ABI_CHECK(offsetof(NPWindow, width) == 16, "NPWindow.width at 16");
NPAPI_ABI_CHECK(offsetof(NPWindow, clipRect) == 24, "NPWindow.clipRect at 24");
NPAPI_ABI_CHECK(offsetof(NPWindow, type) == 32, "NPWindow.type at 32");

/* Core Graphics drawing model: what NPWindow.window points to. */
typedef struct NP_CGContext {
  CGContextRef context;
  NPNSWindow* window;
} NP_CGContext;

NPAPI_ABI_CHECK(sizeof(NP_CGContext) == 16, "NP_CGContext is 16 bytes");

/* Printing is never used; only a pointer to it is passed. */
typedef struct NPPrint NPPrint;

/* ---- Small enums ------------------------------------------------------------------------- */

typedef enum { NPFocusNext = 0, NPFocusPrevious = 1 } NPFocusDirection;

typedef enum {
  NPCoordinateSpacePlugin = 1,
  NPCoordinateSpaceWindow = 2,
  NPCoordinateSpaceFlippedWindow = 3,
  NPCoordinateSpaceScreen = 4,
  NPCoordinateSpaceFlippedScreen = 5
} NPCoordinateSpace;

typedef enum { NPNURLVCookie = 501, NPNURLVProxy = 502 } NPNURLVariable;

typedef enum {
  NPDrawingModelDUMMY = 0,
  NPDrawingModelCoreGraphics = 1,
  NPDrawingModelOpenGL = 2,
  NPDrawingModelCoreAnimation = 3,
  NPDrawingModelInvalidatingCoreAnimation = 4
} NPDrawingModel;

typedef enum { NPEventModelCocoa = 1 } NPEventModel;

NPAPI_ABI_CHECK(sizeof(NPFocusDirection) == 4, "enums are 4 bytes");
NPAPI_ABI_CHECK(sizeof(NPDrawingModel) == 4, "enums are 4 bytes");

/* ---- Error, reason, mode and stream constants -------------------------------------------- */

#define NPERR_BASE 0
#define NPERR_NO_ERROR 0
#define NPERR_GENERIC_ERROR 1
#define NPERR_INVALID_INSTANCE_ERROR 2
#define NPERR_INVALID_FUNCTABLE_ERROR 3
#define NPERR_MODULE_LOAD_FAILED_ERROR 4
#define NPERR_OUT_OF_MEMORY_ERROR 5
#define NPERR_INVALID_PLUGIN_ERROR 6
#define NPERR_INVALID_PLUGIN_DIR_ERROR 7
#define NPERR_INCOMPATIBLE_VERSION_ERROR 8
#define NPERR_INVALID_PARAM 9
#define NPERR_INVALID_URL 10
#define NPERR_FILE_NOT_FOUND 11
#define NPERR_NO_DATA 12
#define NPERR_STREAM_NOT_SEEKABLE 13
#define NPERR_TIME_RANGE_NOT_SUPPORTED 14
#define NPERR_MALFORMED_SITE 15

#define NPRES_BASE 0
#define NPRES_DONE 0
#define NPRES_NETWORK_ERR 1
#define NPRES_USER_BREAK 2

#define NP_EMBED 1
#define NP_FULL 2

#define NP_NORMAL 1
#define NP_SEEK 2
#define NP_ASFILE 3
#define NP_ASFILEONLY 4

#define NP_MAXREADY 0x7FFFFFFF

#define kNPEventNotHandled 0
#define kNPEventHandled 1
#define kNPEventStartIME 2

#define NP_CLEAR_ALL 0
#define NP_CLEAR_CACHE (1 << 0)

/* ---- Selector enums ---------------------------------------------------------------------- */

/* ORed into the five legacy selectors on macOS. */
#define NP_ABI_MASK 0x01000000

/* Variables the browser asks of the plug-in (its getvalue); a few also go to browser setvalue. */
typedef enum {
  NPPVpluginNameString = 1,
  NPPVpluginDescriptionString = 2,
  NPPVpluginWindowBool = 3,
  NPPVpluginTransparentBool = 4,
  NPPVjavaClass = 5,
  NPPVpluginWindowSize = 6,
  NPPVpluginTimerInterval = 7,
  NPPVpluginScriptableInstance = (10 | NP_ABI_MASK),
  NPPVpluginScriptableIID = 11,
  NPPVjavascriptPushCallerBool = 12,
  NPPVpluginKeepLibraryInMemory = 13,
  NPPVpluginNeedsXEmbed = 14,
  NPPVpluginScriptableNPObject = 15,
  NPPVformValue = 16,
  NPPVpluginUrlRequestsDisplayedBool = 17,
  NPPVpluginWantsAllNetworkStreams = 18,
  NPPVpluginNativeAccessibleAtkPlugId = 19,
  NPPVpluginCancelSrcStream = 20,
  NPPVsupportsAdvancedKeyHandling = 21,
  NPPVpluginUsesDOMForCursorBool = 22,
  NPPVpluginDrawingModel = 1000,
  NPPVpluginEventModel = 1001,
  NPPVpluginCoreAnimationLayer = 1003,
  NPPVpluginIsPlayingAudio = 4000
} NPPVariable;

/* Variables the plug-in asks of the browser (browser getvalue). */
typedef enum {
  NPNVxDisplay = 1,
  NPNVxtAppContext = 2,
  NPNVnetscapeWindow = 3,
  NPNVjavascriptEnabledBool = 4,
  NPNVasdEnabledBool = 5,
  NPNVisOfflineBool = 6,
  NPNVserviceManager = (10 | NP_ABI_MASK),
  NPNVDOMElement = (11 | NP_ABI_MASK),
  NPNVDOMWindow = (12 | NP_ABI_MASK),
  NPNVToolkit = (13 | NP_ABI_MASK),
  NPNVSupportsXEmbedBool = 14,
  NPNVWindowNPObject = 15,
  NPNVPluginElementNPObject = 16,
  NPNVSupportsWindowless = 17,
  NPNVprivateModeBool = 18,
  NPNVsupportsAdvancedKeyHandling = 21,
  NPNVdocumentOrigin = 22,
  NPNVCSSZoomFactor = 23,
  NPNVpluginDrawingModel = 1000,
  NPNVcontentsScaleFactor = 1001,
  NPNVsupportsCoreGraphicsBool = 2001,
  NPNVsupportsOpenGLBool = 2002,
  NPNVsupportsCoreAnimationBool = 2003,
  NPNVsupportsInvalidatingCoreAnimationBool = 2004,
  NPNVsupportsAsyncBitmapSurfaceBool = 2007,
  NPNVsupportsCocoaBool = 3001,
  NPNVsupportsUpdatedCocoaTextInputBool = 3002,
  NPNVmuteAudioBool = 4000,
  NPNVsupportsCompositingCoreAnimationPluginsBool = 74656,
  NPNVLast = 74657
} NPNVariable;

NPAPI_ABI_CHECK(sizeof(NPPVariable) == 4, "enums are 4 bytes");
NPAPI_ABI_CHECK(sizeof(NPNVariable) == 4, "enums are 4 bytes");

NPAPI_ABI_CHECK(sizeof(NPBool) == 1, "NPBool is 1 byte");
NPAPI_ABI_CHECK(sizeof(NPError) == 2, "NPError is 2 bytes");
NPAPI_ABI_CHECK(sizeof(NPReason) == 2, "NPReason is 2 bytes");
NPAPI_ABI_CHECK(sizeof(bool) == 1, "bool is 1 byte");

#ifdef __cplusplus
}
#endif

#endif
