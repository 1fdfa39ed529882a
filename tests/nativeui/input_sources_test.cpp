// Text Input Sources over the registry: which source is current and ASCII-capable, selection and
// its failures, the list behaviours, and the counting of calls and references.
#include <gtest/gtest.h>

#include "nativeui/InputSourceRegistry.h"

class InputSourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TISRegistry::clear();
    TISRegistry::addSource("com.apple.keylayout.US", true);
    TISRegistry::addSource("com.apple.inputmethod.Kotoeri", false);
    TISRegistry::addSource("com.apple.keylayout.German", true);
  }
  void TearDown() override { TISRegistry::reset(); }
};

TEST_F(InputSourcesTest, FreshProcessHasOneCurrentAsciiSource) {
  TISRegistry::reset();
  TISInputSourceRef source = TISCopyCurrentASCIICapableKeyboardInputSource();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->sourceID(), "com.apple.keylayout.US");
  CFRelease(source);
}

TEST_F(InputSourcesTest, NoAsciiSourceEverCurrentGivesNull) {
  TISRegistry::setCurrent("com.apple.inputmethod.Kotoeri");
  EXPECT_EQ(TISCopyCurrentASCIICapableKeyboardInputSource(), nullptr);
  EXPECT_EQ(TISRegistry::counts().copyCurrentASCIICapable, 1u);
  EXPECT_EQ(TISRegistry::outstandingReferences(), 0);
}

TEST_F(InputSourcesTest, NonAsciiCurrentFallsBackToTheLastAsciiOne) {
  TISRegistry::setCurrent("com.apple.keylayout.German");
  TISRegistry::setCurrent("com.apple.inputmethod.Kotoeri");
  TISInputSourceRef source = TISCopyCurrentASCIICapableKeyboardInputSource();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->sourceID(), "com.apple.keylayout.German");
  EXPECT_EQ(TISSelectInputSource(source), noErr);
  EXPECT_EQ(TISRegistry::currentID(), "com.apple.keylayout.German");
  EXPECT_EQ(TISRegistry::selections(), std::vector<std::string>{"com.apple.keylayout.German"});
  CFRelease(source);
  EXPECT_EQ(TISRegistry::outstandingReferences(), 0);
}

TEST_F(InputSourcesTest, SelectionCanBeMadeToFail) {
  TISRegistry::setCurrent("com.apple.keylayout.US");
  TISRegistry::setSelectFails("com.apple.keylayout.US", true);
  TISInputSourceRef source = TISCopyCurrentASCIICapableKeyboardInputSource();
  EXPECT_EQ(TISSelectInputSource(source), paramErr);
  EXPECT_EQ(TISSelectInputSource(nullptr), paramErr);
  EXPECT_EQ(TISRegistry::counts().select, 2u);
  EXPECT_EQ(TISRegistry::counts().selectFailures, 2u);
  EXPECT_TRUE(TISRegistry::selections().empty());
  CFRelease(source);
}

TEST_F(InputSourcesTest, ListHoldsTheAsciiSourcesInOrder) {
  CFArrayRef list = TISCreateASCIICapableInputSourceList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(CFArrayGetCount(list), 2);
  auto first = (TISInputSourceRef)CFArrayGetValueAtIndex(list, 0);
  auto second = (TISInputSourceRef)CFArrayGetValueAtIndex(list, 1);
  EXPECT_EQ(first->sourceID(), "com.apple.keylayout.US");
  EXPECT_EQ(second->sourceID(), "com.apple.keylayout.German");
  EXPECT_EQ(CFArrayGetValueAtIndex(list, 2), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(list, -1), nullptr);
  EXPECT_EQ(TISRegistry::outstandingReferences(), 1);
  CFRelease(list);
  EXPECT_EQ(TISRegistry::outstandingReferences(), 0);
  TISCallCounts counts = TISRegistry::counts();
  EXPECT_EQ(counts.createASCIICapableList, 1u);
  EXPECT_EQ(counts.arrayGetCount, 1u);
  EXPECT_EQ(counts.arrayGetValue, 4u);
  EXPECT_EQ(counts.release, 1u);
}

TEST_F(InputSourcesTest, ListCanBeEmptyOrMissing) {
  TISRegistry::setListBehaviour(TISListBehaviour::Empty);
  CFArrayRef empty = TISCreateASCIICapableInputSourceList();
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(CFArrayGetCount(empty), 0);
  EXPECT_EQ(CFArrayGetValueAtIndex(empty, 0), nullptr);
  CFRelease(empty);
  TISRegistry::setListBehaviour(TISListBehaviour::Null);
  EXPECT_EQ(TISCreateASCIICapableInputSourceList(), nullptr);
  EXPECT_EQ(CFArrayGetCount(nullptr), 0);
  CFRelease(nullptr);
  EXPECT_EQ(TISRegistry::outstandingReferences(), 0);
}

TEST_F(InputSourcesTest, ListKeepsItsSourcesAliveAfterTheRegistryDropsThem) {
  CFArrayRef list = TISCreateASCIICapableInputSourceList();
  TISRegistry::clear();
  auto first = (TISInputSourceRef)CFArrayGetValueAtIndex(list, 0);
  EXPECT_EQ(first->sourceID(), "com.apple.keylayout.US");
  CFRelease(list);
}

TEST_F(InputSourcesTest, OverReleaseOfARegistrySourceIsRefused) {
  TISRegistry::setCurrent("com.apple.keylayout.US");
  TISInputSourceRef source = TISCopyCurrentASCIICapableKeyboardInputSource();
  CFRelease(source);
  CFRelease(source);  // one too many: the registry's own reference stays
  EXPECT_EQ(TISRegistry::counts().overRelease, 1u);
  EXPECT_EQ(TISRegistry::outstandingReferences(), 0);
  TISInputSourceRef again = TISCopyCurrentASCIICapableKeyboardInputSource();
  EXPECT_EQ(again, source);
  CFRelease(again);
}
