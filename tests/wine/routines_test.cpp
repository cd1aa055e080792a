// The tool's own routines run in this process under Wine, each compared with what Wine itself reports
// through its own programs (wmic) or through the system calls the routines stand on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "discovery/board_product.h"
#include "discovery/display_discovery.h"
#include "panel/chassis_type.h"
#include "panel/monitor_edid.h"
#include "panel/panel_candidates.h"
#include "platform/com.h"
#include "platform/display.h"
#include "platform/library.h"
#include "platform/wmi.h"
#include "profile/icc_tag.h"

#include "in_process.h"
#include "wine_support.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#undef GetObject

namespace {

using wine_test::W;

std::wstring Trim(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) {
        return L"";
    }
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

// The value lines of a wmic listing (every non-empty line after the column header), trimmed.
std::vector<std::wstring> WmicValues(const std::wstring& command) {
    const std::wstring output = wine_test::DecodeOutput(wine_test::Run(command).output);
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end = 0; end != std::wstring::npos; start = end + 1) {
        end = output.find(L'\n', start);
        const std::wstring line = Trim(output.substr(start, end == std::wstring::npos ? end : end - start));
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    if (!lines.empty()) {
        lines.erase(lines.begin());
    }
    return lines;
}

// Everything the C runtime's standard output receives while it lives, with line ends as "\n".
class CapturedStdout {
  public:
    CapturedStdout() : folder_(wine_test::MakeTempFolder()), saved_(_dup(1)) {
        std::fflush(stdout);
        const int file =
            _wopen((folder_ + L"\\out.txt").c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC, _S_IREAD | _S_IWRITE);
        _dup2(file, 1);
        _close(file);
    }
    ~CapturedStdout() {
        Restore();
        wine_test::RemoveTree(folder_);
    }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    std::string Text() {
        Restore();
        std::string text = wine_test::ReadFileBytes(folder_ + L"\\out.txt");
        std::erase(text, '\r');
        return text;
    }

  private:
    void Restore() {
        if (saved_ >= 0) {
            std::fflush(stdout);
            _dup2(saved_, 1);
            _close(saved_);
            saved_ = -1;
        }
    }
    std::wstring folder_;
    int saved_;
};

// A direct connection to one WMI namespace through the platform layer, for what Wine's WMI itself
// answers.
class DirectWmi {
  public:
    explicit DirectWmi(const char16_t* wmiNamespace) {
        EXPECT_EQ(platform::CoCreateInstance(platform::CLSID_WbemLocator, nullptr,
                                             platform::CLSCTX_INPROC_SERVER, platform::IID_IWbemLocator,
                                             &locator_),
                  S_OK);
        const platform::BSTR name = platform::SysAllocString(wmiNamespace);
        EXPECT_EQ(locator_->ConnectServer(name, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services_),
                  S_OK);
        platform::SysFreeString(name);
    }
    ~DirectWmi() {
        if (services_ != nullptr) {
            services_->Release();
        }
        if (locator_ != nullptr) {
            locator_->Release();
        }
    }
    DirectWmi(const DirectWmi&) = delete;
    DirectWmi& operator=(const DirectWmi&) = delete;

    platform::WbemServices* services() const { return services_; }

    // Hands every object of the enumeration to visit and releases it.
    template <typename Visit> static void Walk(platform::EnumWbemClassObject* enumerator, Visit visit) {
        for (;;) {
            platform::WbemClassObject* object = nullptr;
            platform::ULONG returned = 0;
            enumerator->Next(platform::WBEM_INFINITE, 1, &object, &returned);
            if (returned == 0 || object == nullptr) {
                break;
            }
            visit(*object);
            object->Release();
        }
        enumerator->Release();
    }

