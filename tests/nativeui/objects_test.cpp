// Reference counting, live counters and autorelease pools.
#include <gtest/gtest.h>

#include "nativeui/CALayer.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSObject.h"

TEST(NSObject, LastReleaseDestroysAndCountersFollow) {
  NSUInteger before = NSLiveObjectCount(NSObjectKind::Layer);
  NSUInteger totalBefore = NSLiveObjectTotal();
  CALayer* layer = nullptr;
  {
    NSAutoreleaseScope pool;
    layer = NSRetain(CALayer::layer());
  }
  EXPECT_EQ(layer->retainCount(), 1u);
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before + 1);
  EXPECT_EQ(layer->retain(), layer);
  layer->release();
  EXPECT_EQ(NSLiveObjectTotal(), totalBefore + 1);
  layer->release();
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before);
  EXPECT_EQ(NSLiveObjectTotal(), totalBefore);
}

TEST(NSObject, ReleasingNilDoesNothing) {
  NSRelease(nullptr);
  EXPECT_EQ(NSRetain<CALayer>(nullptr), nullptr);
}

TEST(NSAutoreleasePool, DrainReleasesWhatWasAutoreleased) {
  NSUInteger before = NSLiveObjectCount(NSObjectKind::Layer);
  NSAutoreleasePool* pool = NSAutoreleasePool::push();
  CALayer::layer();
  CALayer::layer();
  EXPECT_EQ(NSAutoreleasePool::pendingCount(), 2u);
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before + 2);
  pool->drain();
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before);
  EXPECT_EQ(NSAutoreleasePool::depth(), 0u);
}

TEST(NSAutoreleasePool, DrainingAnOuterPoolDrainsTheInnerOnes) {
  NSUInteger before = NSLiveObjectCount(NSObjectKind::Layer);
  NSAutoreleasePool* outer = NSAutoreleasePool::push();
  CALayer* kept = NSRetain(CALayer::layer());
  NSAutoreleasePool::push();
  CALayer::layer();
  EXPECT_EQ(NSAutoreleasePool::depth(), 2u);
  outer->drain();
  EXPECT_EQ(NSAutoreleasePool::depth(), 0u);
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before + 1);
  kept->release();
}

TEST(NSAutoreleasePool, InnerPoolFreesTemporariesBeforeTheOuterDrains) {
  NSAutoreleaseScope outer;
  NSUInteger before = NSLiveObjectCount(NSObjectKind::Layer);
  {
    NSAutoreleaseScope inner;
    CALayer::layer();
    EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before + 1);
  }
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before);
}

TEST(NSAutoreleasePool, AutoreleaseWithoutAPoolIsCountedNotLost) {
  ASSERT_EQ(NSAutoreleasePool::depth(), 0u);
  NSUInteger before = NSLiveObjectCount(NSObjectKind::Layer);
  NSUInteger noPool = NSAutoreleasePool::noPoolCount();
  CALayer::layer();
  EXPECT_EQ(NSAutoreleasePool::noPoolCount(), noPool + 1);
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before + 1);
  NSAutoreleasePool::drainLeftovers();
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::Layer), before);
}
