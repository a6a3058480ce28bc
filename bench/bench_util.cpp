#include "bench_util.h"

#include "common/progress.h"

namespace bench {

void QuietKernel() { kernel::SetFinalProgressWait(std::chrono::milliseconds(0)); }

} // namespace bench
