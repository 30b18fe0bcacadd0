#pragma once
// What the supported programs differ in only by value: display name, icons, executable names and the places of
// their data, one row each, for both systems. The program classes keep only their own rules (how profiles are found,
// which folder is a profile, which files are its databases); a program that follows its family's rules entirely is
// an object of the family's class with a row of its own.

#include "catalogue/DataLocation.h"

#include <string>
#include <vector>

enum class ProgramId {
    Firefox,
    PaleMoon,
    Epic,
    Chrome,
    Vivaldi,
    Opera,
    Skype,
    Iron,
    Thunderbird,
    SeaMonkey,
    Yandex,
    Cyberfox,
    FossaMail,
    Viber,
    Slimjet,
    Brave,
    Edge,
    OperaGX,
    Waterfox,
    LibreWolf,
    Floorp,
    Zen,
};

struct ProgramFacts {
    std::string name; // display name, also the program's key (compared with case)
    int iconId = 0;   // resource numbers of the 16x16 program and profile icons
    int profileIconId = 0;
    std::vector<std::string> processNames; // this system's executable names
    DataLocations places;                  // this system's places of the program's data, in search order
};

// The row of one program for this system, chosen once.
const ProgramFacts& GetProgramFacts(ProgramId id);
