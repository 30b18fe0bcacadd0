#pragma once
// The grammar of one command-line argument.

#include <string>
#include <vector>

class Catalogue;
class CBrowserProfile;

// The profiles of the catalogue named by one argument: "/<program>:<profile name>" (the name ignoring case),
// "/<program>:all" (every profile of the program), or "/<program>:<profile folder>" (the profile with that folder,
// of whatever program; a relative folder is resolved against the current directory). Program names are compared
// with case. Errors are reported through the log channel; the answer is then empty.
std::vector<CBrowserProfile*> ParseProfileArgument(Catalogue& catalogue, const std::string& argument);
