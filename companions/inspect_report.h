// What tintfold-inspect found: the routines' report and the rest of what the tool would use.
#pragma once

#include <string>
#include <vector>

#include "app/run_report.h"

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
    std::u16string dataFile;
    bool dataFileExists = false;
    bool registrySwitch = false;
    bool userSwitch = false;
    bool colorSystemAnswered = false;
    std::vector<std::u16string> monitorProfiles;
};

// One JSON object, ending in a line break.
std::string InspectionJson(const Inspection& found);
// A readable report for a person.
std::string InspectionText(const Inspection& found);
