#include "import/import_plan.h"

#include <algorithm>
#include <iterator>

#include "convert/resampler/rate_table.h"

namespace sonaro {

std::uint32_t ImportRate(std::uint32_t rate) {
    if (FindRateRatio(rate) != nullptr) {
        return rate;
    }
    // 8012 is accepted as it stands but is no rate to convert to.
    const auto above = std::find_if(
        std::begin(kRateTable), std::end(kRateTable),
        [rate](const RateRatio& r) { return r.inputRate > rate && r.inputRate != 8012; });
    return above != std::end(kRateTable) ? above->inputRate : std::end(kRateTable)[-1].inputRate;
}

ImportPlan PlanImport(int channels, std::uint32_t rate, SampleKind kind) {
    ImportPlan plan;
    plan.channels = channels <= 2 ? channels : 1;
    plan.rate = ImportRate(rate);
    const bool eightBit = kind == SampleKind::Int8;
    plan.copy =
        plan.channels == channels && plan.rate == rate && (eightBit || kind == SampleKind::Int16);
    plan.bits = plan.copy && eightBit ? 8 : 16;
    return plan;
}

}  // namespace sonaro
