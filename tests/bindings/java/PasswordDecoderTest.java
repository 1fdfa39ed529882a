// PasswordDecoder in a real JVM over the real native libraries: the real encoder's texts decoded
// back, every code of the C interface with its offset (the shared table, null, non-ASCII and wrong
// lengths), many threads at once, and the clear text held only in a byte array that close() wipes.
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.lang.reflect.Field;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.HexFormat;
import java.util.List;
import java.util.Set;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
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
    DecodeException emoji = refusal(good.substring(0, 5) + "\ud83d\ude00");
    assertEquals(5, emoji.offset());
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
