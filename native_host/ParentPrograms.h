// The programs of the native host's parent processes, nearest first: the browser that started
// it, or a launcher and then the browser. Used by main() to tell which browser's policies apply
// (SitePolicy.h). Linux: /proc.
#pragma once

#include <string>
#include <vector>

namespace nativehost {

// Up to `levels` programs (absolute paths as the kernel gives them); fewer when the chain ends or
// cannot be read.
std::vector<std::string> ParentPrograms(int levels = 4);

}  // namespace nativehost
