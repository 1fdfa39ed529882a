// Reading the display state out of a layer text.
#include "npapi_browser/FieldDisplay.h"

namespace npapibrowser {

FieldDisplay ReadFieldDisplay(std::string_view text) {
  constexpr std::string_view kBullet = "\xE2\x80\xA2";
  FieldDisplay display;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, kBullet.size(), kBullet) == 0) {
      ++display.length;
      i += kBullet.size();
      continue;
    }
    if (text[i] == '|' && !display.caret) display.caret = display.length;
    ++i;
  }
  return display;
}

}  // namespace npapibrowser
