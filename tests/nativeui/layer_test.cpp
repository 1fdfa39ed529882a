// Layer trees: ownership of sublayers, moves, refused cycles, and the text rendering.
#include <gtest/gtest.h>

#include "nativeui/CALayer.h"
#include "nativeui/LayerText.h"
#include "nativeui/NSAutoreleasePool.h"

TEST(CALayer, SublayersAreRetainedUntilTheParentGoes) {
  NSUInteger before = NSLiveObjectCount(NSObjectKind::Layer);
  CALayer* root = nullptr;
  CATextLayer* text = nullptr;
  {
    NSAutoreleaseScope pool;
    root = NSRetain(CALayer::layer());
    text = CATextLayer::layer();
    root->addSublayer(text);
  }
  ASSERT_EQ(root->sublayers().size(), 1u);
  EXPECT_EQ(text->superlayer(), root);
  EXPECT_EQ(text->retainCount(), 1u);
  root->release();
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before);
}

TEST(CALayer, AddingMovesALayerAndRefusesCycles) {
  NSAutoreleaseScope pool;
  CALayer* a = CALayer::layer();
  CALayer* b = CALayer::layer();
  CALayer* child = CALayer::layer();
  a->addSublayer(child);
  b->addSublayer(child);
  EXPECT_TRUE(a->sublayers().empty());
  EXPECT_EQ(child->superlayer(), b);
  EXPECT_EQ(child->retainCount(), 2u);  // the pool's and b's
  child->addSublayer(b);                // b is child's ancestor
  child->addSublayer(child);
  child->addSublayer(nullptr);
  EXPECT_TRUE(child->sublayers().empty());
  child->removeFromSuperlayer();
  EXPECT_EQ(child->retainCount(), 1u);
}

TEST(LayerText, RendersTextLayersDepthFirst) {
  NSAutoreleaseScope pool;
  CALayer* root = CALayer::layer();
  CATextLayer* first = CATextLayer::layer();
  CATextLayer* second = CATextLayer::layer();
  first->setString("\xE2\x80\xA2\xE2\x80\xA2|");
  second->setString("two");
  root->addSublayer(first);
  root->addSublayer(second);
  EXPECT_EQ(CALayerRenderText(root), "\xE2\x80\xA2\xE2\x80\xA2|\ntwo");
  EXPECT_EQ(CALayerRenderText(nullptr), "");
  EXPECT_EQ(CALayerDescribeTree(root),
            "CALayer (0, 0, 0, 0)\n  CATextLayer (0, 0, 0, 0) \"\xE2\x80\xA2\xE2\x80\xA2|\"\n"
            "  CATextLayer (0, 0, 0, 0) \"two\"\n");
}
