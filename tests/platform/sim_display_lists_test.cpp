// The display lists of a machine of build 20348 and later, read through the functions its Mscms.dll
// exports, and what the legacy association does to them.
#include <string>
#include <vector>

#include "platform/color_system.h"
#include "platform/command_line.h"
#include "platform/library.h"
#include "platform/sim/machine.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;

constexpr char16_t kMonitor[] = u"MONITOR\\AUO10EC\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\0001";
// The default machine's panel path: the sim numbers it LUID 0x1000, source 0.
constexpr Luid kPanel{0x1000, 0};
constexpr HRESULT kNotFound = MakeHresult(0x80070490u);

class SimDisplayListsTest : public SimTest {
  protected:
    void Load(const std::string& displays) {
        LoadMachine(R"({"colorSystem": {"installed": ["p.icm", "q.icm"], "displays": )" + displays + "}}");
        const HMODULE mscms = LoadLibraryW(u"C:\\Windows\\System32\\Mscms.dll");
        list_ = ProcAs<PFN_ColorProfileGetDisplayList>(GetProcAddress(mscms, "ColorProfileGetDisplayList"));
        default_ =
            ProcAs<PFN_ColorProfileGetDisplayDefault>(GetProcAddress(mscms, "ColorProfileGetDisplayDefault"));
        scope_ = ProcAs<PFN_ColorProfileGetDisplayUserScope>(
            GetProcAddress(mscms, "ColorProfileGetDisplayUserScope"));
        ASSERT_TRUE(list_ != nullptr && default_ != nullptr && scope_ != nullptr);
    }
    std::vector<std::u16string> List(WCS_PROFILE_MANAGEMENT_SCOPE scope) const {
        char16_t** names = nullptr;
        DWORD count = 0;
        EXPECT_EQ(list_(scope, kPanel, 0, &names, &count), S_OK);
        const std::vector<std::u16string> list(names, names + count);
        // One block: one LocalFree releases the array and the names; a second finds nothing.
        EXPECT_EQ(LocalFree(static_cast<void*>(names)), nullptr);
        EXPECT_EQ(LocalFree(static_cast<void*>(names)), static_cast<void*>(names));
        return list;
    }
    std::u16string Default(WCS_PROFILE_MANAGEMENT_SCOPE scope, COLORPROFILESUBTYPE subtype) const {
        char16_t* name = nullptr;
        if (Failed(default_(scope, kPanel, 0, CPT_ICC, subtype, &name))) {
            return u"(failed)";
        }
        std::u16string text = name;
        EXPECT_EQ(LocalFree(name), nullptr);
        return text;
    }
    WCS_PROFILE_MANAGEMENT_SCOPE Scope() const {
        WCS_PROFILE_MANAGEMENT_SCOPE scope = -1;
        EXPECT_EQ(scope_(kPanel, 0, &scope), S_OK);
        return scope;
    }

    PFN_ColorProfileGetDisplayList list_ = nullptr;
    PFN_ColorProfileGetDisplayDefault default_ = nullptr;
    PFN_ColorProfileGetDisplayUserScope scope_ = nullptr;
};

using Names = std::vector<std::u16string>;
constexpr auto kSystem = WCS_PROFILE_MANAGEMENT_SCOPE_SYSTEM_WIDE;
constexpr auto kUser = WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER;
constexpr auto kStandard = CPST_STANDARD_DISPLAY_COLOR_MODE;
constexpr auto kExtended = CPST_EXTENDED_DISPLAY_COLOR_MODE;

TEST_F(SimDisplayListsTest, TheDisplayOfAPathsSourceAnswersPerScope) {
    // Source names compare ignoring case; null is what the call fails on.
    Load(R"({"\\\\.\\display1": {"system": {"profiles": ["a.icm", "b.icm"], "standardDefault": "b.icm"},
                                 "user": {"profiles": null, "extendedDefault": "a.icm"}}})");
    EXPECT_EQ(Scope(), kSystem);
    EXPECT_EQ(List(kSystem), (Names{u"a.icm", u"b.icm"}));
    EXPECT_EQ(Default(kSystem, kStandard), u"b.icm");
    EXPECT_EQ(Default(kSystem, kExtended), u"(failed)");
    EXPECT_EQ(Default(kUser, kExtended), u"a.icm");
    char16_t** names = nullptr;
    DWORD count = 0;
    EXPECT_EQ(list_(kUser, kPanel, 0, &names, &count), kNotFound);

    // A source no active path has, and what the functions do not take.
    char16_t* name = nullptr;
    EXPECT_EQ(list_(kSystem, kPanel, 1, &names, &count), E_INVALIDARG);
    EXPECT_EQ(default_(kSystem, kPanel, 0, CPT_ICC + 1, kStandard, &name), E_INVALIDARG);
    EXPECT_EQ(default_(kSystem, kPanel, 0, CPT_ICC, 4, &name), E_INVALIDARG);
    EXPECT_EQ(default_(2, kPanel, 0, CPT_ICC, kStandard, &name), E_INVALIDARG);
}

TEST_F(SimDisplayListsTest, LegacyAssociationGoesToTheUsersOwnListAndPersists) {
    const std::string displays = R"({"\\\\.\\DISPLAY1": {"userScope": "system",)"
                                 R"( "system": {"profiles": ["a.icm"], "standardDefault": "a.icm"}}})";
    Load(displays);
    ASSERT_TRUE(AssociateColorProfileWithDeviceW(nullptr, u"p.icm", kMonitor));
    // The user had no list: the system-wide one was copied, and is the user's from now on.
    EXPECT_EQ(Scope(), kUser);
    EXPECT_EQ(List(kUser), (Names{u"a.icm", u"p.icm"}));
    EXPECT_EQ(Default(kUser, kStandard), u"p.icm");
    EXPECT_EQ(List(kSystem), Names{u"a.icm"});
    EXPECT_EQ(Default(kSystem, kStandard), u"a.icm");

    sim::Finish();
    Load(displays);
    EXPECT_EQ(Default(kUser, kStandard), u"p.icm");
    ASSERT_TRUE(AssociateColorProfileWithDeviceW(nullptr, u"q.icm", kMonitor));
    ASSERT_TRUE(AssociateColorProfileWithDeviceW(nullptr, u"P.ICM", kMonitor));
    EXPECT_EQ(List(kUser), (Names{u"a.icm", u"p.icm", u"q.icm"}));
    EXPECT_EQ(Default(kUser, kStandard), u"P.ICM");
    EXPECT_EQ(List(kSystem), Names{u"a.icm"});
    std::vector<std::u16string> legacy;
    ASSERT_TRUE(ListColorProfiles(kMonitor, legacy));
    EXPECT_EQ(legacy, (Names{u"p.icm", u"q.icm"}));
}

} // namespace
