// The whole native UI layer in one include: what the plug-in's shell uses in place of AppKit,
// QuartzCore, Foundation and Text Input Sources.
#pragma once

#include "nativeui/AppKitConstants.h"
#include "nativeui/CALayer.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSBundle.h"
#include "nativeui/NSCursor.h"
#include "nativeui/NSEvent.h"
#include "nativeui/NSGeometry.h"
#include "nativeui/NSGraphicsContext.h"
#include "nativeui/NSLog.h"
#include "nativeui/NSMutableData.h"
#include "nativeui/NSObject.h"
#include "nativeui/NSResponder.h"
#include "nativeui/NSSecureTextField.h"
#include "nativeui/NSString.h"
#include "nativeui/NSTypes.h"
#include "nativeui/NSView.h"
#include "nativeui/NSWindow.h"
#include "nativeui/TextInputSources.h"
#include "nativeui/mach_time.h"
