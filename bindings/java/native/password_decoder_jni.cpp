// The JNI side of securepassword.decode.PasswordDecoder: reads the Java string into a stack
// buffer (a non-ASCII character becomes a byte the C interface refuses at the same offset, and
// the refusal then names the character itself), calls spw_decode, and hands back the clear bytes
// in a new Java array of their exact length. Keeps no state; wipes its own copy of the clear text
// before it returns.
#include <jni.h>
#include <securepassword/decode.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "securepassword_decode_PasswordDecoder.h"

namespace {

// Any text longer than this has its first fault within it (128 units take at most 384
// characters, and a 129th unit is known by its third), so reading no further changes no answer.
constexpr jsize kMaxRead = 512;

}  // namespace

extern "C" {

JNIEXPORT jbyteArray JNICALL Java_securepassword_decode_PasswordDecoder_decodeNative(
    JNIEnv* env, jclass, jstring text, jintArray info) {
  jchar units[kMaxRead];
  char bytes[kMaxRead];
  const char* data = nullptr;
  jsize length = 0;
  if (text != nullptr) {
    length = std::min(env->GetStringLength(text), kMaxRead);
    env->GetStringRegion(text, 0, length, units);
    for (jsize i = 0; i < length; ++i)
      bytes[i] = static_cast<char>(units[i] < 0x80 ? units[i] : 0xFF);
    data = bytes;
  }
  char clear[SPW_CLEAR_SIZE];
  spw_result r;
  const int code = spw_decode(data, static_cast<size_t>(length), clear, sizeof clear, &r);
  if (code == SPW_INVALID_CHARACTER && r.offset >= 0 && r.offset < length &&
      units[r.offset] >= 0x80) {
    // The character the caller passed, not its stand-in; a surrogate pair as one code point.
    r.value = units[r.offset];
    jchar low = 0;
    if (r.offset + 1 < env->GetStringLength(text))
      env->GetStringRegion(text, r.offset + 1, 1, &low);
    if (r.value >= 0xD800 && r.value <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF)
      r.value = 0x10000 + ((r.value - 0xD800) << 10) + (low - 0xDC00);
  }
  const jint fields[5] = {r.code, r.offset, r.value, r.variant, r.warning};
  env->SetIntArrayRegion(info, 0, 5, fields);
  jbyteArray result = nullptr;
  if (code == SPW_OK) {
    result = env->NewByteArray(static_cast<jsize>(r.length));  // null with OutOfMemoryError pending
    if (result != nullptr)
      env->SetByteArrayRegion(result, 0, static_cast<jsize>(r.length),
                              reinterpret_cast<const jbyte*>(clear));
  }
  explicit_bzero(clear, sizeof clear);
  return result;
}

JNIEXPORT jstring JNICALL Java_securepassword_decode_PasswordDecoder_describe(JNIEnv* env, jclass,
                                                                              jint code,
                                                                              jint offset,
                                                                              jint value) {
  const spw_result r = {code, offset, value, 0, SPW_WARNING_NONE, 0};
  char message[SPW_MESSAGE_SIZE];
  if (code == SPW_INVALID_CHARACTER && (value <= 0x20 || value >= 0x7F)) {
    // The text was a Java string: what it holds are characters, not bytes, whatever stand-in
    // byte the C interface saw.
    snprintf(message, sizeof message,
             "%s at offset %d: character U+%04X is not a letter, a digit or \"*\"",
             spw_code_name(code), offset, static_cast<unsigned>(value));
  } else {
    spw_describe(&r, message, sizeof message);
  }
  return env->NewStringUTF(message);  // ASCII only
}

JNIEXPORT jstring JNICALL Java_securepassword_decode_PasswordDecoder_nativeCodeName(JNIEnv* env,
                                                                                    jclass,
                                                                                    jint code) {
  return env->NewStringUTF(spw_code_name(code));
}

JNIEXPORT jstring JNICALL Java_securepassword_decode_PasswordDecoder_nativeVersion(JNIEnv* env,
                                                                                   jclass) {
  return env->NewStringUTF(spw_version());
}

JNIEXPORT jstring JNICALL Java_securepassword_decode_PasswordDecoder_nativeCipher(JNIEnv* env,
                                                                                  jclass) {
  return env->NewStringUTF(spw_cipher());
}

}  // extern "C"
