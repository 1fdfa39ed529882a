// The JNI binding's call overhead: PasswordDecoder.decode (and closing the result) in a Java loop
// against spw_decode in a C loop over the same texts, in the same JVM, after a warm-up; best of
// several rounds. Arguments: the shared table of texts, decodes per round, rounds.
import java.nio.file.Files;
import java.nio.file.Path;
import securepassword.decode.DecodedPassword;
import securepassword.decode.PasswordDecoder;

public final class DecodeBench {
  static native long nativeLoop(String[] texts, int n);

  public static void main(String[] args) throws Exception {
    System.load(System.getProperty("bench.loop.library"));
    String[] texts = Files.readAllLines(Path.of(args[0])).stream()
        .filter(l -> l.startsWith("ok\t")).limit(64).map(l -> l.split("\t")[4])
        .toArray(String[]::new);
    int n = Integer.parseInt(args[1]), rounds = Integer.parseInt(args[2]);
    double bestJava = Double.MAX_VALUE, bestC = Double.MAX_VALUE;
    long sink = 0;
    for (int r = 0; r < rounds + 1; ++r) {  // the first round warms up
      long start = System.nanoTime();
      for (int i = 0; i < n; ++i) {
        try (DecodedPassword p = PasswordDecoder.decode(texts[i % texts.length])) {
          sink += p.variant();
        }
      }
      double java = (System.nanoTime() - start) / (double) n;
      double c = nativeLoop(texts, n) / (double) n;
      if (r > 0) {
        bestJava = Math.min(bestJava, java);
        bestC = Math.min(bestC, c);
      }
    }
    System.out.printf("Java decode %.1f ns, C spw_decode %.1f ns: JNI binding / C %.2f, overhead"
        + " %.1f ns per call (%d)%n", bestJava, bestC, bestJava / bestC, bestJava - bestC,
        sink % 2);
  }
}
