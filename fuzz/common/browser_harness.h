// The browser side of the fuzz targets that drive the plug-in module: one browser per process with
// the built module loaded at first use and kept until exit, pages opened ready for typing, and
// the check, after every input, that the stand-in browser is back where it started (no allocator
// block, script object, native object, layer or input-source reference left, no fault, no log line
// but the focus line). Trace lines on standard output go to /dev/null so long runs stay quiet.
#pragma once

#include <cstdint>
#include <string>

#include "npapi_browser/testing/TestBrowser.h"

namespace fuzzing {

// The loaded browser (loaded by LLVMFuzzerInitialize, or at first use); aborts with the stand-in
// browser's reason when the module cannot be loaded (a broken build is not a finding of the input).
npapibrowser::TestBrowser& LoadedBrowser();

// Fresh per-input state: input sources as in a fresh process, captured log lines cleared.
void BeginInput();

// A running instance sized width by height, whose layer tree and script object the page has
// fetched, as a browser does before the user clicks in. Checks that the plug-in took every step.
npapibrowser::Page* OpenReadyPage(uint32_t width, uint32_t height);

// Checks that nothing is left alive in the stand-in browser (no page is open) and that every NSLog
// line of the input was the focus line; context describes the input for the failure message (and is
// written to standard error for every input when SPW_FUZZ_VERBOSE is set).
void CheckClean(const std::string& context);

// Closes the page, then CheckClean.
void CloseAndCheckClean(npapibrowser::Page* page, const std::string& context);

}  // namespace fuzzing