  private:
    platform::WbemLocator* locator_ = nullptr;
    platform::WbemServices* services_ = nullptr;
};

class RoutinesTest : public wine_test::InProcessTest {
  protected:
    void SetUp() override { ResetRunContext(); }
    void TearDown() override { ResetRunContext(); }
};

TEST_F(RoutinesTest, BoardProductIsWhatWmicReports) {
    const std::vector<std::wstring> products = WmicValues(L"wmic baseboard get product");
    ASSERT_FALSE(products.empty());
    char16_t product[kBoardProductText] = {};
    EXPECT_EQ(GetBoardProduct(product), 1);
    // With several boards the last one's name stands.
    EXPECT_EQ(W(product), products.back());
}

TEST_F(RoutinesTest, ChassisTypeIsTheFirstNumberWmiReports) {
    // Wine's wmic has no alias for the enclosure and prints array values empty; what it prints, when
    // it prints a number, must agree, and the enclosure's own ChassisTypes array decides.
    const std::vector<std::wstring> wmic = WmicValues(L"wmic path Win32_SystemEnclosure get ChassisTypes");
    std::wstring expected;
    {
        DirectWmi wmi(u"ROOT\\CIMV2");
        ASSERT_NE(wmi.services(), nullptr);
        const platform::BSTR language = platform::SysAllocString(u"WQL");
        const platform::BSTR query = platform::SysAllocString(u"SELECT * FROM Win32_SystemEnclosure");
        platform::EnumWbemClassObject* enumerator = nullptr;
        ASSERT_EQ(wmi.services()->ExecQuery(language, query, 0, nullptr, &enumerator), S_OK);
        platform::SysFreeString(query);
        platform::SysFreeString(language);
        DirectWmi::Walk(enumerator, [&expected](platform::WbemClassObject& object) {
            platform::Variant value;
            platform::VariantInit(&value);
            if (object.Get(u"ChassisTypes", 0, &value, nullptr, nullptr) == S_OK &&
                (value.vt & platform::VT_ARRAY) != 0) {
                platform::LONG lower = 0;
                platform::SafeArrayGetLBound(value.parray, 1, &lower);
                int32_t first = 0;
                if (platform::SafeArrayGetElemsize(value.parray) == 2) {
                    uint16_t element = 0;
                    platform::SafeArrayGetElement(value.parray, &lower, &element);
                    first = element;
                } else {
                    platform::SafeArrayGetElement(value.parray, &lower, &first);
                }
                expected = std::to_wstring(first);
            }
            platform::VariantClear(&value);
        });
    }
    ASSERT_FALSE(expected.empty()) << "Wine reports no chassis type";
    for (const std::wstring& line : wmic) {
        const std::size_t digit = line.find_first_of(L"0123456789");
        if (digit != std::wstring::npos) {
            EXPECT_EQ(line.substr(digit, line.find_first_not_of(L"0123456789", digit) - digit), expected);
        }
    }

    char16_t text[kChassisText] = {};
    EXPECT_EQ(GetChassisType(text), 1);
    EXPECT_EQ(W(text), expected);
    RecordProperty("ChassisTypes", std::string(expected.begin(), expected.end()));
}

// The active paths' first internal or embedded panel, by its source's GDI name, as the system's
// display configuration gives it; empty when no path is internal.
std::wstring InternalPanelSource() {
    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS) {
        return L"";
    }
    std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
    std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
    if (QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(),
                           nullptr) != ERROR_SUCCESS) {
        return L"";
    }
    for (UINT32 i = 0; i < pathCount; ++i) {
        const DISPLAYCONFIG_VIDEO_OUTPUT_TECHNOLOGY technology = paths[i].targetInfo.outputTechnology;
        if (technology == DISPLAYCONFIG_OUTPUT_TECHNOLOGY_INTERNAL ||
            technology == DISPLAYCONFIG_OUTPUT_TECHNOLOGY_DISPLAYPORT_EMBEDDED ||
            technology == DISPLAYCONFIG_OUTPUT_TECHNOLOGY_UDI_EMBEDDED) {
            DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
            source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
            source.header.size = sizeof source;
            source.header.adapterId = paths[i].sourceInfo.adapterId;
            source.header.id = paths[i].sourceInfo.id;
            return DisplayConfigGetDeviceInfo(&source.header) == ERROR_SUCCESS ? source.viewGdiDeviceName
                                                                               : L"";
        }
    }
    return L"";
}

