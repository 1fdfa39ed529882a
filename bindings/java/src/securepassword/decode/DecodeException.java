// DecodeException: an encoded password text PasswordDecoder refused, with the C interface's code,
// its stable name, and the offset of the first bad character (or the byte position in the
// decrypted text for codes 8 to 15; -1 where none applies).
package securepassword.decode;

public final class DecodeException extends Exception {
  private static final long serialVersionUID = 1L;
  private final int code;
  private final String codeName;
  private final int offset;
  private final int value;

  DecodeException(int code, String codeName, int offset, int value, String message) {
    super(message);
    this.code = code;
    this.codeName = codeName;
    this.offset = offset;
    this.value = value;
  }

  /** The C interface's code (1 to 17). */
  public int code() {
    return code;
  }

  /** Its stable short name, e.g. "lower-case-escape". */
  public String codeName() {
    return codeName;
  }

  /** Where the fault lies, or -1. */
  public int offset() {
    return offset;
  }

  /** The offending character, byte or variant number, or -1 (see securepassword/decode.h). */
  public int value() {
    return value;
  }
}
