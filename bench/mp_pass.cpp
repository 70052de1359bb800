// A whole production pass at the MP station: the production page on 24 simulated drives that
// come in on boot code, burner code, the MP firmware from flash and the RDT firmware with judged
// results (the template's MixedCodes.ini), Start pressed, the UI thread pumping until every
// slot shows its pass text. Time scale 0, fresh drives for every pass. Reported: wall and
// process CPU time per pass, the station's CPU time against the simulator's share of the same
// requests, and the process's peak resident memory (the simulated DRAM of drives under their
// DRAM test is most of it).
#include "PassBench.h"

namespace {

void BM_MPPassOf24Drives(benchmark::State& state) { passbench::RunPasses(state, "mp_pass", "MP", "MixedCodes.ini"); }
BENCHMARK(BM_MPPassOf24Drives)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
