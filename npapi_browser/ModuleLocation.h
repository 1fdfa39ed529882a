// Where a program built on the stand-in browser finds the plug-in module by default: the page
// session and the native messaging host both look beside their own executable first (an
// installed layout), then at the path the build gave them.
#pragma once

#include <string>

namespace npapibrowser {

// "libsecurepassword.so" in the folder of the running executable when such a file exists there;
// otherwise fallback.
std::string ModuleBesideExecutable(const std::string& fallback);

}  // namespace npapibrowser
