// Device I/O through the backend: the maker's ACPI control device is absent under Wine, and a
// control request on a handle that is no such device fails.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/device_io.h"
#include "platform/types.h"

#include "wine_support.h"

#include <windows.h>

namespace {

TEST(DeviceIoTest, AbsentDeviceGivesTheInvalidHandle) {
    const platform::Handle device =
        platform::CreateFileW(u"\\\\.\\QRXACPI", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(device, platform::InvalidHandleValue());
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform::GetLastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(DeviceIoTest, ControlRequestOnAPlainFileFails) {
    const std::wstring root = wine_test::MakeTempFolder();
    const std::wstring file = root + L"\\plain.bin";
    wine_test::WriteFileBytes(file, "data");
    const std::u16string path = wine_test::U(file);
    const platform::Handle handle =
        platform::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);

    // The request record of the panel-code method, sent where no device answers it.
    uint32_t request[3] = {0x44434C47, 4, 0};
    unsigned char reply[1024] = {};
    platform::DWORD returned = 77;
    EXPECT_FALSE(platform::DeviceIoControl(handle, 0x0022240C, request, sizeof request, reply, sizeof reply,
                                           &returned, nullptr));
    EXPECT_EQ(returned, 0u);
    EXPECT_TRUE(platform::CloseHandle(handle));
    EXPECT_FALSE(platform::CloseHandle(handle));
    wine_test::RemoveTree(root);
}

} // namespace
