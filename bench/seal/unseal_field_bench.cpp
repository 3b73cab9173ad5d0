// Unsealing one database field the way every reader does: key with the data
// key, unseal, burn.
#include "data/text_slot.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"

#include <benchmark/benchmark.h>

using namespace lovetest;

static void UnsealFieldOf200Bytes(benchmark::State &state)
{
    TextSlot sealedKeySlot;
    sealedKeySlot.store(sealedDataKeyText());
    TextSlot dataKeySlot;
    SealCodec codec;
    codec.RefreshDataKey(sealedKeySlot, dataKeySlot);

    QByteArray plain;
    for (int i = 0; i < 200; ++i)
        plain.append(static_cast<char>(0xB0 + i % 40)); // code page 936 lead/trail range
    const QByteArray sealed = sealField(plain);

    for (auto _ : state) {
        QByteArray result = codec.unsealField(dataKeySlot, sealed);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * plain.size());
}
BENCHMARK(UnsealFieldOf200Bytes);

BENCHMARK_MAIN();
