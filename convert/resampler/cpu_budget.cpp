#include "convert/resampler/cpu_budget.h"

#include <sched.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace sonaro {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The tightest quota on the group of that path and its ancestors, below the root of the
// hierarchy; each is read by quotaOf(directory).
template <typename QuotaOf>
unsigned TightestQuota(const std::string& root, std::string path, QuotaOf quotaOf) {
    unsigned cpus = 0;
    for (;;) {
        const unsigned here = quotaOf(root + path);
        cpus = here != 0 && (cpus == 0 || here < cpus) ? here : cpus;
        if (path.empty() || path == "/") {
            return cpus;
        }
        path.erase(std::min(path.find_last_of('/'), path.size()));
    }
}

unsigned CgroupQuotaCpus() {
    const CgroupPaths paths = CpuCgroupPaths(ReadText("/proc/self/cgroup"));
    unsigned cpus = 0;
    if (!paths.unified.empty()) {
        cpus = TightestQuota("/sys/fs/cgroup", paths.unified, [](const std::string& directory) {
            return CpusOfQuota(ReadText(directory + "/cpu.max"));
        });
    }
    if (cpus == 0 && !paths.cpu.empty()) {
        cpus = TightestQuota("/sys/fs/cgroup/cpu", paths.cpu, [](const std::string& directory) {
            return CpusOfQuota(ReadText(directory + "/cpu.cfs_quota_us") + " " +
                               ReadText(directory + "/cpu.cfs_period_us"));
        });
    }
    return cpus;
}

}  // namespace

unsigned CpusOfQuota(std::string_view quotaAndPeriod) {
    std::istringstream fields{std::string(quotaAndPeriod)};
    std::string quotaText;
    long long period = 0;
    if (!(fields >> quotaText >> period) || period <= 0) {
        return 0;
    }
    long long quota = 0;
    const auto [end, error] =
        std::from_chars(quotaText.data(), quotaText.data() + quotaText.size(), quota);
    if (error != std::errc() || end != quotaText.data() + quotaText.size() || quota <= 0) {
        return 0;  // "max", -1 or not a number: no limit
    }
    return static_cast<unsigned>(std::min<long long>((quota + period - 1) / period, 1 << 16));
}

CgroupPaths CpuCgroupPaths(std::string_view procSelfCgroup) {
    CgroupPaths paths;
    std::istringstream lines{std::string(procSelfCgroup)};
    for (std::string line; std::getline(lines, line);) {
        const auto first = line.find(':');
        const auto second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) {
            continue;
        }
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            paths.unified = path;
        }
        std::istringstream names(controllers);
        for (std::string name; std::getline(names, name, ',');) {
            paths.cpu = name == "cpu" ? path : paths.cpu;
        }
    }
    return paths;
}

unsigned AvailableCpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    unsigned cpus = 1;
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        cpus = static_cast<unsigned>(std::max(CPU_COUNT(&set), 1));
    }
    const unsigned quota = CgroupQuotaCpus();
    return quota != 0 ? std::min(cpus, quota) : cpus;
}

}  // namespace sonaro
