// PasswordDecoder: the receiving side of the secure password field for Java servers. Turns the
// encoded password text a page posted back into the clear bytes and the scrambler variant, through
// libsecurepassword-decode's C interface (via the JNI library libsecurepassword-decode-jni.so).
// Thread-safe, stateless; every call is independent. The JNI library is found by NativeLibrary.
package securepassword.decode;

public final class PasswordDecoder {
  private PasswordDecoder() {}

  /**
   * Decodes an encoded password text exactly as the page posted it (no line end, not URL-decoded).
   * The clear text is returned as bytes only; close the result to wipe them.
   *
   * @throws DecodeException with the C interface's code and offset when the text cannot be
   *     decoded: null, a character that is not a letter, digit or "*" (non-ASCII included), a
   *     wrong number of units, or decrypted bytes the encoder never writes.
   * @throws UnsatisfiedLinkError on every call when the JNI library cannot be loaded, saying where
   *     it looked; the system property securepassword.decode.library names its file.
   */
  public static DecodedPassword decode(String text) throws DecodeException {
    NativeLibrary.ensureLoaded();
    final int[] info = new int[5];
    final byte[] clear = decodeNative(text, info);
    if (clear == null) {
      throw new DecodeException(
          info[0], nativeCodeName(info[0]), info[1], info[2], describe(info[0], info[1], info[2]));
    }
    return new DecodedPassword(clear, info[3], info[4]);
  }

  /** The stable short name of a code ("invalid-character"), "unknown" for others. */
  public static String codeName(int code) {
    NativeLibrary.ensureLoaded();
    return nativeCodeName(code);
  }

  /** The version of the native library, "MAJOR.MINOR.PATCH". */
  public static String version() {
    NativeLibrary.ensureLoaded();
    return nativeVersion();
  }

  /** The AES implementation in use: "aes-ni" or "tables". */
  public static String cipher() {
    NativeLibrary.ensureLoaded();
    return nativeCipher();
  }

  private static native String nativeCodeName(int code);

  private static native String nativeVersion();

  private static native String nativeCipher();

  // Fills info with code, offset, value, variant and warning; returns the clear bytes on success
  // and null on failure.
  private static native byte[] decodeNative(String text, int[] info);

  private static native String describe(int code, int offset, int value);
}
