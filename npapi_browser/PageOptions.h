// What a page of the stand-in browser answers the plug-in: the MIME type and attributes of the
// embedding element, the browser's answers to the plug-in's yes/no questions, and the location the
// window object gives. Set by whoever opens the page (Browser::openPage), read by the page, its
// window object and the browser's services.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "npapi/all.h"

namespace npapibrowser {

// A browser's answer to a yes/no question: yes, no, or an error result.
enum class Answer { Yes, No, Error };

struct PageOptions {
  std::string mimeType;  // the embedding element's type; the program names it
  std::vector<std::pair<std::string, std::string>> attributes;
  uint16_t mode = NP_EMBED;
  Answer coreAnimation = Answer::Yes;  // NPNVsupportsCoreAnimationBool
  Answer cocoaEvents = Answer::Yes;    // NPNVsupportsCocoaBool
  // What the window object's "eval" answers; with hasLocation false it fails.
  bool hasLocation = true;
  std::string location = "https://www.example.com/login.html";
};

}  // namespace npapibrowser
