// PasswordDecoder in a real JVM over the real native libraries: the real encoder's texts decoded
// back, every code of the C interface with its offset (the shared table, null, non-ASCII and wrong
// lengths), many threads at once, the clear text held only in a byte array that close() wipes, and
// a JNI library that is missing named on every call, or found beside an installed jar.
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.lang.reflect.Field;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashSet;
import java.util.HexFormat;
import java.util.List;
import java.util.Set;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import securepassword.decode.DecodeException;
import securepassword.decode.DecodedPassword;
import securepassword.decode.PasswordDecoder;

class PasswordDecoderTest {
  // One line of the shared table (see tests/bindings/decode_vectors.cpp).
  record Row(boolean ok, String a, int b, String c, String text) {}

  static List<Row> rows = new ArrayList<>();

  @BeforeAll
  static void readTable() throws IOException {
    for (String line : Files.readAllLines(Path.of(System.getProperty("securepassword.decode.vectors")))) {
      String[] f = line.split("\t", -1);
      rows.add(new Row(f[0].equals("ok"), f[1], Integer.parseInt(f[2]), f[3], f[4]));
    }
    assertTrue(rows.size() > 100);
  }

  @Test
  void decodesTheEncodersTexts() throws DecodeException {
    for (Row row : rows) {
      if (!row.ok()) continue;
      try (DecodedPassword p = PasswordDecoder.decode(row.text())) {
        assertArrayEquals(HexFormat.of().parseHex(row.a()), p.bytes(), row.text());
        assertEquals(row.b(), p.variant());
        assertEquals(row.c().equals("longer-text-possible"), p.longerTextPossible());
      }
    }
  }

  static DecodeException refusal(String text) {
    return assertThrows(DecodeException.class, () -> PasswordDecoder.decode(text));
  }

  @Test
  void refusesWithTheCodesAndOffsetsOfTheCInterface() {
    Set<Integer> codes = new HashSet<>();
    for (Row row : rows) {
      if (row.ok()) continue;
      DecodeException e = refusal(row.text());
      assertEquals(Integer.parseInt(row.a()), e.code(), row.text());
      assertEquals(row.c(), e.codeName());
      assertEquals(row.b(), e.offset());
      codes.add(e.code());
    }
    for (int code = 1; code <= 15; ++code) assertTrue(codes.contains(code), "code " + code);

    DecodeException nothing = refusal(null);
    assertEquals("null-argument", nothing.codeName());
    assertEquals(-1, nothing.offset());
    String good = rows.get(0).text();
    DecodeException accent = refusal("ABC\u00e9" + good);
    assertEquals("invalid-character", accent.codeName());
    assertEquals(3, accent.offset());
    assertEquals(0xE9, accent.value());
    // A String holds characters: the message names them as such, never as bytes.
    DecodeException wide = refusal("ABCDEFGHI\uff0a" + good);
    assertEquals(0xFF0A, wide.value());
    assertEquals(
        "invalid-character at offset 9: character U+FF0A is not a letter, a digit or \"*\"",
        wide.getMessage());
    DecodeException emoji = refusal(good.substring(0, 5) + "\ud83d\ude00");
    assertEquals(5, emoji.offset());
    assertEquals(0x1F600, emoji.value());
    assertTrue(emoji.getMessage().contains(" character U+1F600 "), emoji.getMessage());
    assertTrue(refusal("\n" + good).getMessage().contains(" character U+000A "));
    assertEquals("too-few-units", refusal("").codeName());
    assertEquals(127, refusal("A".repeat(127)).offset());
    DecodeException huge = refusal("A".repeat(1_000_000));
    assertEquals("too-many-units", huge.codeName());
    assertEquals(128, huge.offset());
    assertTrue(huge.getMessage().startsWith("too-many-units at offset 128"), huge.getMessage());
  }

  @Test
  void decodesOnManyThreadsAtOnce() throws Exception {
    List<Row> good = rows.stream().filter(Row::ok).toList();
    ExecutorService pool = Executors.newFixedThreadPool(8);
    List<Future<Integer>> results = new ArrayList<>();
    for (int t = 0; t < 8; ++t) {
      final int start = t;
      results.add(pool.submit(() -> {
        int wrong = 0;
        for (int k = 0; k < 3000; ++k) {
          Row row = good.get((k * 7 + start) % good.size());
          try (DecodedPassword p = PasswordDecoder.decode(row.text())) {
            if (!HexFormat.of().formatHex(p.bytes()).equals(row.a())) ++wrong;
          }
        }
        return wrong;
      }));
    }
    for (Future<Integer> r : results) assertEquals(0, r.get());
    pool.shutdown();
  }

