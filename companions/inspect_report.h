// What tintfold-inspect found: the routines' report and the rest of what the tool would use.
#pragma once

#include <string>
#include <vector>

#include "app/run_report.h"
#include "companions/display_profiles.h"

struct InspectTag {
    std::u16string key;
    std::u16string text;
};

struct Inspection {
    RunReport run;
    std::u16string monitorDevice;
    std::u16string monitorName;
    bool profileFound = false;
    std::u16string profile;
    // Where the chosen profile is read from: its copy beside the program, or the staged file.
    std::u16string profileSource;
    std::vector<InspectTag> tags;
    bool cmdefExists = false;
    // The colour-management variant's file name; whether the factory profile lies in the staging folder
    // itself (not only beside the program); whether the colour system lists the variant as installed, when
    // it answered.
    std::u16string cmdefName;
    bool profileStaged = false;
    bool installedAnswered = false;
    bool cmdefInstalled = false;
    std::u16string dataFile;
    bool dataFileExists = false;
    bool registrySwitch = false;
    bool userSwitch = false;
    bool colorSystemAnswered = false;
    std::vector<std::u16string> monitorProfiles;
    // The lists of the display that the built-in panel's path shows (the path the adapter rule used), read
    // through the display functions; whether this Windows has those functions is known without a path.
    DisplayProfiles display;
};

// One JSON object, ending in a line break.
std::string InspectionJson(const Inspection& found);
// A readable report for a person.
std::string InspectionText(const Inspection& found);
