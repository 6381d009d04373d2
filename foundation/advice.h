// Advice that names options, worded against the run's own command line.
//
// Every message that advises an option goes through adviseOptions (or adviseOption): where the
// command line already gives the option, the advice says to put the advised value in place of
// the given one ("-nRun 1000 in place of -nRun 3"), since a run that gives an option twice is
// refused. initArgs records the command line; nothing else needs to.
//
// Usage: std::fprintf(stderr, "... %s mends this ...\n", adviseOption("-nRun", "1000").c_str());
// several options of one advice: adviseOptions({{"-lDa", "-25"}, {"-hDa", "20"}}).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korim::foundation {

// Keeps a copy of the command line (argv[0] the program) that advice is worded against.
// initArgs calls it; a later call replaces the copy.
void setAdviceCommandLine(int argc, char** argv);

// Forgets the command line: advice then names its options as they are (module reset for tests).
void adviceReset();

// The words the command line gives for option: the option and its value words up to the next
// option ("-nRun 3", "-fixRes 2 3 4", "-yzInv"); "" when it does not give the option.
std::string givenOption(const std::string& option);

// The options of one advice as a user types them, each with its value ("" for an option that
// takes none): "-lDa -25 -hDa 20". Where the command line gives any of them, the words it gives
// follow after " in place of ": "-lDa -25 -hDa 20 in place of -lDa -5". An option given with the
// advised value already is no replacement and is not named after "in place of".
using AdvisedOption = std::pair<std::string, std::string>;
std::string adviseOptions(const std::vector<AdvisedOption>& options);  // (option word, value words)

// One option: adviseOptions({{option, value}}).
std::string adviseOption(const std::string& option, const std::string& value = "");

// Advice that names several values of one option as alternatives ("-bin 16, -bin 31 and -bin 40
// each give ..."): " (each in place of -bin 24)" where the command line gives option, else "".
std::string eachInPlaceOf(const std::string& option);

}  // namespace korim::foundation
