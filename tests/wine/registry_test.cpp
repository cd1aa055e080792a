// Registry reads through the backend of values that Wine's reg.exe wrote into the 64-bit view.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/registry.h"

#include "wine_support.h"

#include <windows.h>

namespace {

constexpr char16_t kKey[] = u"Software\\TintfoldWineTest";

class RegistryTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(wine_test::Shell(L"reg add HKLM\\Software\\TintfoldWineTest /v Switch /t REG_DWORD /d 1 "
                                     L"/reg:64 /f"));
        ASSERT_TRUE(wine_test::Shell(L"reg add HKLM\\Software\\TintfoldWineTest /v Text /t REG_SZ /d abc "
                                     L"/reg:64 /f"));
    }
    static void TearDownTestSuite() {
        wine_test::Shell(L"reg delete HKLM\\Software\\TintfoldWineTest /reg:64 /f");
    }

    void SetUp() override {
        ASSERT_EQ(platform::RegOpenKeyExW(platform::HKeyLocalMachine(), kKey, 0,
                                          KEY_WOW64_64KEY | KEY_QUERY_VALUE, &key_),
                  ERROR_SUCCESS);
    }
    void TearDown() override { EXPECT_EQ(platform::RegCloseKey(key_), ERROR_SUCCESS); }

    platform::HKEY key_ = nullptr;
};

TEST_F(RegistryTest, DwordValueReadsAsFourBytesWithItsType) {
    platform::DWORD value = 0;
    platform::DWORD size = sizeof value;
    platform::DWORD type = 0;
    ASSERT_EQ(
        platform::RegQueryValueExW(key_, u"Switch", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, static_cast<platform::DWORD>(REG_DWORD));

    // Without a type request, as the debug switch reads it.
    value = 0;
    size = sizeof value;
    EXPECT_EQ(
        platform::RegQueryValueExW(key_, u"Switch", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
}

TEST_F(RegistryTest, StringValueIsTooLongForFourBytes) {
    platform::DWORD value = 0;
    platform::DWORD size = sizeof value;
    EXPECT_EQ(
        platform::RegQueryValueExW(key_, u"Text", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof u"abc");

    char16_t text[8] = {};
    size = sizeof text;
    platform::DWORD type = 0;
    ASSERT_EQ(platform::RegQueryValueExW(key_, u"Text", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<platform::DWORD>(REG_SZ));
    EXPECT_EQ(std::u16string(text), u"abc");
}

TEST_F(RegistryTest, MissingValueAndMissingKeyAreNotFound) {
    platform::DWORD value = 7;
    platform::DWORD size = sizeof value;
    EXPECT_EQ(
        platform::RegQueryValueExW(key_, u"Absent", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_FILE_NOT_FOUND);

    platform::HKEY missing = nullptr;
    EXPECT_EQ(platform::RegOpenKeyExW(platform::HKeyLocalMachine(), u"Software\\TintfoldWineTest\\Absent", 0,
                                      KEY_WOW64_64KEY | KEY_QUERY_VALUE, &missing),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ThirtyTwoBitViewDoesNotSeeTheValue) {
    platform::HKEY other = nullptr;
    const platform::LONG status = platform::RegOpenKeyExW(platform::HKeyLocalMachine(), kKey, 0,
                                                          KEY_WOW64_32KEY | KEY_QUERY_VALUE, &other);
    if (status == ERROR_SUCCESS) {
        platform::DWORD value = 0;
        platform::DWORD size = sizeof value;
        EXPECT_EQ(platform::RegQueryValueExW(other, u"Switch", nullptr, nullptr,
                                             reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_FILE_NOT_FOUND);
        platform::RegCloseKey(other);
    } else {
        EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    }
}

} // namespace
