/* The C interface of the secure password field's receiving side, for servers and for the Java
 * and Python bindings: spw_decode turns the encoded password text a page posted (128 units of
 * letters, digits and "*" escapes) back into the clear bytes and the scrambler variant, or says
 * why it cannot, with an error code and the offset of the first bad character (or byte).
 *
 * Plain C with plain buffers: no handles, no global state, nothing allocated; every function may
 * run on any number of threads at once. Only the functions below are exported from
 * libsecurepassword-decode.so.1. Codes, names and the layout of struct spw_result stay as they
 * are for as long as the library's major version (its soname) does. */
#ifndef SECUREPASSWORD_DECODE_H
#define SECUREPASSWORD_DECODE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define SPW_API __attribute__((visibility("default")))
#else
#define SPW_API
#endif

/* Room for the longest clear text (126 bytes) and the zero byte spw_decode puts behind it. */
#define SPW_CLEAR_SIZE 127
/* Room for any line of spw_describe with its zero byte. */
#define SPW_MESSAGE_SIZE 320

/* What spw_decode answers. 1 to 7 concern the text (the offset is a character offset in it); 8 to
 * 15 the decrypted bytes (the offset is a byte position in the scrambled text); 16 and 17 the
 * call itself. spw_code_name gives each a stable short name for logs. */
enum spw_code {
  SPW_OK = 0,
  SPW_INVALID_CHARACTER = 1,       /* not a letter, digit or "*" (also any non-ASCII byte) */
  SPW_INCOMPLETE_ESCAPE = 2,       /* the text ends before the two digits of an escape */
  SPW_INVALID_ESCAPE = 3,          /* "*" not followed by two hexadecimal digits */
  SPW_LOWER_CASE_ESCAPE = 4,       /* escape digits in lower case */
  SPW_ESCAPED_LETTER_OR_DIGIT = 5, /* a letter or digit written as an escape */
  SPW_TOO_FEW_UNITS = 6,           /* fewer than 128 units; the offset is the text's length */
  SPW_TOO_MANY_UNITS = 7,          /* a 129th unit starts at the offset */
  SPW_NOTHING_ENCRYPTED = 8,       /* all cipher bytes zero: the clear text is lost */
  SPW_TEXT_CUT = 9,                /* only 64 bytes encrypted; the text's end is lost */
  SPW_AMBIGUOUS_ZERO = 10,         /* a short text or a cut longer one; cannot tell which */
  SPW_LAYOUT_MISMATCH = 11,        /* a zero byte the encrypted length forbids */
  SPW_TOO_LONG = 12,               /* a scrambled text longer than any the encoder writes */
  SPW_VARIANT_OUT_OF_RANGE = 13,   /* a variant number above 123 */
  SPW_VARIANT_NEVER_SELECTED = 14, /* variant 95, which the encoder never selects */
  SPW_ZERO_IN_CLEAR_TEXT = 15,     /* undoing the variant gives a zero byte */
  SPW_NULL_ARGUMENT = 16,          /* text, clear or result is a null pointer */
  SPW_BUFFER_TOO_SMALL = 17        /* clear has no room for the text and its zero byte */
};

/* The last code; codes run from 0 to SPW_LAST_CODE without gaps. */
#define SPW_LAST_CODE SPW_BUFFER_TOO_SMALL

enum spw_warning {
  SPW_WARNING_NONE = 0,
  /* Only 64 bytes were encrypted and the text has 62 or 63 bytes: a longer text cut right
   * behind it would look the same. The result is what the encoder most likely wrote. */
  SPW_WARNING_LONGER_TEXT_POSSIBLE = 1
};

struct spw_result {
  int code;      /* an spw_code; SPW_OK on success */
  int offset;    /* where the fault lies (see spw_code), or -1 */
  int value;     /* the offending character, byte or variant number, the units counted for
                    SPW_TOO_FEW_UNITS, the size clear needs for SPW_BUFFER_TOO_SMALL; or -1 */
  int variant;   /* 1 to 123 on success, 0 otherwise */
  int warning;   /* an spw_warning */
  size_t length; /* bytes of clear text on success (0 to 126), 0 otherwise; see spw_decode */
};

/* Decodes text_length bytes of text (no zero byte, line end or space belongs to it) into clear,
 * which has clear_size bytes of room: the clear bytes (any value but zero) and a zero byte behind
 * them. Fills *result and returns its code. On failure clear holds an empty string (when it has
 * room for one) and nothing of the text. Reads no further into text than the first fault or the
 * 129th unit. Wipes every copy it made of the clear text before it returns.
 *
 * An empty clear text can come back: SPW_OK with result->length 0 (and clear ""), for the encoded
 * text of an empty string, which the encoder writes like any other (a page's EncodeData("")).
 * An empty field's GetPassword gives no encoded text at all, "", which is refused as too few
 * units. Either way it is no password: a server should refuse the login for it as for a wrong
 * password, before any password check runs, since a check may accept an empty string (an account
 * without a password, a directory's unauthenticated bind). */
SPW_API int spw_decode(const char* text, size_t text_length, char* clear, size_t clear_size,
                       struct spw_result* result);

/* Stable short name of a code ("invalid-character"), "unknown" for others. Static storage. */
SPW_API const char* spw_code_name(int code);
/* One line on what the code means, without the offset. Static storage. */
SPW_API const char* spw_code_explanation(int code);
/* "none" or "longer-text-possible"; "unknown" for others. Static storage. */
SPW_API const char* spw_warning_name(int warning);

/* One line on result's error (its name, offset and cause) or, on success, its warning ("" when
 * there is none), into message of message_size bytes, cut to fit with its zero byte. */
SPW_API void spw_describe(const struct spw_result* result, char* message, size_t message_size);

/* The library's version, "MAJOR.MINOR.PATCH"; the major version is the soname's. */
SPW_API const char* spw_version(void);
/* The AES implementation this process decodes with: "aes-ni" or "tables". */
SPW_API const char* spw_cipher(void);

#ifdef __cplusplus
}
#endif

#endif /* SECUREPASSWORD_DECODE_H */
