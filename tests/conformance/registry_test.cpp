// The registry: opening keys in either view, reading values of each size, closing.
#include <string>

#include "conformance/conformance.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

using namespace platform;

class RegistryConformance : public conformance::ConformanceTest {
  protected:
    void SetUp() override {
        ConformanceTest::SetUp();
        SetDword(u"", u"Switch", 1);
        SetString(u"", u"Text", u"abc");
        SetString(u"Below", u"One", u"1");
    }

    LONG Open(const std::u16string& subKey, DWORD access, HKEY* key) const {
        return RegOpenKeyExW(HKeyLocalMachine(), subKey.c_str(), 0, access, key);
    }
};

TEST_F(RegistryConformance, ValuesReadWithTheirTypesAndSizes) {
    HKEY key = nullptr;
    ASSERT_EQ(Open(RegistryKey(), KEY_WOW64_64KEY | KEY_QUERY_VALUE, &key), 0);
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    EXPECT_EQ(RegQueryValueExW(key, u"SWITCH", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), 0);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, REG_DWORD);

    // Too small a buffer: the size needed, terminator included, and nothing copied.
    value = 0;
    size = sizeof value;
    EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, sizeof u"abc");
    EXPECT_EQ(value, 0u);
    // A null buffer asks for the size.
    size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ(size, sizeof u"abc");
    EXPECT_EQ(type, REG_SZ);
    char16_t text[8] = {};
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), 0);
    EXPECT_EQ(std::u16string(text), u"abc");

    size = sizeof value;
    EXPECT_EQ(RegQueryValueExW(key, u"Absent", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegCloseKey(key), 0);
}

TEST_F(RegistryConformance, KeysOpenIgnoringCaseBelowTheRootOrAnOpenKey) {
    const std::u16string upper = platform::UpperAsciiText(RegistryKey());
    HKEY key = nullptr;
    ASSERT_EQ(Open(upper, KEY_QUERY_VALUE, &key), 0);
    HKEY below = nullptr;
    EXPECT_EQ(RegOpenKeyExW(key, u"below", 0, KEY_QUERY_VALUE, &below), 0);
    EXPECT_EQ(RegCloseKey(below), 0);
    EXPECT_EQ(RegCloseKey(key), 0);
    EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));

    HKEY missing = nullptr;
    EXPECT_EQ(Open(RegistryKey() + u"\\Absent", KEY_QUERY_VALUE, &missing),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing, nullptr);
    // A name that only begins a key's name is not that key.
    EXPECT_EQ(Open(RegistryKey().substr(0, RegistryKey().size() - 1), KEY_QUERY_VALUE, &missing),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST_F(RegistryConformance, ThirtyTwoBitViewDoesNotSeeTheValue) {
    HKEY key = nullptr;
    const LONG status = Open(RegistryKey(), KEY_WOW64_32KEY | KEY_QUERY_VALUE, &key);
    if (status != 0) {
        EXPECT_EQ(status, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
        return;
    }
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExW(key, u"Switch", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegCloseKey(key), 0);
}

} // namespace
