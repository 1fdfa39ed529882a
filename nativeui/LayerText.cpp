// Text rendering of layer trees.
#include "nativeui/LayerText.h"

#include <cstdio>

#include "nativeui/CALayer.h"

namespace {

void render(const CALayer* layer, std::string* out) {
  if (const auto* text = dynamic_cast<const CATextLayer*>(layer)) {
    if (!out->empty()) out->push_back('\n');
    out->append(text->string());
  }
  for (const CALayer* sublayer : layer->sublayers()) render(sublayer, out);
}

void describe(const CALayer* layer, int depth, std::string* out) {
  char line[160];
  NSRect f = layer->frame();
  std::snprintf(line, sizeof line, "%*s%s (%g, %g, %g, %g)", depth * 2, "", layer->className(),
                f.origin.x, f.origin.y, f.size.width, f.size.height);
  out->append(line);
  if (const auto* text = dynamic_cast<const CATextLayer*>(layer)) {
    out->append(" \"");
    out->append(text->string());
    out->append("\"");
  }
  out->push_back('\n');
  for (const CALayer* sublayer : layer->sublayers()) describe(sublayer, depth + 1, out);
}

}  // namespace

std::string CALayerRenderText(const CALayer* root) {
  std::string out;
  if (root != nullptr) render(root, &out);
  return out;
}

std::string CALayerDescribeTree(const CALayer* root) {
  std::string out;
  if (root != nullptr) describe(root, 0, &out);
  return out;
}
