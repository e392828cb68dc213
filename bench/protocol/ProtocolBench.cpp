// Speed of the change detector on an idle model and of the parser on a whole program reply.
#include "model/Model.h"
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

using namespace kel;

// Working and shadow equal: every call scans the whole table and builds a meter poll.
void BM_DetectChangeIdle(benchmark::State& state) {
    ResetModel();
    CommitShadow(true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DetectChange(TheModel()));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DetectChangeIdle);

std::vector<std::uint8_t> ProgramReply() {
    ProgramImage img{};
    FillDefaultProgram(img);
    std::vector<std::uint8_t> f(4 + kCountProgramReply);
    f[0] = 0xFF;
    f[1] = 0x55;
    f[2] = kCountProgramReply & 0xFF;
    f[3] = kCountProgramReply >> 8;
    f[4] = CMD_READ_PROGRAM;
    f[5] = 7;
    std::memcpy(f.data() + 6, &img, sizeof img);
    f.back() = FrameSum(f.data(), kCountProgramReply);
    return f;
}

// A whole 2719-byte reply for slot 7 in one piece: collect, validate, store into the slot.
void BM_FeedProgramReply(benchmark::State& state) {
    ResetModel();
    Model& m = TheModel();
    m.settings.transportType = TRANSPORT_NET;
    const std::vector<std::uint8_t> reply = ProgramReply();
    int accepted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FrameRecord& tx = m.frames.netTx;
        tx.SetCount(kCountPlain);
        tx.frame[4] = CMD_READ_PROGRAM;
        tx.frame[5] = 7;
        state.ResumeTiming();
        accepted +=
            TheProtocol().FeedBytes(TheModel(), TRANSPORT_NET, reply.data(), static_cast<int>(reply.size()));
    }
    if (accepted != static_cast<int>(state.iterations())) {
        state.SkipWithError("reply refused");
    }
}
BENCHMARK(BM_FeedProgramReply);

} // namespace

BENCHMARK_MAIN();
