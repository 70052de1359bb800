// A whole production pass at the EraseAll station: the production page on the template
// station's 24 simulated drives, Start pressed, the UI thread pumping until every slot has its
// verdict. Time scale 0, so what is measured is the station's own work: the page, the pool, the
// tasks, the engine and the simulator. Reported: wall and process CPU time per pass, the
// station's CPU time against the simulator's share of the same requests, and the process's peak
// resident memory, so that a change that slows a pass down or makes it grow shows against these
// numbers.
#include "PassBench.h"

namespace {

void BM_EraseAllPassOf24Drives(benchmark::State& state) {
  passbench::RunPasses(state, "erase_pass", "EraseAll", "Default.ini");
}
BENCHMARK(BM_EraseAllPassOf24Drives)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
