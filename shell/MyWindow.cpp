// The input panel's key-window answers.
#include "shell/MyWindow.h"

BOOL MyWindow::canBecomeKeyWindow() { return isActive(); }
BOOL MyWindow::isKeyWindow() { return isActive(); }
BOOL MyWindow::worksWhenModal() { return YES; }
BOOL MyWindow::acceptsMouseMovedEvents() { return YES; }
BOOL MyWindow::ignoresMouseEvents() { return NO; }
