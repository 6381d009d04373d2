// Advice that names options, worded against the run's own command line.
#include "foundation/advice.h"


#include "foundation/cmndargs.h"

namespace korim::foundation {

namespace {

// The command line advice is worded against.
struct AdviceState {
    std::vector<std::string> words;  // argv[1..]
};
AdviceState advice;

}  // namespace

void setAdviceCommandLine(int argc, char** argv) {
    advice = AdviceState{};
    for (int i = 1; argv != nullptr && i < argc; ++i)
        if (argv[i] != nullptr) advice.words.emplace_back(argv[i]);
}

void adviceReset() { advice = AdviceState{}; }

std::string givenOption(const std::string& option) {
    const std::vector<std::string>& w = advice.words;
    for (size_t i = 0; i < w.size(); ++i) {
        if (w[i] != option) continue;
        std::string text = w[i];
        for (size_t j = i + 1; j < w.size() && !isFlag(w[j].c_str()); ++j) text += ' ' + w[j];
        return text;
    }
    return "";
}

std::string adviseOptions(const std::vector<AdvisedOption>& options) {
    std::string text, replaced;
    for (const auto& [option, value] : options) {
        const std::string advised = value.empty() ? option : option + ' ' + value;
        text += (text.empty() ? "" : " ") + advised;
        const std::string given = givenOption(option);
        // An option the command already gives as advised needs no replacing; one that takes no
        // value and is given is the same option.
        if (given.empty() || given == advised) continue;
        replaced += (replaced.empty() ? "" : " ") + given;
    }
    return replaced.empty() ? text : text + " in place of " + replaced;
}

std::string adviseOption(const std::string& option, const std::string& value) {
    return adviseOptions({{option, value}});
}

std::string eachInPlaceOf(const std::string& option) {
    const std::string given = givenOption(option);
    return given.empty() ? "" : " (each in place of " + given + ")";
}

}  // namespace korim::foundation
