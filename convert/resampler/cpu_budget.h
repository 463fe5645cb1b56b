#pragma once

#include <string>
#include <string_view>

namespace sonaro {

// The processors this process may keep busy: those its affinity mask allows (a CPU set given by
// taskset or a container), no more than its control group's CPU quota (rounded up), at least 1.
unsigned AvailableCpus();

// The whole processors a CPU quota allows, rounded up, from a control group's text: "QUOTA
// PERIOD" in microseconds (cpu.max; "max" or a negative quota for none). 0 when there is no
// limit or the text is not a quota.
unsigned CpusOfQuota(std::string_view quotaAndPeriod);

// The control group path of the cpu controller in /proc/self/cgroup's text: the version 2 path
// (its line "0::PATH") and the version 1 one (the line whose controllers include cpu); empty when
// none is there.
struct CgroupPaths {
    std::string unified;
    std::string cpu;
};
CgroupPaths CpuCgroupPaths(std::string_view procSelfCgroup);

}  // namespace sonaro
