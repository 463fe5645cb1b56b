#include "convert/batch/result_names.h"

#include <sys/stat.h>

#include <map>
#include <set>
#include <utility>

#include "convert/files/path_parts.h"

namespace sonaro {
namespace {

using FileId = std::pair<dev_t, ino_t>;

std::string ResultName(const std::string& input, bool wavEnding) {
    const std::string name = FileNamePart(input);
    return wavEnding ? WavPath(name) : name;
}

// Whether anything has that name, a link to nothing included.
bool NameExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The file a path leads to, links followed; null when there is none.
bool IdOf(const std::string& path, FileId& id) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    id = {info.st_dev, info.st_ino};
    return true;
}

// Names results in input order under the policy; used holds the names given so far.
class Namer {
  public:
    Namer(const ResultNaming& naming, const std::vector<std::string>& names)
        : naming_(naming), names_(names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            last_[names[i]] = i;
        }
    }

    PlannedResult Plan(const std::string& input, std::size_t index) {
        const std::string& name = names_[index];
        const bool taken = used_.count(name) != 0 || NameExists(PathOf(name));
        PlannedResult result{input, {}};
        switch (naming_.taken) {
            case NameTaken::Replace:
                if (last_[name] == index) {  // an earlier one's result would be replaced anyway
                    result.output = Give(name);
                }
                break;
            case NameTaken::Skip:
                if (!taken) {
                    result.output = Give(name);
                }
                break;
            case NameTaken::Number:
                result.output = Give(taken ? FreeNumberedName(name) : name);
                break;
        }
        return result;
    }

  private:
    std::string PathOf(const std::string& name) const { return naming_.folder + "/" + name; }

    std::string Give(const std::string& name) {
        used_.insert(name);
        return PathOf(name);
    }

    std::string FreeNumberedName(const std::string& name) const {
        for (int number = 2;; ++number) {
            std::string numbered = NumberedName(name, number);
            if (used_.count(numbered) == 0 && !NameExists(PathOf(numbered))) {
                return numbered;
            }
        }
    }

    const ResultNaming& naming_;
    const std::vector<std::string>& names_;
    std::map<std::string, std::size_t> last_;  // the last input of each name
    std::set<std::string> used_;
};

// The first result that would be written over one of the inputs.
void FindOutputOverInput(ResultPlan& plan) {
    std::map<FileId, const std::string*> inputs;
    FileId id;
    for (const PlannedResult& result : plan.results) {
        if (IdOf(result.input, id)) {
            inputs.emplace(id, &result.input);
        }
    }
    for (const PlannedResult& result : plan.results) {
        if (result.output.empty() || !IdOf(result.output, id)) {
            continue;
        }
        if (const auto same = inputs.find(id); same != inputs.end()) {
            plan.outputOverInput = result.output;
            plan.inputUnderOutput = *same->second;
            return;
        }
    }
}

}  // namespace

ResultPlan PlanResults(const std::vector<std::string>& inputs, const ResultNaming& naming) {
    ResultPlan plan;
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const std::string& input : inputs) {
        names.push_back(ResultName(input, naming.wavEnding));
        if (!seen.insert(names.back()).second && plan.sharedName.empty()) {
            plan.sharedName = names.back();
        }
    }
    Namer namer(naming, names);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        plan.results.push_back(namer.Plan(inputs[i], i));
    }
    FindOutputOverInput(plan);
    return plan;
}

std::string NumberedName(const std::string& name, int number) {
    const std::size_t dot = name.rfind('.');
    const std::size_t stem = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, stem) + " (" + std::to_string(number) + ")" + name.substr(stem);
}

}  // namespace sonaro
