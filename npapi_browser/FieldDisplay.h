// What a secure field shows, read from the text its layer tree renders: how many bullets, and
// where the caret stands among them while the field is being edited. Never a character: the
// reader counts bullets (U+2022) and looks for the caret mark "|", and ignores everything else.
// Used by the native messaging host to answer each event with the field's display state.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace npapibrowser {

struct FieldDisplay {
  std::size_t length = 0;            // bullets shown
  std::optional<std::size_t> caret;  // bullets before the caret; none when no caret is shown
};

// Reads a layer text as Page::renderLayerText gives it. Trusts nothing in the text: any other
// bytes are skipped, and of several caret marks the first counts.
FieldDisplay ReadFieldDisplay(std::string_view layerText);

}  // namespace npapibrowser
