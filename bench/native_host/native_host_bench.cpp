// Cost of the native browser's work inside the program, with the built plug-in module: one key
// message handled (parse, Cocoa event, display answer), a field created ("new": NPP_New, window,
// layer, script object), and the memory one more field takes (heap in use, from the allocator,
// and resident size), each against the goals: at most 20 us a key, 5 ms a field, 64 KB a field
// beyond the first. The JSON work alone on the same key message (parse, and dump of the reply)
// is the peer the key message's ratio is measured against.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/ratio_reporter.h"
#include "native_host/Dispatcher.h"
#include "native_host/Json.h"
#include "nativeui/NSLog.h"
#include "npapi_browser/Browser.h"

namespace {

using nativehost::Dispatcher;
using nativehost::Json;
using nativehost::JsonString;

npapibrowser::Browser& LoadedBrowser() {
  static npapibrowser::Browser* browser = [] {
    NSLogSetEchoToStandardError(false);
    NSLogSetSystemLog(false);
    auto* loaded = new npapibrowser::Browser();  // kept to the end, as in the program
    if (!loaded->load(SPW_MODULE)) {
      std::fprintf(stderr, "cannot load %s: %s\n", SPW_MODULE, loaded->lastError().c_str());
      std::exit(1);
    }
    return loaded;
  }();
  return *browser;
}

std::string NewMessage(const std::string& instance) {
  return "{\"id\":1,\"op\":\"new\",\"instance\":\"" + instance +
         "\",\"mimeType\":\"application/x-secure-password\",\"attributes\":{\"type\":"
         "\"application/x-secure-password\",\"width\":\"240\",\"height\":\"28\"},\"width\":240,"
         "\"height\":28,\"location\":\"https://www.example.com/login.html\"}";
}

std::string KeyMessage(const char* type, const char* characters, int keyCode) {
  return std::string("{\"id\":7,\"op\":\"event\",\"instance\":\"field\",\"event\":{\"type\":\"") +
         type + "\",\"characters\":\"" + characters + "\",\"charactersIgnoringModifiers\":\"" +
         characters + "\",\"keyCode\":" + std::to_string(keyCode) + ",\"modifierFlags\":0}}";
}

std::string FocusMessage(const std::string& instance) {
  return "{\"id\":2,\"op\":\"event\",\"instance\":\"" + instance +
         "\",\"event\":{\"type\":\"focusChanged\",\"hasFocus\":true}}";
}

// A typed character and Backspace, key down and up each, so the field neither fills nor empties.
const std::vector<std::string>& KeyCycle() {
  static const std::vector<std::string> cycle = {
      KeyMessage("keyDown", "k", 40), KeyMessage("keyUp", "k", 40),
      KeyMessage("keyDown", "\\u007f", 51), KeyMessage("keyUp", "\\u007f", 51)};
  return cycle;
}

void Expect(Dispatcher& dispatcher, const std::string& message, benchmark::State& state) {
  JsonString reply;
  dispatcher.handle(message, &reply);
  if (reply.find("\"ok\":true") == JsonString::npos) {
    state.SkipWithError(("refused: " + std::string(reply.data(), reply.size())).c_str());
  }
}

void BM_KeyMessage(benchmark::State& state) {
  Dispatcher dispatcher(LoadedBrowser());
  Expect(dispatcher, NewMessage("field"), state);
  Expect(dispatcher, FocusMessage("field"), state);
  for (int i = 0; i < 3; ++i) Expect(dispatcher, KeyMessage("keyDown", "p", 35), state);
  const auto& cycle = KeyCycle();
  JsonString reply;
  std::size_t next = 0;
  for (auto _ : state) {
    dispatcher.handle(cycle[next], &reply);
    benchmark::DoNotOptimize(reply.data());
    next = (next + 1) % cycle.size();
  }
  state.SetItemsProcessed(state.iterations());
  dispatcher.closeAll();
}
BENCHMARK(BM_KeyMessage)->Repetitions(5);

// The peer: the JSON work alone on the same messages, a parse and the dump of a reply of the
// same shape.
void BM_JsonOfKeyMessage(benchmark::State& state) {
  const auto& cycle = KeyCycle();
  std::size_t next = 0;
  for (auto _ : state) {
    Json request = Json::parse(cycle[next], nullptr, false);
    Json reply = Json::object();
    reply["id"] = request["id"];
    reply["ok"] = true;
    reply["handled"] = true;
    reply["display"] = Json::object();
    reply["display"]["length"] = 3;
    reply["display"]["caret"] = 3;
    JsonString text = reply.dump();
    benchmark::DoNotOptimize(text.data());
    next = (next + 1) % cycle.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_JsonOfKeyMessage)->Repetitions(5);

// "new" alone is timed; the destroy that keeps the connection at one field is not.
void BM_FieldCreated(benchmark::State& state) {
  Dispatcher dispatcher(LoadedBrowser());
  const std::string create = NewMessage("field");
  const std::string destroy = "{\"id\":9,\"op\":\"destroy\",\"instance\":\"field\"}";
  JsonString reply;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    dispatcher.handle(create, &reply);
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    dispatcher.handle(destroy, &reply);
  }
}
BENCHMARK(BM_FieldCreated)->UseManualTime()->Repetitions(5);

struct FieldMemory {
  double heapBytes = -1;      // per field beyond the first, from the allocator's bytes in use
  double residentBytes = -1;  // the same from the resident size
};
FieldMemory gFieldMemory;

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

std::size_t Resident() {
  long pages = 0, resident = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Fields as a page uses them: created, focused and typed into (eight characters). The first
// field pays for what every field shares; the next 32 are measured.
void BM_MemoryPerField(benchmark::State& state) {
  constexpr int kMeasured = 32;
  for (auto _ : state) {
    Dispatcher dispatcher(LoadedBrowser(), kMeasured + 1);
    auto open = [&](int n) {
      const std::string instance = "field" + std::to_string(n);
      Expect(dispatcher, NewMessage(instance), state);
      Expect(dispatcher, FocusMessage(instance), state);
      for (int i = 0; i < 8; ++i) {
        std::string key = KeyMessage("keyDown", "m", 46);
        key.replace(key.find("\"field\""), 7, "\"" + instance + "\"");
        Expect(dispatcher, key, state);
      }
    };
    open(0);
    malloc_trim(0);
    const std::size_t heapBefore = HeapInUse();
    const std::size_t residentBefore = Resident();
    for (int n = 1; n <= kMeasured; ++n) open(n);
    gFieldMemory.heapBytes = static_cast<double>(HeapInUse() - heapBefore) / kMeasured;
    gFieldMemory.residentBytes =
        static_cast<double>(Resident() - residentBefore) / static_cast<double>(kMeasured);
    state.counters["heap_per_field"] = gFieldMemory.heapBytes;
    state.counters["resident_per_field"] = gFieldMemory.residentBytes;
    dispatcher.closeAll();
  }
}
BENCHMARK(BM_MemoryPerField)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  const int status =
      benchsupport::RunWithRatios(argc, argv, benchsupport::Clock::Real, [](const auto& r) {
        r.PrintHeading("Ratios");
        r.PrintRatio("key message handled / its JSON work alone", "BM_KeyMessage",
                     "BM_JsonOfKeyMessage", 0);
        std::printf("\nGoals:\n");
        r.PrintTime("one key message handled (parse, event, display answer)", "BM_KeyMessage",
                    20e-6);
        r.PrintTime("a field created (NPP_New, window, layer, script object)", "BM_FieldCreated",
                    5e-3);
        if (gFieldMemory.heapBytes >= 0) {
          std::printf("  %-70s %.1f KB heap, %.1f KB resident  (goal <= 64 KB: %s)\n",
                      "memory per field beyond the first", gFieldMemory.heapBytes / 1024,
                      gFieldMemory.residentBytes / 1024,
                      gFieldMemory.heapBytes <= 64 * 1024 && gFieldMemory.residentBytes <= 64 * 1024
                          ? "met"
                          : "MISSED");
        }
      });
  LoadedBrowser().unload();
  return status;
}
