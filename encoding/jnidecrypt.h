// The encoding pipeline and its text helpers: QsEncode turns a clear text into the encoded
// password text (scrambler, AES, escaping with "*" for "%"). The script methods call QsEncode;
// urldecode, htoi and writeLog belong to the same unit but nothing in the plug-in calls them.
// Each function says below which inputs it checks and which it trusts. The pipeline keeps nothing
// between calls and shares nothing but constant tables, so calls on several threads at once do not
// disturb one another; only QsEncode's draw goes through the process-wide generator (srand and
// rand), which another thread may reseed in between.
#pragma once

#include <cstddef>

#include "encoding/format/encoded_text.h"

// Writes the encoded password text of clear into out, with its NUL: 128 units, one per cipher
// byte, each a letter or digit standing for itself or "*" and two upper-case hexadecimal digits
// (128 to 384 characters). Only the first 126 bytes of a longer clear text are encoded, and no byte
// of clear beyond them is read. out needs room for 385 bytes; a null out is left alone and a null
// clear gives the empty text. Allocates nothing; clears its working buffers, and the stack below
// its caller that its stages used (kEncoderStackWipeBytes of it), before it returns.
// The variant is the clock-seeded draw's, unless that variant would turn a byte of the clear text
// into a zero byte: the AES stage would then take the scrambled text to end there and the rest of
// the password would never reach the receiver, so the draw gives way (DrawKeepingEveryByte).
extern "C" void QsEncode(char* out, const char* clear);

// The stages of QsEncode under the scrambler's draw r, used as it is, even when its variant makes
// a zero byte (see CEncrypt::EncodeWithDraw). For tests and checks that need a known variant.
void QsEncodeWithDraw(char* out, const char* clear, int r);

// The draw QsEncode scrambles clear (its first 126 bytes at most) with when the generator gives
// r: r itself when its variant leaves every byte non-zero; otherwise the first of the draws that
// follow r (modulo 123, so each selectable variant is tried once) whose variant does; r when none
// does, as can happen only for texts of arbitrary bytes. A null clear gives r.
int DrawKeepingEveryByte(const char* clear, int r);

// The stack below its caller that QsEncode (and QsEncodeWithDraw, DrawKeepingEveryByte) clears
// after each call: its stages were seen to use about 1.4 kB of it with GCC 12 at -O2. Times
// wipe::kStackScale in sanitized and unoptimised builds.
inline constexpr std::size_t kEncoderStackWipeBytes = 2048;

// The longest clear text QsEncode encodes (126 bytes); longer texts are cut to it.
inline constexpr std::size_t kMaxClearTextLength = encoded_text::kMaxClearLength;

// Escapes exactly srcLen bytes of src into dst (zero bytes included): letters and digits as
// themselves, every other byte as "%" and two upper-case hexadecimal digits. Returns the number
// of characters written before the closing NUL, or 0 when it refuses: a null pointer, srcLen <= 0
// or dstLen <= 0 (nothing written), or a unit that would leave no room for the NUL (what was
// written so far stays). Never writes at or past dst[dstLen]; 3 * srcLen + 1 bytes always suffice.
[[nodiscard]] int URLEncode(const char* src, int srcLen, char* dst, int dstLen);

// Replaces in place every byte equal to from before the first NUL of text by to; returns text.
// A null text is returned as it is.
char* replace(char* text, char from, char to);

// Decodes in place the first len bytes of text: "%" and two hexadecimal digits become that byte,
// "+" a space, anything else stays. Stores a NUL behind the result, so text needs len + 1 bytes
// when nothing shrinks; returns the decoded length. len <= 0 stores a NUL at text[0] and returns
// 0; a null text returns 0.
int urldecode(char* text, int len);

// The value of two hexadecimal digits (either case), 0 to 255. Trusts digits to hold two readable
// characters; other characters give a meaningless value.
int htoi(const char* digits);

// Appends text, as it is, to "/home/decrypt.log" (created if missing). Returns 0 when the file
// cannot be opened or text is null, otherwise the result of closing the file (0 on success).
int writeLog(const char* text);

// writeLog to the file at path instead of the fixed log file.
int writeLogTo(const char* path, const char* text);
