// Unsealing one database field the way every reader does (key with the data
// key, unseal, burn), and the same against its anchor, the raw cipher work:
// nettle's CFB8 over the same byte counts with both ciphers keyed beforehand.
#include "data/sealed_fields.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"

#include <benchmark/benchmark.h>

#include <nettle/aes.h>
#include <nettle/cfb.h>
#include <nettle/des.h>

#include <array>
#include <cstdint>
#include <ctime>

using namespace lovetest;

namespace {

QByteArray plainField()
{
    QByteArray plain;
    for (int i = 0; i < 200; ++i)
        plain.append(static_cast<char>(0xB0 + i % 40)); // code page 936 lead/trail range
    return plain;
}

void desEncrypt(const void *context, std::size_t length, std::uint8_t *out, const std::uint8_t *in)
{
    des_encrypt(static_cast<const des_ctx *>(context), length, out, in);
}

void aesEncrypt(const void *context, std::size_t length, std::uint8_t *out, const std::uint8_t *in)
{
    aes256_encrypt(static_cast<const aes256_ctx *>(context), length, out, in);
}

// Processor time of the thread spent in work, in seconds.
template <typename Work>
double threadSeconds(Work &&work)
{
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) * 1e-9;
}

} // namespace

static void BM_UnsealFieldOf200Bytes(benchmark::State &state)
{
    const QByteArray dataKeyText = deriveDataKeyText();
    const QByteArray plain = plainField();
    const QByteArray sealed = sealText(plain, dataKeyText);
    SealCodec codec;

    for (auto _ : state) {
        QByteArray result = codec.unsealField(dataKeyText, sealed);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * plain.size());
}
BENCHMARK(BM_UnsealFieldOf200Bytes);

// Both in one run, alternating in batches and timed as processor time of the
// thread, so the ratio holds on a busy machine. The counter "ratio" is
// unsealing time / raw cipher time.
static void BM_UnsealAgainstRawCfb8(benchmark::State &state)
{
    const QByteArray dataKeyText = deriveDataKeyText();
    const QByteArray plain = plainField();
    const QByteArray sealed = sealText(plain, dataKeyText);
    SealCodec codec;

    // The byte counts of the two layers: DES over the Base64 of the inner one.
    QByteArray outer(((plain.size() + 2) / 3) * 4, 'x');
    QByteArray inner(plain.size(), 'x');
    des_ctx des{};
    aes256_ctx aes{};
    const std::array<std::uint8_t, 32> key{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    des_set_key(&des, key.data());
    aes256_set_encrypt_key(&aes, key.data());

    constexpr int kBatch = 16;
    double unsealing = 0, raw = 0;
    for (auto _ : state) {
        unsealing += threadSeconds([&] {
            for (int n = 0; n < kBatch; ++n)
                benchmark::DoNotOptimize(codec.unsealField(dataKeyText, sealed));
        });
        raw += threadSeconds([&] {
            for (int n = 0; n < kBatch; ++n) {
                std::array<std::uint8_t, DES_BLOCK_SIZE> desChain{};
                std::array<std::uint8_t, AES_BLOCK_SIZE> aesChain{};
                auto *o = reinterpret_cast<std::uint8_t *>(outer.data());
                auto *i = reinterpret_cast<std::uint8_t *>(inner.data());
                cfb8_decrypt(&des, &desEncrypt, DES_BLOCK_SIZE, desChain.data(), outer.size(), o, o);
                cfb8_decrypt(&aes, &aesEncrypt, AES_BLOCK_SIZE, aesChain.data(), inner.size(), i, i);
                benchmark::ClobberMemory();
            }
        });
    }
    const double fields = double(state.iterations()) * kBatch;
    state.counters["unseal_us"] = unsealing / fields * 1e6;
    state.counters["raw_us"] = raw / fields * 1e6;
    state.counters["ratio"] = unsealing / raw;
}
BENCHMARK(BM_UnsealAgainstRawCfb8);

BENCHMARK_MAIN();
