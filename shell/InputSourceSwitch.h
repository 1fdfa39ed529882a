// Switching the keyboard to an ASCII-capable input source when the plug-in gains the focus, so a
// password is typed in plain characters. Used by the focus handling; the source chosen is not put
// back when the focus leaves. Missing sources are not errors: each step is skipped.
#pragma once

// Selects the current ASCII-capable keyboard source; only if that fails, the first of the list of
// ASCII-capable sources. Gives back every reference it took.
void selectASCIICapableInputSource();
