// The fixture for every test that runs against the simulated machine: each test gets a fresh root
// folder with the default machine loaded and a run context at its start state.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/description.h"
#include "platform/sim/host_paths.h"

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the default machine with the given description's top-level keys laid over it; a
    // MachineError fails the test. args are the process's own arguments (argv[1] on).
    void LoadMachine(std::string_view descriptionJson, std::vector<std::string> args = {});

    const std::filesystem::path& Root() const { return root_; }

    // The journal's records, all of them or those of one call, in order.
    std::vector<sim::Json> JournalRecords() const;
    std::vector<sim::Json> JournalRecords(std::string_view call) const;
    // The lines of debugger.log (one per debugger output call), without their line ends.
    std::vector<std::string> DebugLines() const;

    // Files on the machine's drives, by Windows path. WriteFile creates the missing folders.
    void WriteFile(std::u16string_view windowsPath, std::string_view bytes) const;
    std::string ReadFile(std::u16string_view windowsPath) const;
    bool FileExists(std::u16string_view windowsPath) const;
    void MakeFolder(std::u16string_view windowsPath) const;

    // Sets the run context back to its state at the start of a run.
    void ResetContext() const;

  private:
    std::filesystem::path root_;
};
