// Base64 of 1 MB both ways, libzel against OpenSSL's EVP_EncodeBlock and
// EVP_DecodeBlock, on the same bytes and text. Prints the ratios at the end.
#include <zel/codec.h>

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "ratio_reporter.h"

namespace {

constexpr unsigned int kSize = 1 << 20;
std::vector<unsigned char> input(kSize);
std::vector<char> text((kSize + 2) / 3 * 4 + 1);
std::vector<unsigned char> output(kSize + 3);

void BM_Encode_zel(benchmark::State &state) {
    for (auto _ : state) {
        zel_base64_std_encode(input.data(), kSize, text.data(),
                              static_cast<unsigned int>(text.size()));
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_Encode_zel);

void BM_Encode_openssl(benchmark::State &state) {
    for (auto _ : state) {
        EVP_EncodeBlock(reinterpret_cast<unsigned char *>(text.data()), input.data(), kSize);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_Encode_openssl);

void BM_Decode_zel(benchmark::State &state) {
    unsigned int length = 0;
    for (auto _ : state) {
        zel_base64_std_decode(text.data(), static_cast<unsigned int>(text.size() - 1),
                              output.data(), &length);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_Decode_zel);

void BM_Decode_openssl(benchmark::State &state) {
    for (auto _ : state) {
        EVP_DecodeBlock(output.data(), reinterpret_cast<const unsigned char *>(text.data()),
                        static_cast<int>(text.size() - 1));
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_Decode_openssl);

// Both must produce the same text and bytes before either is timed.
void check_agree() {
    std::mt19937 random(1);
    for (auto &b : input) b = static_cast<unsigned char>(random());
    std::vector<char> theirs(text.size());
    EVP_EncodeBlock(reinterpret_cast<unsigned char *>(theirs.data()), input.data(), kSize);
    zel_base64_std_encode(input.data(), kSize, text.data(), static_cast<unsigned int>(text.size()));
    unsigned int length = 0;
    zel_base64_std_decode(text.data(), static_cast<unsigned int>(text.size() - 1), output.data(),
                          &length);
    if (theirs != text || length != kSize || std::memcmp(output.data(), input.data(), kSize) != 0) {
        std::fprintf(stderr, "libzel and OpenSSL disagree\n");
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char **argv) {
    check_agree();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nthroughput ratios, libzel over OpenSSL (target >= 1.5):\n");
    reporter.print_ratio("encode 1 MB", "BM_Encode_openssl", "BM_Encode_zel");
    reporter.print_ratio("decode 1 MB", "BM_Decode_openssl", "BM_Decode_zel");
    benchmark::Shutdown();
    return 0;
}
