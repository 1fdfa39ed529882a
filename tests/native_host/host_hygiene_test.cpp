// Secret hygiene of the native host's own work, in this process with the built plug-in module:
// after requests that carry a password typed in one key event (as an input method commits it)
// and page data given to "EncodeData", and their replies, no copy of either may remain in heap
// memory the C library hands out again (message buffers, parsed values, the parser's own token
// buffers, replies), nor, in any form the encoder makes of it, on the dead stack the handling of
// those messages and of "GetPassword" left.
#include <gtest/gtest.h>

#include <string>

#include "native_host/Dispatcher.h"
#include "native_host/Json.h"
#include "nativeui/NSLog.h"
#include "npapi_browser/Browser.h"
#include "tests/hygiene/secret_scan.h"

namespace {

constexpr char kTyped[] = "Gf4]hK7[jN0;mQ3:pT6<sW9>vZ2?yC5/";
constexpr char kPageData[] = "Lr8|oU1`rX4-uA7.xD0,aG3'dJ6|gM9~";

TEST(NativeHostHygiene, NoCopyOfTypedTextOrPageDataStaysInTheHeap) {
  NSLogSetEchoToStandardError(false);
  // The scanner's own copies of the secrets live to the end, so they are never found freed.
  const hygiene::Secret typedSecret(kTyped, true), pageDataSecret(kPageData, true);
  npapibrowser::Browser browser;
  ASSERT_TRUE(browser.load(SPW_MODULE)) << browser.lastError();
  {
    nativehost::Dispatcher dispatcher(browser);
    nativehost::JsonString reply;
    auto handle = [&](const std::string& message) {
      dispatcher.handle(message, &reply);
      EXPECT_NE(reply.find("\"ok\":true"), nativehost::JsonString::npos) << message;
      nativehost::WipeString(reply);
    };
    handle(
        "{\"id\":1,\"op\":\"new\",\"instance\":\"f\",\"mimeType\":\"application/"
        "x-secure-password\",\"width\":240,\"height\":28}");
    handle(
        "{\"id\":2,\"op\":\"event\",\"instance\":\"f\",\"event\":{\"type\":\"focusChanged\","
        "\"hasFocus\":true}}");
    // Built in place, so no temporary copy of the secrets is freed unwiped by the test itself.
    std::string typed, data;
    typed.reserve(256);
    data.reserve(256);
    typed += "{\"id\":3,\"op\":\"event\",\"instance\":\"f\",\"event\":{\"type\":\"keyDown\",";
    typed += "\"characters\":\"";
    typed += kTyped;
    typed += "\"}}";
    hygiene::Finding found = hygiene::LeavesOnStack(typedSecret, [&] { handle(typed); });
    EXPECT_FALSE(found) << "after the key: " << found;
    EXPECT_FALSE(hygiene::ReusedHeapHolds(typedSecret)) << "after the key";
    data += "{\"id\":4,\"op\":\"call\",\"instance\":\"f\",\"method\":\"EncodeData\",\"args\":[\"";
    data += kPageData;
    data += "\"]}";
    found = hygiene::LeavesOnStack(pageDataSecret, [&] { handle(data); });
    EXPECT_FALSE(found) << "after EncodeData: " << found;
    EXPECT_FALSE(hygiene::ReusedHeapHolds(pageDataSecret)) << "after EncodeData";
    found = hygiene::LeavesOnStack(typedSecret, [&] {
      handle("{\"id\":5,\"op\":\"call\",\"instance\":\"f\",\"method\":\"GetPassword\"}");
    });
    EXPECT_FALSE(found) << "after GetPassword: " << found;
    handle("{\"id\":6,\"op\":\"call\",\"instance\":\"f\",\"method\":\"Clearpassword\"}");
    handle("{\"id\":7,\"op\":\"destroy\",\"instance\":\"f\"}");
    // The requests themselves go, wiped, as the serving loop's buffer does.
    nativehost::WipeString(typed);
    nativehost::WipeString(data);
  }
  EXPECT_FALSE(hygiene::ReusedHeapHolds(typedSecret));
  EXPECT_FALSE(hygiene::ReusedHeapHolds(pageDataSecret));
  EXPECT_TRUE(browser.unload().clean());
}

}  // namespace
