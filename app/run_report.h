// What the routines found on the way to the profile, and why: filled only when a companion program
// asks for it. The tool itself leaves g_pRunReport null, and nothing it does depends on the report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/display.h"

struct ReportedPath {
    uint32_t outputTechnology = 0;
    bool internal = false;
    // The path's source: its adapter's LUID (this boot's number) and the source's id on that adapter.
    platform::Luid adapterId{};
    uint32_t sourceId = 0;
};

struct ReportedCandidate {
    std::u16string panel;
    // The ACPI control device's panel code, or the EDID of the monitor instance named.
    bool fromAcpi = false;
    std::u16string instance;
};

struct ReportedFile {
    std::u16string file;
    bool exists = false;
};

struct RunReport {
    // Where the staging copy would take profiles from: a staged file counts as present when its copy
    // lies here. Empty: only the staging folder counts.
    std::u16string programFolder;

    bool boardFound = false;
    std::u16string boardProduct;
    bool chassisRead = false;
    std::u16string chassisType;

    std::vector<ReportedPath> paths;
    // The GDI source name of the first internal path; empty when there is none.
    std::u16string internalSource;
    // Which of the paths that is, when its source was named: the path that drives the built-in panel.
    int internalPath = -1;
    // How the adapter was chosen: "internal" (its name is the internal path's source), "primary"
    // (no internal source: the primary adapter), or empty when none was chosen.
    std::u16string adapterRule;
    std::u16string adapterName;
    std::u16string adapterString;
    std::u16string adapterId;
    uint32_t adapterStateFlags = 0;
    bool vendorFound = false;
    std::u16string vendorId;

    std::vector<ReportedCandidate> candidates;
    std::vector<ReportedFile> tried;
};

extern RunReport* g_pRunReport;

// The path the adapter rule took for the built-in panel (the reported internal path whose source was named),
// or null.
const ReportedPath* PanelPath(const RunReport& run);

// What the routines report on their way to the profile; each does nothing while no report is asked for.
void ReportBoard(bool found, const char16_t* board);
void ReportVendor(bool found, const char16_t* vendor);
void ReportChassis(bool read, const char16_t* chassis);
void ReportPath(uint32_t outputTechnology, bool internal, const platform::Luid& adapterId, uint32_t sourceId);
void ReportInternalSource(const char16_t* source);
// The index among the reported paths of the internal path whose source was named.
void ReportInternalPath(int index);
void ReportAdapter(const char16_t* rule, const char16_t* name, const char16_t* string, const char16_t* id,
                   uint32_t stateFlags);
// A candidate from the ACPI control device (instance null) or from the EDID of a monitor instance.
void ReportCandidate(const char16_t* panel, const char16_t* instance);
void ReportTried(std::u16string file, bool exists);

// Whether a file of the staging folder (its full path) exists, counting a copy in the report's program
// folder as staged.
bool StagedFileExists(const char16_t* stagedPath);

// The path a staged file is read from: its copy in the report's program folder when that exists, as
// the staging copy would replace the staged one, else the staged path itself.
std::u16string StagedFileSource(const char16_t* stagedPath);
