// Speed of the encoding unit against OpenSSL, measured in one run: the AES block (against the
// hardened AES_encrypt and the T-table path of AES_cbc_encrypt), keying with both schedules, and
// QsEncode against the same pipeline built over OpenSSL's AES, with the shared clock-seeded draw
// timed on its own, and the stack wipe that QsEncode, the plug-in's key events and script methods,
// and the native host's messages end with, at each of their bounds. Prints the ratios at the end.
// Unless told otherwise, every benchmark runs five times, interleaved in random order, and the
// ratios take each one's fastest run in CPU time: the machine is shared, and the fastest run is the
// one least disturbed by others, while CPU time leaves out the moments the process waits for a
// core.
#include <benchmark/benchmark.h>
#include <openssl/aes.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/support/ratio_reporter.h"
#include "encoding/aes.h"
#include "encoding/encrypt.h"
#include "encoding/jnidecrypt.h"
#include "wipe/secure_wipe.h"
#include "wipe/stack_wipe.h"

namespace {

// The fastest of the repetitions, shown beside the median.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

const unsigned char kKey[16] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                                0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};

void BM_Block_Encryptt(benchmark::State& state) {
  CAES aes;
  aes.set_key(kKey, 128);
  unsigned char block[16] = {1, 2, 3};
  for (auto _ : state) {
    aes.Encryptt(block, block);  // chained, as one block after another in the pipeline
    benchmark::DoNotOptimize(block);
  }
  state.SetBytesProcessed(state.iterations() * 16);
}
BENCHMARK(BM_Block_Encryptt)->ComputeStatistics("min", Fastest);

void BM_Block_OpenSSL_AES_encrypt(benchmark::State& state) {
  AES_KEY key;
  AES_set_encrypt_key(kKey, 128, &key);
  unsigned char block[16] = {1, 2, 3};
  for (auto _ : state) {
    AES_encrypt(block, block, &key);
    benchmark::DoNotOptimize(block);
  }
  state.SetBytesProcessed(state.iterations() * 16);
}
BENCHMARK(BM_Block_OpenSSL_AES_encrypt)->ComputeStatistics("min", Fastest);

constexpr int kCbcBytes = 4096;

// OpenSSL switches AES_cbc_encrypt to its full T-tables for long inputs; one iteration is 256
// blocks, so its time per block is the iteration time / 256.
void BM_Block_OpenSSL_AES_cbc_4KiB(benchmark::State& state) {
  AES_KEY key;
  AES_set_encrypt_key(kKey, 128, &key);
  static unsigned char in[kCbcBytes], out[kCbcBytes];
  unsigned char iv[16] = {};
  for (auto _ : state) {
    AES_cbc_encrypt(in, out, kCbcBytes, &key, iv, AES_ENCRYPT);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * kCbcBytes);
}
BENCHMARK(BM_Block_OpenSSL_AES_cbc_4KiB)->ComputeStatistics("min", Fastest);

