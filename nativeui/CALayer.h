// Core Animation layers: a tree of reference-counted layers with a frame, and CATextLayer, a
// layer that shows one line of text. The browser composites the tree the plug-in hands it; here
// the stand-in browser renders it as text (LayerText.h). A layer retains its sublayers and knows
// its superlayer without retaining it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "nativeui/NSGeometry.h"
#include "nativeui/NSObject.h"

class CALayer : public NSObject {
 public:
  // A new, autoreleased layer (the caller retains it to keep it), or nil.
  static CALayer* layer();

  // Retains the sublayer and adds it last; a layer that already has a superlayer is moved. A nil
  // layer, the layer itself or one of its ancestors is refused.
  void addSublayer(CALayer* sublayer);
  void removeFromSuperlayer();
  const std::vector<CALayer*>& sublayers() const { return _sublayers; }
  CALayer* superlayer() const { return _superlayer; }

  NSRect frame() const { return _frame; }
  void setFrame(NSRect frame) { _frame = frame; }

  const char* className() const override { return "CALayer"; }

 protected:
  CALayer();
  ~CALayer() override;

 private:
  std::vector<CALayer*> _sublayers;
  CALayer* _superlayer = nullptr;
  NSRect _frame = NSZeroRect;

  friend class NSObject;
};

class CATextLayer : public CALayer {
 public:
  // A new, autoreleased text layer, or nil.
  static CATextLayer* layer();

  // The text shown, UTF-8.
  const std::string& string() const { return _string; }
  void setString(std::string text) { _string = std::move(text); }

  const char* className() const override { return "CATextLayer"; }

 protected:
  CATextLayer() = default;
  ~CATextLayer() override = default;

 private:
  std::string _string;

  friend class NSObject;
};
