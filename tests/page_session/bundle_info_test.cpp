// The bundle description as the page session reads it: the module's own Info.plist gives its
// name, version and MIME type; a missing or foreign file gives empty fields.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "page_session/BundleInfo.h"

namespace {

TEST(BundleInfo, ReadsTheModulesOwnDescription) {
  std::ifstream file(SPW_INFO_PLIST);
  std::stringstream text;
  text << file.rdbuf();
  pagesession::BundleInfo info = pagesession::parseBundleInfo(text.str());
  EXPECT_EQ(info.name, "Secure Password Field");
  EXPECT_EQ(info.version, "1600");
  EXPECT_EQ(info.mimeType, "application/x-secure-password");
  EXPECT_FALSE(info.description.empty());
  // The build copies it beside the module, where the session looks.
  EXPECT_EQ(pagesession::bundleInfoBeside(SPW_MODULE).mimeType, "application/x-secure-password");
}

TEST(BundleInfo, MissingOrForeignDescriptionGivesEmptyFields) {
  pagesession::BundleInfo info = pagesession::bundleInfoBeside("/nonexistent/dir/module.so");
  EXPECT_TRUE(info.name.empty());
  EXPECT_TRUE(info.mimeType.empty());
  info = pagesession::parseBundleInfo("<plist><dict><key>CFBundleName</key><string>X</string>");
  EXPECT_EQ(info.name, "X");
  EXPECT_TRUE(info.version.empty());
  EXPECT_TRUE(info.mimeType.empty());
}

}  // namespace
