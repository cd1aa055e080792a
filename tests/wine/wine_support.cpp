#include "wine_support.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace wine_test {

namespace {

void AppendBigEndian(std::string& bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

void PutBigEndian(std::string& bytes, std::size_t offset, uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
    }
}

void Pad(std::string& bytes) {
    while (bytes.size() % 4 != 0) {
        bytes.push_back('\0');
    }
}

// textDescriptionType: ASCII part with its terminator, no Unicode part, an empty ScriptCode part.
std::string TextDescription(const std::string& text) {
    std::string tag = "desc";
    AppendBigEndian(tag, 0);
    AppendBigEndian(tag, static_cast<uint32_t>(text.size() + 1));
    tag += text;
    tag.push_back('\0');
    AppendBigEndian(tag, 0); // Unicode language code
    AppendBigEndian(tag, 0); // Unicode count
    tag.append(2 + 1 + 67, '\0');
    return tag;
}

// XYZType with one number (D50).
std::string WhitePoint() {
    std::string tag = "XYZ ";
    AppendBigEndian(tag, 0);
    AppendBigEndian(tag, 0x0000F6D6);
    AppendBigEndian(tag, 0x00010000);
    AppendBigEndian(tag, 0x0000D32D);
    return tag;
}

} // namespace

Child Start(const std::wstring& commandLine, unsigned long creationFlags) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, creationFlags, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(writeEnd);
    CloseHandle(nul);
    if (!started) {
        CloseHandle(readEnd);
        throw std::runtime_error("CreateProcessW failed");
    }
    return {process.hProcess, process.hThread, readEnd};
}

std::string ReadAll(void* pipe) {
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        text.append(chunk, got);
    }
    return text;
}

unsigned long Finish(Child& child) {
    WaitForSingleObject(child.process, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.process, &exitCode);
    CloseHandle(child.output);
    CloseHandle(child.thread);
    CloseHandle(child.process);
    child = {};
    return exitCode;
}

std::wstring OnDriveZ(const char* linuxPath) {
    std::wstring path = L"Z:";
    for (const char* c = linuxPath; *c != '\0'; ++c) {
        path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
    }
    return path;
}

ProcessResult Run(const std::wstring& commandLine) {
    Child child = Start(commandLine, 0);
    ProcessResult result;
    result.output = ReadAll(child.output);
    result.exitCode = Finish(child);
    return result;
}

bool Shell(const std::wstring& command) {
    return Run(L"cmd.exe /c " + command).exitCode == 0;
}

std::wstring MakeTempFolder() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    for (unsigned attempt = 0;; ++attempt) {
        const std::wstring folder = std::wstring(base) + L"tintfold-" +
                                    std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("cannot create a temporary folder");
        }
    }
}

void RemoveTree(const std::wstring& folder) {
    // SHFileOperationW takes a list ended by two terminators.
    std::wstring from = folder;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring DecodeOutput(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        }
        return text;
    }
    const int length =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

std::string MakeProfile(std::initializer_list<TextTag> tags) {
    std::vector<std::pair<uint32_t, std::string>> elements;
    elements.emplace_back(0x77747074u, WhitePoint()); // wtpt
    for (const TextTag& tag : tags) {
        elements.emplace_back(tag.signature, TextDescription(tag.text));
    }

    std::string header(128, '\0');
    PutBigEndian(header, 8, 0x02100000);  // version 2.1
    PutBigEndian(header, 12, 0x6D6E7472); // 'mntr'
    PutBigEndian(header, 16, 0x52474220); // 'RGB '
    PutBigEndian(header, 20, 0x58595A20); // 'XYZ '
    PutBigEndian(header, 36, 0x61637370); // 'acsp'
    PutBigEndian(header, 68, 0x0000F6D6); // illuminant D50
    PutBigEndian(header, 72, 0x00010000);
    PutBigEndian(header, 76, 0x0000D32D);

    std::string table;
    AppendBigEndian(table, static_cast<uint32_t>(elements.size()));
    std::string data;
    const std::size_t dataStart = header.size() + 4 + 12 * elements.size();
    for (const auto& [signature, bytes] : elements) {
        AppendBigEndian(table, signature);
        AppendBigEndian(table, static_cast<uint32_t>(dataStart + data.size()));
        AppendBigEndian(table, static_cast<uint32_t>(bytes.size()));
        data += bytes;
        Pad(data);
    }
    std::string profile = header + table + data;
    PutBigEndian(profile, 0, static_cast<uint32_t>(profile.size()));
    return profile;
}

} // namespace wine_test
