#include <cstring>

#include "platform/registry.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;

class SimRegistryTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        LoadMachine(R"({"registry": {
            "HKLM\\Software\\Maker\\Tool": {"Dword": {"type": "REG_DWORD", "data": 1},
                "Qword": {"type": "REG_QWORD", "data": 4294967297}, "Text": {"type": "REG_SZ", "data": "1"},
                "Short": {"type": "REG_BINARY", "data": "02"}},
            "HKLM\\Software\\WOW6432Node\\Maker\\Tool": {"Dword": {"type": "REG_DWORD", "data": 32}},
            "HKLM\\Software\\Locked": {"$denied": true, "V": {"type": "REG_DWORD", "data": 1}}}})");
    }

    // Opens a key below HKLM and returns the status; the key is closed again.
    LONG OpenStatus(const char16_t* subKey, DWORD access) {
        HKEY key = nullptr;
        const LONG status = RegOpenKeyExW(HKeyLocalMachine(), subKey, 0, access, &key);
        if (status == 0) {
            EXPECT_EQ(RegCloseKey(key), 0);
        } else {
            EXPECT_EQ(key, nullptr);
        }
        return status;
    }

    // Reads a 32-bit value the way the debug switch does: zeroed number, size 4, no type asked.
    LONG ReadDword(const char16_t* subKey, DWORD access, const char16_t* name, uint32_t* value) {
        HKEY key = nullptr;
        LONG status = RegOpenKeyExW(HKeyLocalMachine(), subKey, 0, access, &key);
        if (status != 0) {
            return status;
        }
        *value = 0;
        DWORD size = 4;
        status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
        EXPECT_EQ(RegCloseKey(key), 0);
        return status;
    }
};

TEST_F(SimRegistryTest, ViewsKeysAndAccess) {
    uint32_t value = 0;
    EXPECT_EQ(ReadDword(u"software\\MAKER\\tool", KEY_WOW64_64KEY | KEY_QUERY_VALUE, u"dword", &value), 0);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(ReadDword(u"Software\\Maker\\Tool", KEY_QUERY_VALUE, u"Dword", &value), 0);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(ReadDword(u"Software\\Maker\\Tool", KEY_WOW64_32KEY | KEY_QUERY_VALUE, u"Dword", &value), 0);
    EXPECT_EQ(value, 32u);
    // A key above a described key exists; a sibling does not; a denied key cannot be opened.
    EXPECT_EQ(OpenStatus(u"Software\\Maker", KEY_QUERY_VALUE), 0);
    EXPECT_EQ(OpenStatus(u"Software\\Mak", KEY_QUERY_VALUE), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenStatus(u"Software\\Locked", KEY_QUERY_VALUE), static_cast<LONG>(ERROR_ACCESS_DENIED));
}

TEST_F(SimRegistryTest, ValueSizesFollowTheirTypes) {
    uint32_t value = 0;
    // 8 bytes do not fit the 4-byte number: the call fails and copies nothing.
    EXPECT_EQ(ReadDword(u"Software\\Maker\\Tool", KEY_QUERY_VALUE, u"Qword", &value),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(value, 0u);
    // "1\0" in UTF-16 fits the 4 bytes; one binary byte fills the low byte.
    EXPECT_EQ(ReadDword(u"Software\\Maker\\Tool", KEY_QUERY_VALUE, u"Text", &value), 0);
    EXPECT_EQ(value, 0x31u);
    EXPECT_EQ(ReadDword(u"Software\\Maker\\Tool", KEY_QUERY_VALUE, u"Short", &value), 0);
    EXPECT_EQ(value, 2u);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKeyLocalMachine(), u"Software\\Maker\\Tool", 0, KEY_QUERY_VALUE, &key), 0);
    DWORD type = REG_NONE;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Qword", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ(type, REG_QWORD);
    EXPECT_EQ(size, 8u);
    BYTE bytes[8] = {};
    EXPECT_EQ(RegQueryValueExW(key, u"Qword", nullptr, nullptr, bytes, &size), 0);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(RegCloseKey(key), 0);
}

} // namespace
