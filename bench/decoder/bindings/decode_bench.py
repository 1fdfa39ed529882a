"""The Python binding's call overhead: securepassword_decode.decode in a Python loop against
spw_decode in a C loop over the same texts (one ctypes call per loop), in the same process;
best of several rounds. Arguments: the shared table of texts, the loop library, decodes per round,
rounds."""
import ctypes
import sys
import time

import securepassword_decode as spd

table, library, n, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
with open(table, encoding="ascii") as f:
    texts = [line.split("\t")[4].rstrip("\n") for line in f if line.startswith("ok\t")][:64]
loop = ctypes.CDLL(library).spw_bench_loop
loop.restype = ctypes.c_longlong
loop.argtypes = [ctypes.POINTER(ctypes.c_char_p), ctypes.c_int, ctypes.c_longlong]
array = (ctypes.c_char_p * len(texts))(*[t.encode() for t in texts])

best_py = best_c = float("inf")
decode = spd.decode
for r in range(rounds + 1):  # the first round warms up
    start = time.perf_counter_ns()
    for i in range(n):
        decode(texts[i % 64])
    py = (time.perf_counter_ns() - start) / n
    c = loop(array, len(texts), n) / n
    if r:
        best_py, best_c = min(best_py, py), min(best_c, c)
print(f"Python decode {best_py:.1f} ns, C spw_decode {best_c:.1f} ns: Python binding / C "
      f"{best_py / best_c:.2f}, overhead {best_py - best_c:.1f} ns per call")
