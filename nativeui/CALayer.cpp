// The layer tree.
#include "nativeui/CALayer.h"

#include <algorithm>

CALayer::CALayer() : NSObject(NSObjectKind::Layer) {}

CALayer::~CALayer() {
  for (CALayer* sublayer : _sublayers) {
    sublayer->_superlayer = nullptr;
    sublayer->release();
  }
}

CALayer* CALayer::layer() {
  CALayer* layer = alloc<CALayer>();
  if (layer != nullptr) layer->autorelease();
  return layer;
}

CATextLayer* CATextLayer::layer() {
  CATextLayer* layer = alloc<CATextLayer>();
  if (layer != nullptr) layer->autorelease();
  return layer;
}

void CALayer::addSublayer(CALayer* sublayer) {
  if (sublayer == nullptr) return;
  for (const CALayer* ancestor = this; ancestor != nullptr; ancestor = ancestor->_superlayer) {
    if (ancestor == sublayer) return;
  }
  sublayer->retain();
  sublayer->removeFromSuperlayer();
  _sublayers.push_back(sublayer);
  sublayer->_superlayer = this;
}

void CALayer::removeFromSuperlayer() {
  CALayer* parent = _superlayer;
  if (parent == nullptr) return;
  auto it = std::find(parent->_sublayers.begin(), parent->_sublayers.end(), this);
  if (it != parent->_sublayers.end()) parent->_sublayers.erase(it);
  _superlayer = nullptr;
  release();
}
