// The whole native UI layer in one include: what the plug-in's shell uses in place of AppKit,
// QuartzCore, Foundation and Text Input Sources.
#pragma once

#include "platform/AppKitConstants.h"
#include "platform/CALayer.h"
#include "platform/NSAutoreleasePool.h"
#include "platform/NSBundle.h"
#include "platform/NSCursor.h"
#include "platform/NSEvent.h"
#include "platform/NSGeometry.h"
#include "platform/NSGraphicsContext.h"
#include "platform/NSLog.h"
#include "platform/NSMutableData.h"
#include "platform/NSObject.h"
#include "platform/NSResponder.h"
#include "platform/NSSecureTextField.h"
#include "platform/NSString.h"
#include "platform/NSTypes.h"
#include "platform/NSView.h"
#include "platform/NSWindow.h"
#include "platform/TextInputSources.h"
#include "platform/mach_time.h"
