// The ASCII-capable input source switch.
#include "shell/InputSourceSwitch.h"

#include "nativeui/TextInputSources.h"

void selectASCIICapableInputSource() {
  TISInputSourceRef current = TISCopyCurrentASCIICapableKeyboardInputSource();
  if (current == nullptr) return;
  if (TISSelectInputSource(current) != noErr) {
    CFArrayRef sources = TISCreateASCIICapableInputSourceList();
    if (sources != nullptr) {
      if (CFArrayGetCount(sources) > 0) {
        auto first = (TISInputSourceRef)CFArrayGetValueAtIndex(sources, 0);
        if (first != nullptr) TISSelectInputSource(first);
      }
      CFRelease(sources);
    }
  }
  CFRelease(current);
}
