#include "engine/ScatterGenerator.h"

namespace {

#if defined(__ELF__)
// Initial-exec keeps the state in the static TLS block, so even the first
// access on a new audio thread does not allocate.
__attribute__((tls_model("initial-exec")))
#endif
thread_local ScatterGenerator scatterGenerator;

} // namespace

ScatterGenerator& threadScatterGenerator()
{
    return scatterGenerator;
}