void BM_Keying_set_key(benchmark::State& state) {
  CAES aes;
  for (auto _ : state) {
    aes.set_key(kKey, 128);  // both schedules
    benchmark::DoNotOptimize(aes.dec_key);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Keying_set_key)->ComputeStatistics("min", Fastest);

void BM_Keying_CharToBinary_and_set_key(benchmark::State& state) {
  CAES aes;
  for (auto _ : state) {
    aes.key_len = 128;
    aes.CharToBinary(CAES::kKeyText, sizeof CAES::kKeyText, aes.key_bits, 0);
    aes.set_key(aes.key_bits, 128);
    benchmark::DoNotOptimize(aes.dec_key);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Keying_CharToBinary_and_set_key)->ComputeStatistics("min", Fastest);

void BM_Keying_OpenSSL_set_encrypt_and_decrypt_key(benchmark::State& state) {
  AES_KEY enc, dec;
  for (auto _ : state) {
    AES_set_encrypt_key(kKey, 128, &enc);
    AES_set_decrypt_key(kKey, 128, &dec);
    benchmark::DoNotOptimize(enc);
    benchmark::DoNotOptimize(dec);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Keying_OpenSSL_set_encrypt_and_decrypt_key)->ComputeStatistics("min", Fastest);

// The pipeline of QsEncode with OpenSSL doing the AES stage: the same scrambler, key derivation,
// zero-filled buffers, escaping and wiping.
template <typename EncryptBlocks>
void PeerPipeline(char* out, const char* clear, int r, EncryptBlocks encrypt) {
  CEncrypt scrambler;
  CAES keyText;  // only for CharToBinary
  char scrambled[128];
  std::memset(scrambled, 0, sizeof scrambled);
  scrambler.EncodeWithDraw(scrambled, clear, r, kMaxClearTextLength);
  unsigned char keyBits[128];
  keyText.CharToBinary(CAES::kKeyText, sizeof CAES::kKeyText, keyBits, 0);
  char cipher[512];
  std::memset(cipher, 0, sizeof cipher);
  const std::size_t total = (std::strlen(scrambled) + 63) / 64 * 64;
  if (total > 0)
    encrypt(keyBits, reinterpret_cast<const unsigned char*>(scrambled),
            reinterpret_cast<unsigned char*>(cipher), total);
  char escaped[512];
  std::memset(escaped, 0, sizeof escaped);
  if (URLEncode(cipher, 128, escaped, sizeof escaped) == 0) std::abort();  // 512 bytes suffice
  replace(escaped, '%', '*');
  std::strcpy(out, escaped);
  wipe::SecureWipe(scrambled, sizeof scrambled);
  wipe::SecureWipe(cipher, sizeof cipher);
  wipe::SecureWipe(escaped, sizeof escaped);
}

void EncryptWithAesEncrypt(const unsigned char* key, const unsigned char* in, unsigned char* out,
                           std::size_t total) {
  AES_KEY k;
  AES_set_encrypt_key(key, 128, &k);
  for (std::size_t off = 0; off < total; off += 16) AES_encrypt(in + off, out + off, &k);
}

struct Evp {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "AES-128-ECB", nullptr);
  ~Evp() {
    EVP_CIPHER_free(cipher);
    EVP_CIPHER_CTX_free(ctx);
  }
};

void EncryptWithEvp(const unsigned char* key, const unsigned char* in, unsigned char* out,
                    std::size_t total) {
  static Evp evp;  // one context, keyed again at every call as the pipeline keys every call
  int len = 0;
  EVP_EncryptInit_ex(evp.ctx, evp.cipher, nullptr, key, nullptr);
  EVP_CIPHER_CTX_set_padding(evp.ctx, 0);
  EVP_EncryptUpdate(evp.ctx, out, &len, in, static_cast<int>(total));
}

// Printable characters from 0x21 to 0x5C. Under every draw their scrambled text keeps all its bytes
// non-zero, so each run encrypts the same number of blocks whichever variant the clock selects
// (with letters up to "z", a few variants turn a byte into zero and halve the AES work for the
// second they are drawn in).
std::string ClearText(int length) {
  std::string s;
  for (int i = 0; i < length; ++i) s += static_cast<char>('!' + (i * 37) % 60);
  return s;
}

// Refuses to time a peer that does not produce QsEncode's output.
template <typename EncryptBlocks>
bool PeerMatches(const std::string& clear, EncryptBlocks encrypt) {
  for (int r : {0, 4, 94, 122}) {
    char ours[512], peer[512];
    QsEncodeWithDraw(ours, clear.c_str(), r);
    PeerPipeline(peer, clear.c_str(), r, encrypt);
    if (std::strcmp(ours, peer) != 0) return false;
  }
  return true;
}

// The clock-seeded draw every QsEncode makes (srand, then rand): shared by all pipelines below.
void BM_Pipeline_Draw(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(CEncrypt::Draw());
}
BENCHMARK(BM_Pipeline_Draw)->ComputeStatistics("min", Fastest);

// The stack wipe alone: an empty piece of work in a frame of its own, then the bound cleared.
// kEncoderStackWipeBytes (2 kB) ends every QsEncode, 8 kB every key event and password method of
// the plug-in, 16 kB every message of the native host.
template <std::size_t kBytes>
void BM_StackWipe(benchmark::State& state) {
  for (auto _ : state) wipe::WithStackWipe<kBytes>([] { benchmark::ClobberMemory(); });
}
const std::string kQsEncodeWipe = "BM_StackWipe/" + std::to_string(kEncoderStackWipeBytes);
BENCHMARK(BM_StackWipe<kEncoderStackWipeBytes>)
    ->Name(kQsEncodeWipe)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_StackWipe<8192>)->Name("BM_StackWipe/8192")->ComputeStatistics("min", Fastest);
BENCHMARK(BM_StackWipe<16384>)->Name("BM_StackWipe/16384")->ComputeStatistics("min", Fastest);

void BM_Pipeline_QsEncode(benchmark::State& state) {
  const std::string clear = ClearText(static_cast<int>(state.range(0)));
  char out[512] = {};
  for (auto _ : state) {
    QsEncode(out, clear.c_str());
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Pipeline_QsEncode)->Arg(10)->Arg(100)->ComputeStatistics("min", Fastest);

template <auto Encrypt>
void BM_Pipeline_Peer(benchmark::State& state) {
  const std::string clear = ClearText(static_cast<int>(state.range(0)));
  if (!PeerMatches(clear, Encrypt)) {
    state.SkipWithError("the peer pipeline's output differs from QsEncode's");
    return;
  }
  char out[512] = {};
  for (auto _ : state) {
    PeerPipeline(out, clear.c_str(), CEncrypt::Draw(), Encrypt);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Pipeline_Peer<EncryptWithAesEncrypt>)
    ->Name("BM_Pipeline_OverOpenSSL_AES_encrypt")
    ->Arg(10)
    ->Arg(100)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Pipeline_Peer<EncryptWithEvp>)
    ->Name("BM_Pipeline_OverOpenSSL_EVP_AESNI")
    ->Arg(10)
    ->Arg(100)
    ->ComputeStatistics("min", Fastest);

}  // namespace

int main(int argc, char** argv) {
  // Five interleaved repetitions unless the command line sets the repetitions itself.
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=5";
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  if (std::none_of(args.begin(), args.end(), [](const char* a) {
        return std::strncmp(a, "--benchmark_repetitions", 23) == 0;
      })) {
    args.insert(args.begin() + 1, {repetitions.data(), interleave.data()});
  }
  argc = static_cast<int>(args.size());
  args.push_back(nullptr);
  argv = args.data();
  return benchsupport::RunWithRatios(argc, argv, benchsupport::Clock::Cpu, [](const auto& r) {
    r.PrintHeading("Ratios (our time / peer time)");
    r.PrintRatio("Encryptt / AES_encrypt", "BM_Block_Encryptt", "BM_Block_OpenSSL_AES_encrypt",
                 0.45);
    r.PrintRatio("Encryptt / AES_cbc_encrypt T-tables, per block", "BM_Block_Encryptt",
                 "BM_Block_OpenSSL_AES_cbc_4KiB", 1.0, 1, kCbcBytes / 16);
    r.PrintRatio("set_key (both schedules) / AES_set_encrypt_key + AES_set_decrypt_key",
                 "BM_Keying_set_key", "BM_Keying_OpenSSL_set_encrypt_and_decrypt_key", 0.55);
    r.PrintRatio("CharToBinary + set_key / AES_set_encrypt_key + AES_set_decrypt_key",
                 "BM_Keying_CharToBinary_and_set_key",
                 "BM_Keying_OpenSSL_set_encrypt_and_decrypt_key", 0);
    for (const std::string len : {"10", "100"}) {
      r.PrintRatio("share of the draw (srand + rand) in QsEncode, " + len + " bytes",
                   "BM_Pipeline_Draw", "BM_Pipeline_QsEncode/" + len, 0);
      r.PrintRatio("share of the stack wipe in QsEncode, " + len + " bytes", kQsEncodeWipe,
                   "BM_Pipeline_QsEncode/" + len, 0);
      r.PrintRatio("QsEncode / pipeline over AES_encrypt, " + len + " bytes",
                   "BM_Pipeline_QsEncode/" + len, "BM_Pipeline_OverOpenSSL_AES_encrypt/" + len,
                   0.8);
      r.PrintRatio("QsEncode / pipeline over EVP AES-NI, " + len + " bytes",
                   "BM_Pipeline_QsEncode/" + len, "BM_Pipeline_OverOpenSSL_EVP_AESNI/" + len, 1.4);
    }
  });
}
