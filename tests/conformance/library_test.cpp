// Loading the system's libraries, looking up their functions, the system folder and the program's path.
#include <string>

#include "conformance/conformance.h"
#include "platform/library.h"
#include "platform/text.h"

namespace {

using namespace platform;

class LibraryConformance : public conformance::ConformanceTest {
  protected:
    static std::u16string SystemDirectory() {
        char16_t directory[512] = {};
        EXPECT_GT(GetSystemDirectoryW(directory, 512), 0u);
        return directory;
    }
};

TEST_F(LibraryConformance, SystemLibrariesAndTheFunctionsTheToolLooksUp) {
    const std::u16string upper = platform::UpperAsciiText(SystemDirectory());
    const HMODULE terminalServices = LoadLibraryW((upper + u"\\wtsapi32.DLL").c_str());
    const HMODULE user32 = LoadLibraryW((SystemDirectory() + u"\\User32.dll").c_str());
    const HMODULE colorSystem = LoadLibraryW(u"mscms");
    ASSERT_NE(terminalServices, nullptr);
    ASSERT_NE(user32, nullptr);
    ASSERT_NE(colorSystem, nullptr);
    EXPECT_NE(GetProcAddress(terminalServices, "WTSQuerySessionInformationW"), nullptr);
    for (const char* name : {"EnumDisplayDevicesW", "DisplayConfigGetDeviceInfo",
                             "GetDisplayConfigBufferSizes", "QueryDisplayConfig"}) {
        EXPECT_NE(GetProcAddress(user32, name), nullptr) << name;
    }
    EXPECT_NE(GetProcAddress(colorSystem, "WcsSetCalibrationManagementState"), nullptr);

    // Function names are exact.
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(user32, "enumdisplaydevicesw"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(LoadLibraryW((SystemDirectory() + u"\\NoSuchLibrary.dll").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryW((Scratch() + u"\\User32.dll").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(LibraryConformance, SystemDirectoryAndModulePathBuffers) {
    const std::u16string directory = SystemDirectory();
    const auto length = static_cast<UINT>(directory.size());
    // Too small by the terminator: the size needed, terminator included.
    char16_t small[512] = {u'x'};
    EXPECT_EQ(GetSystemDirectoryW(small, length), length + 1);

    char16_t path[512] = {};
    const DWORD full = GetModuleFileNameW(nullptr, path, 512);
    ASSERT_GT(full, 5u);
    EXPECT_EQ(WLen(path), full);
    // Cut to size - 1 characters and terminated; the result is the size.
    char16_t cut[512] = {};
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(nullptr, cut, 5), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::u16string(cut), std::u16string(path, 4));
    EXPECT_EQ(GetModuleFileNameW(nullptr, cut, full), full);
    EXPECT_EQ(std::u16string(cut), std::u16string(path, full - 1));
    EXPECT_EQ(GetModuleFileNameW(nullptr, cut, full + 1), full);
}

} // namespace
