// DecodedPassword: what PasswordDecoder.decode gives on success. Holds the clear text only as a
// byte array, which close() fills with zeros; a String of it exists only when the caller asks for
// one with toString(Charset).
package securepassword.decode;

import java.nio.charset.Charset;
import java.util.Arrays;

public final class DecodedPassword implements AutoCloseable {
  private final byte[] clear;
  private final int variant;
  private final int warning;

  DecodedPassword(byte[] clear, int variant, int warning) {
    this.clear = clear;
    this.variant = variant;
    this.warning = warning;
  }

  /**
   * The clear bytes themselves, not a copy (any value but zero); wiped by close(). Empty for the
   * encoded text of an empty string: no password, to be refused before any password check.
   */
  public byte[] bytes() {
    return clear;
  }

  /** The scrambler variant the page's encoder drew, 1 to 123. */
  public int variant() {
    return variant;
  }

  /**
   * True when only 64 bytes were encrypted and the text has 62 or 63 bytes: a longer text cut
   * right behind it would give the same encoded text. The result is what the encoder most likely
   * wrote; a wrong one only fails the login.
   */
  public boolean longerTextPossible() {
    return warning == 1;
  }

  /** The clear text as a String, when the caller needs one (it cannot be wiped). */
  public String toString(Charset charset) {
    return new String(clear, charset);
  }

  /** Fills the clear bytes with zeros. */
  @Override
  public void close() {
    Arrays.fill(clear, (byte) 0);
  }

  /** Says what was decoded without the clear text. */
  @Override
  public String toString() {
    return "DecodedPassword[" + clear.length + " bytes, variant " + variant + "]";
  }
}
