// NativeLibrary: loads the JNI library libsecurepassword-decode-jni.so once, for PasswordDecoder,
// and keeps why it could not. It looks, in order, at the file the system property
// securepassword.decode.library names; at the place this build installs it relative to the jar
// (the library folder's jni/ beside share/java, under whatever prefix the jar sits in); and in the
// JVM's java.library.path. When none loads, every call of PasswordDecoder throws the same
// UnsatisfiedLinkError naming where it looked and the property, so a long-running server's log
// says the same useful thing on every call.
package securepassword.decode;

import java.nio.file.Files;
import java.nio.file.Path;
import java.security.CodeSource;

final class NativeLibrary {
  /** The system property that names the JNI library's file. */
  static final String PROPERTY = "securepassword.decode.library";

  private static final String NAME = "securepassword-decode-jni";
  private static final String FILE = System.mapLibraryName(NAME);
  // Null once the library is loaded; otherwise what every call throws (a fresh copy of it).
  private static final UnsatisfiedLinkError FAILURE = load();

  private NativeLibrary() {}

  /** Returns when the JNI library is loaded; throws the same error on every call when not. */
  static void ensureLoaded() {
    if (FAILURE != null) {
      UnsatisfiedLinkError error = new UnsatisfiedLinkError(FAILURE.getMessage());
      error.initCause(FAILURE.getCause());
      throw error;
    }
  }

  private static UnsatisfiedLinkError load() {
    final String named = System.getProperty(PROPERTY);
    if (named != null && !named.isEmpty()) {
      try {
        System.load(named);
        return null;
      } catch (UnsatisfiedLinkError | SecurityException e) {
        return failure(
            "looked at " + named + " (named by -D" + PROPERTY + "): " + e.getMessage(), e);
      }
    }
    final Path installed = besideTheJar();
    if (installed != null && Files.exists(installed)) {
      try {
        System.load(installed.toString());
        return null;
      } catch (UnsatisfiedLinkError | SecurityException e) {
        return failure(
            "looked at " + installed + " (where it is installed beside the jar): " + e.getMessage(),
            e);
      }
    }
    try {
      System.loadLibrary(NAME);
      return null;
    } catch (UnsatisfiedLinkError | SecurityException e) {
      return failure(
          "looked at "
              + (installed != null ? installed + " (its place beside the jar) and " : "")
              + "in java.library.path ("
              + System.getProperty("java.library.path")
              + "), where it is not",
          e);
    }
  }

  // The error for where it looked (and what went wrong there), with the JVM's own as its cause.
  private static UnsatisfiedLinkError failure(String where, Throwable cause) {
    UnsatisfiedLinkError error =
        new UnsatisfiedLinkError(
            "securepassword-decode cannot load its JNI library "
                + FILE
                + ": "
                + where
                + ". Name the file with -D"
                + PROPERTY
                + "=/path/to/"
                + FILE);
    error.initCause(cause);
    return error;
  }

  // The library's place under the prefix the jar was installed to, or null when the classes do
  // not come from a jar file.
  private static Path besideTheJar() {
    try {
      final CodeSource source = NativeLibrary.class.getProtectionDomain().getCodeSource();
      if (source == null || source.getLocation() == null) return null;
      final Path jar = Path.of(source.getLocation().toURI());
      if (!Files.isRegularFile(jar)) return null;
      return jar.getParent().resolve(JniLocation.FROM_JAR_FOLDER).resolve(FILE).normalize();
    } catch (RuntimeException | java.net.URISyntaxException e) {
      return null;
    }
  }
}
