// A whole production pass at the MP station: the production page on 24 simulated drives that
// come in on boot code, burner code, the MP firmware from flash and the RDT firmware with judged
// results (the template's MixedCodes.ini), Start pressed, the UI thread pumping until every
// slot shows its pass text. Time scale 0, fresh drives for every pass. Reported: the station's
// CPU time per pass against the simulator's own share of the same requests (replayed,
// PassBench.h) and their ratio, the platform waits per drive, and the process's peak resident
// memory (the simulated DRAM of drives under their DRAM test weighs most in it).
#include "PassBench.h"

namespace {

void BM_MPPassOf24Drives(benchmark::State& state) { passbench::RunPasses(state, "mp_pass", "MP", "MixedCodes.ini"); }
BENCHMARK(BM_MPPassOf24Drives)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
