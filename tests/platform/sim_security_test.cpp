// What the sim's owners, access lists and attributes do beyond the shared contract
// (conformance/security_test.cpp): the description's entries, C:\ProgramData's own list, what persists in
// security.json, the events and the copy fault.
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/profile_strings.h"
#include "platform/security.h"
#include "platform/sim/descriptors.h"
#include "platform/sim/file_security.h"
#include "platform/sim/machine.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;
using sim::Ace;
using sim::Acl;

constexpr uint8_t kBoth = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

class SimSecurityTest : public SimTest {
  protected:
    static sim::FileEntry EntryOf(std::u16string_view path) {
        return sim::EntryOf(*sim::ObjectAt(sim::HostPath(path), false));
    }
    static Handle Open(std::u16string_view path, DWORD access, DWORD flags = 0,
                       DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) {
        return CreateFileW(std::u16string(path).c_str(), access, share, nullptr, OPEN_EXISTING, flags,
                           nullptr);
    }
    static DWORD SetProtectedList(std::u16string_view path, const Acl& acl) {
        const Handle handle = Open(path, READ_CONTROL | WRITE_DAC);
        std::string bytes = sim::AclBytes(acl);
        const DWORD error = SetSecurityInfo(handle, SE_FILE_OBJECT,
                                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                            nullptr, nullptr, bytes.data(), nullptr);
        CloseHandle(handle);
        return error;
    }
    static DWORD TagOf(Handle handle) {
        FileAttributeTagInformation tag{};
        EXPECT_NE(GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag), kFalse);
        return tag.ReparseTag;
    }
};

TEST_F(SimSecurityTest, DescribedAttributesAndHoldsMeetTheCalls) {
    WriteFile(u"C:\\Data\\readonly.icm", "r");
    WriteFile(u"C:\\Data\\held.icm", "h");
    WriteFile(u"C:\\Data\\compressed.ini", "[s]\r\n");
    LoadMachine(
        R"({"files": {"C:\\Data\\readonly.icm": {"readOnly": true}, "C:\\Data\\held.icm": {"locked": true},
                              "C:\\Data\\compressed.ini": {"reparseTag": "0x80000017"}}})");

    // Read-only: neither written nor deleted, whatever the folder grants.
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\readonly.icm"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(Open(u"C:\\Data\\readonly.icm", GENERIC_WRITE), InvalidHandleValue());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFileW(u"C:\\Data\\readonly.icm"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    // Held with share mode 0 by another process: every data open fails, one for the descriptor does not.
    EXPECT_EQ(Open(u"C:\\Data\\held.icm", GENERIC_READ), InvalidHandleValue());
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(DeleteFileW(u"C:\\Data\\held.icm"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(CopyFileW(u"C:\\Data\\held.icm", u"C:\\Data\\copy.icm", kFalse));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    const Handle control = Open(u"C:\\Data\\held.icm", READ_CONTROL, 0, 0);
    EXPECT_NE(control, InvalidHandleValue());
    CloseHandle(control);

    // A WOF-compressed file is a reparse point that is no link, used as any other file.
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\compressed.ini"),
              FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE);
    Win32FindDataW data{};
    const Handle search = FindFirstFileW(u"C:\\Data\\compressed.*", &data);
    ASSERT_NE(search, InvalidHandleValue());
    EXPECT_EQ(data.dwReserved0, IO_REPARSE_TAG_WOF);
    FindClose(search);
    const Handle compressed = Open(u"C:\\Data\\compressed.ini", GENERIC_READ, FILE_FLAG_OPEN_REPARSE_POINT);
    EXPECT_EQ(TagOf(compressed), IO_REPARSE_TAG_WOF);
    CloseHandle(compressed);
    EXPECT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"v", u"C:\\Data\\compressed.ini"));
    EXPECT_EQ(ReadFile(u"C:\\Data\\compressed.ini"), "[s]\r\nk=v\r\n");
}

