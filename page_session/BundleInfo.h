// The bundle description a browser reads before it loads a plug-in (the Info.plist beside the
// module): the plug-in's name, description, version and the MIME type a page embeds it by. Used
// by the page session to introduce the plug-in and to embed it by its own type. Reads only the
// few string values it needs; a missing or unreadable file gives empty fields.
#pragma once

#include <string>

namespace pagesession {

struct BundleInfo {
  std::string name;
  std::string description;
  std::string version;
  std::string mimeType;  // the first type the bundle declares
};

// From the text of an Info.plist.
BundleInfo parseBundleInfo(const std::string& plist);
// From the Info.plist in the directory that holds the module; empty fields when there is none.
BundleInfo bundleInfoBeside(const std::string& modulePath);

}  // namespace pagesession
