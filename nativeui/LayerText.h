// Renders a layer tree as text for a terminal page: the stand-in browser's version of the real
// compositor. Only text layers show anything; the tree is walked depth first. Null gives "".
#pragma once

#include <string>

class CALayer;

// The strings of the text layers in the tree, one line each, in depth-first order.
std::string CALayerRenderText(const CALayer* root);
// The tree's structure: one line per layer, indented by depth, with class, frame and any text.
std::string CALayerDescribeTree(const CALayer* root);
