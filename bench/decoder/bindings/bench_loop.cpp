// The peer for the bindings' call overhead: spw_decode called in a C loop over the same texts, in
// the same process as the Java or Python loop it is held against. For DecodeBench.java (JNI) and
// decode_bench.py (ctypes, one call per loop). Benchmark-only; never installed.
#include <jni.h>
#include <securepassword/decode.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

// Nanoseconds for n decodes cycling through the texts.
long long Loop(const std::vector<std::string>& texts, long long n) {
  char clear[SPW_CLEAR_SIZE];
  spw_result r;
  long long sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (long long i = 0; i < n; ++i) {
    const std::string& t = texts[static_cast<std::size_t>(i) % texts.size()];
    sink += spw_decode(t.data(), t.size(), clear, sizeof clear, &r) + r.variant;
  }
  const auto ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
          .count();
  return sink == -1 ? 0 : ns;
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_DecodeBench_nativeLoop(JNIEnv* env, jclass, jobjectArray texts,
                                                    jint n) {
  std::vector<std::string> copies;
  for (jsize i = 0; i < env->GetArrayLength(texts); ++i) {
    auto text = static_cast<jstring>(env->GetObjectArrayElement(texts, i));
    const char* chars = env->GetStringUTFChars(text, nullptr);
    copies.emplace_back(chars);
    env->ReleaseStringUTFChars(text, chars);
    env->DeleteLocalRef(text);
  }
  return Loop(copies, n);
}

__attribute__((visibility("default"))) long long spw_bench_loop(const char* const* texts, int count,
                                                                long long n) {
  return Loop(std::vector<std::string>(texts, texts + count), n);
}

}  // extern "C"