TEST_F(SimSecurityTest, NewFoldersInheritFromProgramDataAndFromAUsersFolder) {
    MakeFolder(u"C:\\ProgramData\\Planted");
    // What a user's folder in ProgramData looks like once she has made it hers.
    LoadMachine(R"({"files": {"C:\\ProgramData\\Planted": {"owner": "alice",
        "acl": [{"allow": "alice", "rights": "full", "inherit": ["object", "container"]},
                {"allow": "Administrators", "rights": "full", "inherit": ["object", "container"], "inherited": true},
                {"allow": "CREATOR OWNER", "rights": "full", "inherit": ["object", "container", "inheritOnly"],
                 "inherited": true}]}}})");
    ASSERT_EQ(SHCreateDirectoryExW(nullptr, u"C:\\ProgramData\\Maker", nullptr), 0);
    ASSERT_EQ(SHCreateDirectoryExW(nullptr, u"C:\\ProgramData\\Planted\\Run", nullptr), 0);
    const sim::Sid alice = *sim::AccountSid("alice");
    const sim::Sid& admins = sim::AdministratorsSid();
    const sim::Sid& creatorOwner = sim::CreatorOwnerSid();
    constexpr uint8_t kPassedOn = kBoth | INHERITED_ACE;
    constexpr uint8_t kKeptForBelow = kBoth | INHERIT_ONLY_ACE | INHERITED_ACE;

    // ProgramData lets users create files and folders below it, and its CREATOR OWNER entry gives the
    // creator (Administrators, for an elevated administrator) full control.
    const sim::FileEntry maker = EntryOf(u"C:\\ProgramData\\Maker");
    EXPECT_EQ(maker.descriptor.owner, admins);
    EXPECT_EQ(
        maker.descriptor.dacl,
        (Acl{{ACCESS_ALLOWED_ACE_TYPE, kPassedOn, FILE_ALL_ACCESS, sim::SystemSid()},
             {ACCESS_ALLOWED_ACE_TYPE, kPassedOn, FILE_ALL_ACCESS, admins},
             {ACCESS_ALLOWED_ACE_TYPE, INHERITED_ACE, FILE_ALL_ACCESS, admins},
             {ACCESS_ALLOWED_ACE_TYPE, kKeptForBelow, FILE_ALL_ACCESS, creatorOwner},
             {ACCESS_ALLOWED_ACE_TYPE, kPassedOn, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, sim::UsersSid()},
             {ACCESS_ALLOWED_ACE_TYPE, CONTAINER_INHERIT_ACE | INHERITED_ACE,
              FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES, sim::UsersSid()}}));
    // Inside a folder a user made, what the run creates is the user's as much as its own.
    EXPECT_EQ(EntryOf(u"C:\\ProgramData\\Planted\\Run").descriptor.dacl,
              (Acl{{ACCESS_ALLOWED_ACE_TYPE, kPassedOn, FILE_ALL_ACCESS, alice},
                   {ACCESS_ALLOWED_ACE_TYPE, kPassedOn, FILE_ALL_ACCESS, admins},
                   {ACCESS_ALLOWED_ACE_TYPE, INHERITED_ACE, FILE_ALL_ACCESS, admins},
                   {ACCESS_ALLOWED_ACE_TYPE, kKeptForBelow, FILE_ALL_ACCESS, creatorOwner}}));
}

TEST_F(SimSecurityTest, WhatTheSimGivesPersistsWithTheFileItBelongsTo) {
    WriteFile(u"C:\\Data\\kept.icm", "k");
    WriteFile(u"C:\\Data\\replaced.icm", "r");
    WriteFile(u"C:\\Data\\described.icm", "d");
    const char* description = R"({"files": {"C:\\Data\\described.icm": {"owner": "alice"}}})";
    LoadMachine(description);
    const Acl list{{ACCESS_ALLOWED_ACE_TYPE, 0, FILE_ALL_ACCESS, sim::AdministratorsSid()}};
    EXPECT_EQ(SetProtectedList(u"C:\\Data\\kept.icm", list), ERROR_SUCCESS);
    EXPECT_EQ(SetProtectedList(u"C:\\Data\\replaced.icm", list), ERROR_SUCCESS);
    const Handle described = Open(u"C:\\Data\\described.icm", WRITE_OWNER);
    std::string owner = sim::AdministratorsSid();
    EXPECT_EQ(SetSecurityInfo(described, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner.data(), nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    CloseHandle(described);
    const auto records = JournalRecords("SetSecurityInfo");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].dump(), R"({"call":"SetSecurityInfo","info":1,"owner":"S-1-5-32-544",)"
                                 R"("path":"C:\\Data\\described.icm","result":0})");
    sim::Finish();

    // A file replaced from outside the sim is another file, which the saved entry does not describe.
    std::filesystem::remove(sim::HostPath(u"C:\\Data\\replaced.icm"));
    WriteFile(u"C:\\Data\\replaced.icm", "new");
    LoadMachine(description);
    EXPECT_TRUE(EntryOf(u"C:\\Data\\kept.icm").descriptor.isProtected);
    EXPECT_EQ(EntryOf(u"C:\\Data\\kept.icm").descriptor.dacl, list);
    EXPECT_FALSE(EntryOf(u"C:\\Data\\replaced.icm").descriptor.isProtected);
    // The saved entry comes before the description's.
    EXPECT_EQ(EntryOf(u"C:\\Data\\described.icm").descriptor.owner, sim::AdministratorsSid());
    const sim::Json saved = sim::Json::parse(std::ifstream(Root() / "security.json"));
    EXPECT_TRUE(saved["files"]["C:\\Data\\kept.icm"].contains("identity"));
}

