// The instance record: a zero-filled record starts empty, a window description is kept whole,
// and the version text is exactly "1600".
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "plugin_state/PluginObject.h"

TEST(PluginObject, FieldsAreInTheirOrder) {
  EXPECT_EQ(offsetof(PluginObject, npp), 0u);
  EXPECT_EQ(offsetof(PluginObject, npWindow), 8u);
  EXPECT_EQ(offsetof(PluginObject, panel), 48u);
  EXPECT_EQ(offsetof(PluginObject, textField), 56u);
  EXPECT_EQ(offsetof(PluginObject, rootLayer), 64u);
  EXPECT_EQ(offsetof(PluginObject, scriptObject), 72u);
}

TEST(PluginObject, ZeroFilledRecordStartsEmpty) {
  auto* record = static_cast<PluginObject*>(std::malloc(sizeof(PluginObject)));
  ASSERT_NE(record, nullptr);
  std::memset(record, 0, sizeof *record);
  EXPECT_EQ(record->panel, nullptr);
  EXPECT_EQ(record->textField, nullptr);
  EXPECT_EQ(record->rootLayer, nullptr);
  EXPECT_EQ(record->scriptObject, nullptr);
  EXPECT_EQ(record->npWindow.width, 0u);
  EXPECT_EQ(record->npWindow.height, 0u);
  std::free(record);
}

TEST(PluginObject, KeepsTheLastWindowDescriptionWhole) {
  PluginObject record{};
  NPWindow first{};
  first.x = 1;
  first.width = 100;
  first.clipRect.right = 100;
  first.type = NPWindowTypeWindow;
  record.npWindow = first;
  int marker = 0;
  NPWindow second{};
  second.window = &marker;
  second.x = 10;
  second.y = 20;
  second.width = 300;
  second.height = 24;
  second.clipRect = NPRect{1, 2, 3, 4};
  second.type = NPWindowTypeDrawable;
  record.npWindow = second;
  EXPECT_EQ(record.npWindow.window, &marker);
  EXPECT_EQ(record.npWindow.x, 10);
  EXPECT_EQ(record.npWindow.y, 20);
  EXPECT_EQ(record.npWindow.width, 300u);
  EXPECT_EQ(record.npWindow.height, 24u);
  EXPECT_EQ(record.npWindow.clipRect.top, 1);
  EXPECT_EQ(record.npWindow.clipRect.left, 2);
  EXPECT_EQ(record.npWindow.clipRect.bottom, 3);
  EXPECT_EQ(record.npWindow.clipRect.right, 4);
  EXPECT_EQ(record.npWindow.type, NPWindowTypeDrawable);
}

TEST(PluginObject, VersionIsExactly1600) {
  ASSERT_NE(PluginVersion, nullptr);
  EXPECT_STREQ(PluginVersion, "1600");
  EXPECT_EQ(std::strlen(PluginVersion), 4u);
}
