// The conformance suite's machine under Wine: the real prefix, with a throw-away folder below the
// temporary folder and a throw-away registry key.
#include "conformance/conformance.h"
#include "wine/wine_support.h"

#include <windows.h>

#include <shlobj.h>

namespace conformance {

namespace {

using wine_test::W;

DWORD Attributes(const std::u16string& path) {
    return GetFileAttributesW(W(path).c_str());
}

void SetValue(const std::u16string& key, const std::u16string& subKey, const std::u16string& name, DWORD type,
              const void* data, DWORD size) {
    const std::wstring path = W(subKey.empty() ? key : key + u"\\" + subKey);
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(handle, W(name).c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

// Wine's own export that gives the Unix path of a Windows one; absent on Windows, so it also tells Wine.
using UnixFileName = char*(CDECL*)(const wchar_t*);

UnixFileName WineUnixFileName() {
    return reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::wstring UnixPath(UnixFileName convert, const std::u16string& path) {
    char* unix = convert(W(path).c_str());
    std::wstring text;
    for (const char* c = unix; c != nullptr && *c != '\0'; ++c) {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    }
    HeapFree(GetProcessHeap(), 0, unix);
    return text;
}

} // namespace

struct ConformanceTest::State {
    std::u16string scratch;
    std::u16string registryKey = u"Software\\TintfoldConformance";
};

ConformanceTest::ConformanceTest() : state_(std::make_unique<State>()) {}
ConformanceTest::~ConformanceTest() = default;

void ConformanceTest::SetUp() {
    state_->scratch = wine_test::U(wine_test::MakeTempFolder());
}

void ConformanceTest::TearDown() {
    wine_test::RemoveTree(W(state_->scratch));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, W(state_->registryKey).c_str());
}

const std::u16string& ConformanceTest::Scratch() const {
    return state_->scratch;
}

void ConformanceTest::WriteFile(const std::u16string& path, std::string_view bytes) const {
    wine_test::WriteFileBytes(W(path), std::string(bytes));
}

std::string ConformanceTest::ReadFile(const std::u16string& path) const {
    EXPECT_TRUE(IsFile(path));
    return wine_test::ReadFileBytes(W(path));
}

bool ConformanceTest::IsFile(const std::u16string& path) const {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ConformanceTest::IsFolder(const std::u16string& path) const {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void ConformanceTest::MakeFolder(const std::u16string& path) const {
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, W(path).c_str(), nullptr), ERROR_SUCCESS);
}

void ConformanceTest::MakeLink(const std::u16string& link, const std::u16string& target) const {
    const UnixFileName convert = WineUnixFileName();
    if (convert == nullptr) {
        const DWORD folder = IsFolder(target) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
        ASSERT_TRUE(CreateSymbolicLinkW(W(link).c_str(), W(target).c_str(),
                                        folder | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE));
        return;
    }
    // Wine starts a Unix program given by its path on drive Z: without waiting for it to end: the shell
    // leaves a marker file once the link is there.
    const std::u16string marker = link + u".made";
    wine_test::Run(L"Z:\\bin\\sh -c \"ln -s '" + UnixPath(convert, target) + L"' '" +
                   UnixPath(convert, link) + L"' && : > '" + UnixPath(convert, marker) + L"'\"");
    for (int wait = 0; wait < 1000 && !IsFile(marker); ++wait) {
        Sleep(10);
    }
    ASSERT_TRUE(IsFile(marker));
    DeleteFileW(W(marker).c_str());
}

const std::u16string& ConformanceTest::RegistryKey() const {
    return state_->registryKey;
}

void ConformanceTest::SetDword(const std::u16string& subKey, const std::u16string& name,
                               platform::DWORD value) const {
    SetValue(state_->registryKey, subKey, name, REG_DWORD, &value, sizeof value);
}

void ConformanceTest::SetString(const std::u16string& subKey, const std::u16string& name,
                                const std::u16string& value) const {
    SetValue(state_->registryKey, subKey, name, REG_SZ, value.c_str(),
             static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

platform::UINT ConformanceTest::AnsiCodePage() const {
    return GetACP();
}

bool ConformanceTest::WineDiffers(const char* evidence) {
    if (WineUnixFileName() == nullptr) {
        return false;
    }
    RecordProperty("wine_differs", evidence);
    return true;
}

} // namespace conformance