  static final String LIBRARY = "securepassword.decode.library";

  // Calls PasswordDecoder.decode and version, three times each, from the jar at jar loaded afresh
  // with the library property set to library (or cleared); returns what each call threw, or null
  // for a call that returned.
  static List<Throwable> callsFromAFreshLoader(Path jar, String library) throws Exception {
    final String before = System.getProperty(LIBRARY);
    if (library == null) {
      System.clearProperty(LIBRARY);
    } else {
      System.setProperty(LIBRARY, library);
    }
    List<Throwable> thrown = new ArrayList<>();
    URL[] path = {jar.toUri().toURL()};
    try (URLClassLoader loader = new URLClassLoader(path, ClassLoader.getPlatformClassLoader())) {
      Class<?> decoder = Class.forName("securepassword.decode.PasswordDecoder", true, loader);
      Method decode = decoder.getMethod("decode", String.class);
      Method version = decoder.getMethod("version");
      for (int k = 0; k < 3; ++k) {
        try {
          decode.invoke(null, rows.get(0).text());
          thrown.add(null);
          version.invoke(null);
          thrown.add(null);
        } catch (InvocationTargetException e) {
          thrown.add(e.getCause());
        }
      }
    } finally {
      System.setProperty(LIBRARY, before);
    }
    return thrown;
  }

  @Test
  void aJniLibraryThatCannotBeLoadedIsNamedOnEveryCall(@TempDir Path tree) throws Exception {
    final String file = "libsecurepassword-decode-jni.so";
    final String advice = "Name the file with -D" + LIBRARY + "=/path/to/" + file;
    Path jar = Path.of(
        PasswordDecoder.class.getProtectionDomain().getCodeSource().getLocation().toURI());
    Path missing = tree.resolve("nowhere").resolve(file);
    List<Throwable> thrown = callsFromAFreshLoader(jar, missing.toString());
    assertEquals(3, thrown.size());
    for (Throwable t : thrown) {
      assertTrue(t instanceof UnsatisfiedLinkError, String.valueOf(t));
      String start = "securepassword-decode cannot load its JNI library " + file + ": looked at "
          + missing + " (named by -D" + LIBRARY + ")";
      assertTrue(t.getMessage().startsWith(start), t.getMessage());
      assertTrue(t.getMessage().endsWith(advice), t.getMessage());
    }

    // Unnamed, the jar looks where it is installed beside itself, then in java.library.path.
    Path installedJar = tree.resolve("share/java/securepassword-decode.jar");
    Files.createDirectories(installedJar.getParent());
    Files.copy(jar, installedJar);
    Path place = installedJar.getParent()
        .resolve(System.getProperty("securepassword.decode.jni.from.jar")).resolve(file)
        .normalize();
    thrown = callsFromAFreshLoader(installedJar, null);
    assertEquals(3, thrown.size());
    for (Throwable t : thrown) {
      assertTrue(t instanceof UnsatisfiedLinkError, String.valueOf(t));
      String where = "looked at " + place + " (its place beside the jar) and in java.library.path ("
          + System.getProperty("java.library.path") + ")";
      assertTrue(t.getMessage().contains(where), t.getMessage());
      assertTrue(t.getMessage().endsWith(advice), t.getMessage());
    }
    Files.createDirectories(place.getParent());
    Files.copy(Path.of(System.getProperty(LIBRARY)), place);
    assertEquals(Arrays.asList(null, null, null, null, null, null),
        callsFromAFreshLoader(installedJar, null));
  }

  @Test
  void keepsTheClearTextOnlyInBytesThatCloseWipes() throws Exception {
    for (Field f : DecodedPassword.class.getDeclaredFields()) {
      assertNotEquals(String.class, f.getType(), f.getName());
      assertNotEquals(char[].class, f.getType(), f.getName());
    }
    Row row = rows.stream().filter(r -> r.ok() && r.a().length() > 8).findFirst().orElseThrow();
    DecodedPassword p = PasswordDecoder.decode(row.text());
    byte[] bytes = p.bytes();
    assertFalse(p.toString().contains(new String(bytes, java.nio.charset.StandardCharsets.ISO_8859_1)));
    p.close();
    assertArrayEquals(new byte[bytes.length], bytes);
    assertEquals(System.getProperty("securepassword.decode.version"), PasswordDecoder.version());
  }
}
