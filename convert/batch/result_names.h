#pragma once

#include <string>
#include <vector>

namespace sonaro {

// What becomes of a result whose name is taken, by a file already in the output folder or by the
// result of another input of the same run.
enum class NameTaken {
    Replace,  // the result replaces the file; of inputs that share a name, the last one's is kept
    Skip,     // the input is skipped
    Number,   // the result takes the first free numbered name: "song (2).wav"
};

// Where the results of a run go and how they are named.
struct ResultNaming {
    std::string folder;
    bool wavEnding = true;  // "song.mp3" gives "song.wav"; else a result has its input's name
    NameTaken taken = NameTaken::Replace;
};

// The result of one input: the file it is written to, or none (skipped).
struct PlannedResult {
    std::string input;
    std::string output;  // empty: skipped, its name being taken
};

// The results of a run, one per input in their order.
struct ResultPlan {
    std::vector<PlannedResult> results;
    // The first name that the results of two inputs would both have, before the policy; empty
    // when the names differ.
    std::string sharedName;
    // A result that would be written over one of the inputs (the same file, also through links),
    // and that input: a run must not start with it. Both empty when there is none.
    std::string outputOverInput;
    std::string inputUnderOutput;
};

// Names the results of the inputs in the folder under the policy, looking at the files already
// there. Nothing is written.
ResultPlan PlanResults(const std::vector<std::string>& inputs, const ResultNaming& naming);

// A file name with a number before its ending: ("song.wav", 2) gives "song (2).wav", ("song", 3)
// "song (3)".
std::string NumberedName(const std::string& name, int number);

}  // namespace sonaro