TEST_F(SimSecurityTest, AnEventTurnsAHeldFileIntoALinkInPlace) {
    WriteFile(u"C:\\Users\\user\\data.ini", "[ICMTag]\r\n");
    WriteFile(u"C:\\Windows\\win.ini", "[windows]\r\n");
    WriteFile(u"C:\\Full\\kept.txt", "x");
    LoadMachine(R"({"events": [
        {"after": "CreateFileW", "occurrence": 1,
         "link": {"path": "C:\\Users\\user\\data.ini", "target": "C:\\Windows\\win.ini"}},
        {"after": "CreateFileW", "occurrence": 1, "link": {"path": "C:\\Full", "target": "C:\\Windows"}}]})");
    const Handle held = Open(u"C:\\Users\\user\\data.ini", GENERIC_WRITE, FILE_FLAG_OPEN_REPARSE_POINT,
                             FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(held, InvalidHandleValue());
    // The held file is the link now, the same file that the name opens without following.
    EXPECT_EQ(TagOf(held), IO_REPARSE_TAG_SYMLINK);
    const Handle name =
        Open(u"C:\\Users\\user\\data.ini", FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT);
    ByHandleFileInformation heldInfo{};
    ByHandleFileInformation nameInfo{};
    ASSERT_TRUE(GetFileInformationByHandle(held, &heldInfo));
    ASSERT_TRUE(GetFileInformationByHandle(name, &nameInfo));
    EXPECT_EQ(heldInfo.nFileIndexLow, nameInfo.nFileIndexLow);
    EXPECT_EQ(heldInfo.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT, FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_TRUE(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"x", u"C:\\Users\\user\\data.ini"));
    EXPECT_EQ(ReadFile(u"C:\\Windows\\win.ini"), "[windows]\r\n[ICMTag]\r\nPNGM=x\r\n");
    CloseHandle(held);
    CloseHandle(name);
    // Only an empty folder becomes a link.
    EXPECT_FALSE(std::filesystem::is_symlink(sim::HostPath(u"C:\\Full")));

    // A link that leads out of the machine's drives gets no target.
    const std::filesystem::path outside = Root().parent_path() / (Root().filename().string() + "-outside");
    std::filesystem::create_symlink(outside, sim::HostPath(u"C:\\Full\\out.icm"));
    EXPECT_FALSE(CopyFileW(u"C:\\Full\\kept.txt", u"C:\\Full\\out.icm", kTrue));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(outside));
}

TEST_F(SimSecurityTest, TheCopyFaultWritesHalfTheSourceAndEndsTheFileThere) {
    WriteFile(u"C:\\Src\\a.icm", "0123456789");
    WriteFile(u"C:\\Dst\\a.icm", "an older and longer profile");
    WriteFile(u"C:\\Dst\\b.icm", "old");
    LoadMachine(R"({"faults": [{"call": "CopyFileToHandle", "to": "c:\\dst\\A.icm", "result": 112}]})");
    for (const char16_t* destination : {u"C:\\Dst\\a.icm", u"C:\\Dst\\b.icm"}) {
        const Handle file = Open(destination, GENERIC_WRITE);
        SetLastError(0);
        const BOOL copied = CopyFileToHandle(u"C:\\Src\\a.icm", file, destination);
        EXPECT_EQ(GetLastError(), copied ? 0u : 112u);
        CloseHandle(file);
    }
    EXPECT_EQ(ReadFile(u"C:\\Dst\\a.icm"), "01234");
    EXPECT_EQ(ReadFile(u"C:\\Dst\\b.icm"), "0123456789");
    const auto copies = JournalRecords("CopyFileW");
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0]["result"], 0);
    EXPECT_EQ(copies[1]["result"], 1);
}

} // namespace
