// The receiving side's speed, against peers in the same run:
//  - DecodePassword against QsEncode on the same 10- and 100-byte clear texts (goal: decoding no
//    slower than encoding);
//  - DecodePassword against the limit: OpenSSL EVP's AES-128-ECB decryption of the same 128 bytes
//    (a context keyed once) plus a plain table-driven unescape (goal: at most 1.5 times);
//  - the AES stage through CAES's tables against the AES instructions;
//  - spw_decode, the C interface the bindings call, against DecodePassword;
//  - decodes per second on 1 and 2 threads, in real time (goal: 2 threads at least 1.8 times as
//    many, that is a decode at most 0.56 times as long).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <securepassword/decode.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/support/ratio_reporter.h"
#include "decoder/decode.h"
#include "encoding/jnidecrypt.h"

namespace {

// The AES-128 key the built-in key text gives (see decoder/aes_ni.cpp).
const unsigned char kKey[16] = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0};

std::string ClearText(int length) {
  std::string s;
  for (int i = 0; i < length; ++i) s += static_cast<char>('!' + (i * 37) % 90);
  return s;
}

// Encoded texts of 1024 clear texts of one length under draws across the table, all different as
// a server sees them (a few texts repeated would let the branch predictor learn them).
constexpr unsigned kTexts = 1024;
struct Texts {
  std::string text[kTexts];
  explicit Texts(int length) {
    for (unsigned i = 0; i < kTexts; ++i) {
      std::string clear = ClearText(length);
      for (std::size_t k = 0; k < clear.size(); ++k)
        clear[k] = static_cast<char>('!' + (clear[k] + i * 7919 + k * i) % 90);
      // The next draw where one would lose bytes to a zero byte inside the scrambled text.
      for (int draw = static_cast<int>(i % 123);; draw = (draw + 1) % 123) {
        char out[512];
        QsEncodeWithDraw(out, clear.c_str(), draw);
        text[i] = out;
        if (decoder::DecodePassword(text[i]).text() == clear) break;
      }
    }
  }
};

// The texts for 10- or 100-byte clear texts, built at first use and kept.
const Texts& TextsOf(int64_t length) {
  static const Texts* texts[2] = {new Texts(10), new Texts(100)};
  return *texts[length == 10 ? 0 : 1];
}

void BM_Encode_QsEncode(benchmark::State& state) {
  const std::string clear = ClearText(static_cast<int>(state.range(0)));
  char out[512] = {};
  for (auto _ : state) {
    QsEncode(out, clear.c_str());
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Encode_QsEncode)->Arg(10)->Arg(100);

void DecodeWith(benchmark::State& state, decoder::Cipher cipher) {
  const Texts& t = TextsOf(state.range(0));
  unsigned i = 0;
  for (auto _ : state) {
    decoder::DecodeResult r = decoder::DecodePassword(t.text[i++ % kTexts], cipher);
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Decode_DecodePassword(benchmark::State& state) {
  DecodeWith(state, decoder::Cipher::kAuto);
}
BENCHMARK(BM_Decode_DecodePassword)->Arg(10)->Arg(100);

void BM_Decode_Tables(benchmark::State& state) { DecodeWith(state, decoder::Cipher::kTables); }
BENCHMARK(BM_Decode_Tables)->Arg(10)->Arg(100);

void BM_Decode_CInterface(benchmark::State& state) {
  const Texts& texts = TextsOf(state.range(0));
  char clear[SPW_CLEAR_SIZE];
  spw_result r;
  unsigned i = 0;
  for (auto _ : state) {
    const std::string& text = texts.text[i++ % kTexts];
    benchmark::DoNotOptimize(spw_decode(text.data(), text.size(), clear, sizeof clear, &r));
    benchmark::DoNotOptimize(clear);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Decode_CInterface)->Arg(10)->Arg(100);

// The limit's unescape: letters and digits as themselves, "*" and two digits through one table;
// checks nothing.
constexpr std::array<uint8_t, 256> kHexValue = [] {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 10; ++c) t['0' + c] = static_cast<uint8_t>(c);
  for (int c = 0; c < 6; ++c) t['A' + c] = static_cast<uint8_t>(10 + c);
  return t;
}();

void PlainUnescape(const std::string& text, unsigned char (&out)[128]) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  int units = 0;
  for (std::size_t i = 0; i < n && units < 128; ++units) {
    if (s[i] == '*') {
      out[units] = static_cast<unsigned char>(kHexValue[s[i + 1]] << 4 | kHexValue[s[i + 2]]);
      i += 3;
    } else {
      out[units] = s[i++];
    }
  }
}

void BM_Limit_EvpAndUnescape(benchmark::State& state) {
  const Texts& texts = TextsOf(state.range(0));
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_DecryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  unsigned char cipher[128], plain[128];
  int length = 0;
  unsigned i = 0;
  for (auto _ : state) {
    PlainUnescape(texts.text[i++ % kTexts], cipher);
    EVP_DecryptUpdate(ctx, plain, &length, cipher, 128);
    benchmark::DoNotOptimize(plain);
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Limit_EvpAndUnescape)->Arg(10)->Arg(100);

void BM_Decode_Threads(benchmark::State& state) {
  const Texts& texts = TextsOf(100);
  unsigned i = static_cast<unsigned>(state.thread_index());
  for (auto _ : state) {
    decoder::DecodeResult r = decoder::DecodePassword(texts.text[i++ % kTexts]);
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Decode_Threads)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunWithRatios(argc, argv, benchsupport::Clock::Cpu, [](const auto& r) {
    r.PrintHeading("Ratios (time per decode / the peer's)");
    for (const std::string len : {"10", "100"}) {
      r.PrintRatio("DecodePassword / QsEncode, " + len + " bytes",
                   "BM_Decode_DecodePassword/" + len, "BM_Encode_QsEncode/" + len, 1.0);
      r.PrintRatio("DecodePassword / (EVP AES-128-ECB + unescape), " + len + " bytes",
                   "BM_Decode_DecodePassword/" + len, "BM_Limit_EvpAndUnescape/" + len, 1.5);
      r.PrintRatio("DecodePassword with tables / with AES-NI, " + len + " bytes",
                   "BM_Decode_Tables/" + len, "BM_Decode_DecodePassword/" + len, 0);
      r.PrintRatio("spw_decode / DecodePassword, " + len + " bytes", "BM_Decode_CInterface/" + len,
                   "BM_Decode_DecodePassword/" + len, 0);
    }
    r.PrintRatio("decode on 2 threads / on 1 thread (real time; 1/scaling)",
                 "BM_Decode_Threads/threads:2", "BM_Decode_Threads/threads:1", 1 / 1.8);
  });
}
