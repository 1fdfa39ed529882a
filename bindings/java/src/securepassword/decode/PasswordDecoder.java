// PasswordDecoder: the receiving side of the secure password field for Java servers. Turns the
// encoded password text a page posted back into the clear bytes and the scrambler variant, through
// libsecurepassword-decode's C interface (via the JNI library libsecurepassword-decode-jni.so).
// Thread-safe, stateless; every call is independent.
package securepassword.decode;

public final class PasswordDecoder {
  static {
    // An explicit path wins (tests, a private install); otherwise the JNI folder of the system
    // (/usr/lib/<arch>/jni on Debian is on java.library.path).
    final String path = System.getProperty("securepassword.decode.library");
    if (path != null && !path.isEmpty()) {
      System.load(path);
    } else {
      System.loadLibrary("securepassword-decode-jni");
    }
  }

  private PasswordDecoder() {}

  /**
   * Decodes an encoded password text exactly as the page posted it (no line end, not URL-decoded).
   * The clear text is returned as bytes only; close the result to wipe them.
   *
   * @throws DecodeException with the C interface's code and offset when the text cannot be
   *     decoded: null, a character that is not a letter, digit or "*" (non-ASCII included), a
   *     wrong number of units, or decrypted bytes the encoder never writes.
   */
  public static DecodedPassword decode(String text) throws DecodeException {
    final int[] info = new int[5];
    final byte[] clear = decodeNative(text, info);
    if (clear == null) {
      throw new DecodeException(
          info[0], codeName(info[0]), info[1], info[2], describe(info[0], info[1], info[2]));
    }
    return new DecodedPassword(clear, info[3], info[4]);
  }

  /** The stable short name of a code ("invalid-character"), "unknown" for others. */
  public static native String codeName(int code);

  /** The version of the native library, "MAJOR.MINOR.PATCH". */
  public static native String version();

  /** The AES implementation in use: "aes-ni" or "tables". */
  public static native String cipher();

  // Fills info with code, offset, value, variant and warning; returns the clear bytes on success
  // and null on failure.
  private static native byte[] decodeNative(String text, int[] info);

  private static native String describe(int code, int offset, int value);
}