std::vector<DISPLAY_DEVICEW> DisplayDevices(const wchar_t* adapter) {
    std::vector<DISPLAY_DEVICEW> devices;
    DISPLAY_DEVICEW device{};
    device.cb = sizeof device;
    for (DWORD i = 0; EnumDisplayDevicesW(adapter, i, &device, 0); ++i) {
        devices.push_back(device);
        device = DISPLAY_DEVICEW{};
        device.cb = sizeof device;
    }
    return devices;
}

TEST_F(RoutinesTest, InternalDisplayNameFollowsTheDisplayConfiguration) {
    const std::wstring expected = InternalPanelSource();
    char16_t name[kInternalDisplayText] = {};
    EXPECT_EQ(GetInternalDisplayName(name), expected.empty() ? 0 : 1);
    EXPECT_EQ(W(name), expected);
    RecordProperty("InternalDisplay", std::string(expected.begin(), expected.end()));
}

TEST_F(RoutinesTest, AdapterAndMonitorAreTheOnesTheSystemEnumerates) {
    // Looked up in the user-interface library, as the run sequence does.
    const platform::HMODULE user32 = platform::LoadLibraryW(u"user32.dll");
    ASSERT_NE(user32, nullptr);
    EnumDisplayDevicesFunc = platform::ProcAs<platform::PFN_EnumDisplayDevicesW>(
        platform::GetProcAddress(user32, "EnumDisplayDevicesW"));
    ASSERT_NE(EnumDisplayDevicesFunc, nullptr);

    // The adapter named by the internal panel's source, or else the primary one.
    const std::wstring internal = InternalPanelSource();
    const DISPLAY_DEVICEW* chosen = nullptr;
    const std::vector<DISPLAY_DEVICEW> adapters = DisplayDevices(nullptr);
    for (const DISPLAY_DEVICEW& adapter : adapters) {
        if (internal.empty() ? (adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0
                             : _wcsicmp(adapter.DeviceName, internal.c_str()) == 0) {
            chosen = &adapter;
            break;
        }
    }
    ASSERT_NE(chosen, nullptr) << "Wine enumerates no adapter to choose";
    // The PCI vendor identifier, by the hardware identifier's own format.
    const std::wstring deviceId = chosen->DeviceID;
    ASSERT_EQ(deviceId.rfind(L"PCI\\VEN_", 0), 0u) << std::string(deviceId.begin(), deviceId.end());
    const std::wstring expectedVendor = deviceId.substr(8, 4);

    char16_t vendor[10] = {};
    EXPECT_EQ(my_Get_VGA_VID2(vendor), 1);
    EXPECT_EQ(W(vendor), expectedVendor) << deviceId;

    std::wstring monitorName;
    std::wstring monitorDevice;
    for (const DISPLAY_DEVICEW& monitor : DisplayDevices(chosen->DeviceName)) {
        if ((monitor.StateFlags & DISPLAY_DEVICE_ACTIVE) != 0 &&
            (monitor.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) == 0) {
            monitorName = monitor.DeviceName;
            monitorDevice = monitor.DeviceID;
            break;
        }
    }
    EXPECT_EQ(W(g_szMonitorName), monitorName);
    EXPECT_EQ(W(g_szMonitorDevice), monitorDevice);
    RecordProperty("Adapter", std::string(deviceId.begin(), deviceId.end()));
    RecordProperty("MonitorDevice", std::string(monitorDevice.begin(), monitorDevice.end()));
}

TEST_F(RoutinesTest, MonitorCountAgreesWithWmi) {
    // What Wine's WMI answers for the connection-parameters class: the class object, then its instances.
    constexpr char16_t kClass[] = u"WmiMonitorConnectionParams";
    std::string expectedLine;
    int32_t expectedCount = 0;
    {
        DirectWmi wmi(u"ROOT\\WMI");
        ASSERT_NE(wmi.services(), nullptr);
        const platform::BSTR name = platform::SysAllocString(kClass);
        platform::WbemClassObject* classObject = nullptr;
        const platform::HRESULT hr = wmi.services()->GetObject(name, 0, nullptr, &classObject, nullptr);
        char line[200] = {};
        if (classObject == nullptr) {
            std::snprintf(line, sizeof line,
                          "Could not get class WmiMonitorConnectionParams. Error code = 0x%x\n",
                          static_cast<unsigned>(hr));
        } else {
            classObject->Release();
            platform::EnumWbemClassObject* instances = nullptr;
            const platform::HRESULT listed = wmi.services()->CreateInstanceEnum(name, 0, nullptr, &instances);
            if (platform::Failed(listed)) {
                std::snprintf(line, sizeof line,
                              "Could not get class instance WmiMonitorConnectionParams. Error code = 0x%x\n",
                              static_cast<unsigned>(listed));
            } else if (instances != nullptr) {
                DirectWmi::Walk(instances, [&expectedCount](platform::WbemClassObject&) { ++expectedCount; });
            }
        }
        platform::SysFreeString(name);
        expectedLine = line;
    }

    int32_t count = 0;
    CapturedStdout captured;
    GetMonitorEdid(&count, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(captured.Text(), expectedLine);
    EXPECT_EQ(count, expectedCount);
    RecordProperty("MonitorCount", count);
    RecordProperty("MonitorLine", expectedLine);

    // Without monitors described there is no candidate; the control device does not exist under Wine.
    EXPECT_EQ(GetPanelCandidates().size(), static_cast<std::size_t>(expectedCount));
}

constexpr uint32_t kPngm = MakeTagSignature("pngm");
constexpr uint32_t kPntp = MakeTagSignature("pntp");
constexpr uint32_t kI1tp = MakeTagSignature("i1tp");

std::wstring ReadTag(const std::wstring& path, uint32_t signature) {
    const std::u16string wide = wine_test::U(path);
    // The size of the tool's own tag buffer.
    char16_t text[512] = {};
    EXPECT_EQ(ParserICCTag(wide.c_str(), text, std::size(text), signature), 1) << signature;
    return W(text);
}

TEST_F(RoutinesTest, TagsAreReadFromTheFirstProfileOpened) {
    const std::wstring folder = wine_test::MakeTempFolder();
    const std::wstring first = folder + L"\\first.icm";
    const std::wstring second = folder + L"\\second.icm";
    wine_test::WriteFileBytes(first,
                              wine_test::MakeProfile({{kPngm, "AUO 15.6"}, {kPntp, "IPS"}, {kI1tp, "7"}}));
    wine_test::WriteFileBytes(second,
                              wine_test::MakeProfile({{kPngm, "BOE 14"}, {kPntp, "OLED"}, {kI1tp, "9"}}));

    EXPECT_EQ(ReadTag(first, kPngm), L"AUO 15.6");
    EXPECT_EQ(ReadTag(first, kPntp), L"IPS");
    EXPECT_EQ(ReadTag(first, kI1tp), L"7");
    // Wine's GetColorProfileElement copies nothing into a buffer shorter than the tag: a short tag is
    // read whole, and the text is cut to the caller's buffer afterwards.
    char16_t small[6] = {};
    EXPECT_EQ(ParserICCTag(wine_test::U(first).c_str(), small, std::size(small), kPngm), 1);
    EXPECT_EQ(W(small), L"AUO 1");
    // The profile stays open: another path still reads the first file.
    EXPECT_EQ(ReadTag(second, kPngm), L"AUO 15.6");

    ResetRunContext();
    EXPECT_EQ(g_pIcmFile, nullptr);
    EXPECT_EQ(ReadTag(second, kPngm), L"BOE 14");
    EXPECT_EQ(ReadTag(second, kI1tp), L"9");
    ResetRunContext();
    wine_test::RemoveTree(folder);
}

} // namespace
