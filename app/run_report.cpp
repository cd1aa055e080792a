#include "app/run_report.h"

#include "platform/files.h"
#include "platform/text.h"

RunReport* g_pRunReport = nullptr;

namespace {

// The program folder's copy of a staged file; empty when no program folder is reported.
std::u16string ProgramFolderCopy(const char16_t* stagedPath) {
    if (g_pRunReport == nullptr || g_pRunReport->programFolder.empty()) {
        return {};
    }
    const std::u16string_view path(stagedPath);
    return g_pRunReport->programFolder + std::u16string(path.substr(platform::NameStart(path)));
}

} // namespace

std::u16string StagedFileSource(const char16_t* stagedPath) {
    const std::u16string copy = ProgramFolderCopy(stagedPath);
    if (!copy.empty() && platform::WAccess(copy.c_str(), 0) == 0) {
        return copy;
    }
    return stagedPath;
}

const ReportedPath* PanelPath(const RunReport& run) {
    return run.internalPath >= 0 && static_cast<std::size_t>(run.internalPath) < run.paths.size()
               ? &run.paths[static_cast<std::size_t>(run.internalPath)]
               : nullptr;
}

void ReportBoard(bool found, const char16_t* board) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->boardFound = found;
        g_pRunReport->boardProduct = board;
    }
}

void ReportVendor(bool found, const char16_t* vendor) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->vendorFound = found;
        g_pRunReport->vendorId = vendor;
    }
}

void ReportChassis(bool read, const char16_t* chassis) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->chassisRead = read;
        g_pRunReport->chassisType = chassis;
    }
}

void ReportPath(uint32_t outputTechnology, bool internal, const platform::Luid& adapterId,
                uint32_t sourceId) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->paths.push_back({outputTechnology, internal, adapterId, sourceId});
    }
}

void ReportInternalSource(const char16_t* source) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->internalSource = source;
    }
}

void ReportInternalPath(int index) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->internalPath = index;
    }
}

void ReportAdapter(const char16_t* rule, const char16_t* name, const char16_t* string, const char16_t* id,
                   uint32_t stateFlags) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->adapterRule = rule;
        g_pRunReport->adapterName = name;
        g_pRunReport->adapterString = string;
        g_pRunReport->adapterId = id;
        g_pRunReport->adapterStateFlags = stateFlags;
    }
}

void ReportCandidate(const char16_t* panel, const char16_t* instance) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->candidates.push_back(
            {panel, instance == nullptr, instance != nullptr ? instance : u""});
    }
}

void ReportTried(std::u16string file, bool exists) {
    if (g_pRunReport != nullptr) {
        g_pRunReport->tried.push_back({std::move(file), exists});
    }
}

bool StagedFileExists(const char16_t* stagedPath) {
    return platform::WAccess(StagedFileSource(stagedPath).c_str(), 0) == 0;
}
