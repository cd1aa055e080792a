// The simulated machine's COM security, WMI locator and WMI objects, answering from the description's
// "wmi" key: per namespace, per class, the instances in enumeration order.
#include <map>
#include <optional>
#include <unordered_map>

#include "platform/sim/com_state.h"
#include "platform/sim/description.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/sim/wmi_values.h"
#include "platform/text.h"

using namespace platform;

namespace sim {

namespace {

constexpr HRESULT WBEM_S_FALSE = 1;
constexpr HRESULT WBEM_E_INVALID_OPERATION = MakeHresult(0x80041016u);
constexpr HRESULT WBEM_E_INVALID_QUERY_TYPE = MakeHresult(0x80041018u);
constexpr HRESULT WBEM_E_INVALID_OBJECT_PATH = MakeHresult(0x8004103Au);

// The computer name that object paths carry.
constexpr char kComputerName[] = "MACHINE";
constexpr char kDescriptorClass[] = "WmiMonitorDescriptorMethods";
constexpr char kEdidMethod[] = "WmiGetMonitorRawEEdidV1Block";
constexpr std::size_t kEdidBlockBytes = 128;

struct State {
    bool securityInitialized = false;
    // The instance of each class ("namespace:class", upper case) that an enumeration handed out last:
    // the one a caller works on when it asks the class for a method.
    std::map<std::string, int> lastInstance;
};

State& TheState() {
    static State state;
    return state;
}

const sim::ModuleRegistration kModule{{[] { TheState() = State{}; }, nullptr}};

HRESULT FaultResult(const Json* fault) {
    return MakeHresult(FaultCode(*fault, static_cast<uint32_t>(E_FAIL)));
}

// The description's entry (namespace or class) whose name equals name ignoring case.
const Json* FindEntry(const Json& table, std::string_view name, std::string* spelledAs) {
    if (!table.is_object()) {
        return nullptr;
    }
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (platform::EqualNoCase(it.key(), name)) {
            if (spelledAs != nullptr) {
                *spelledAs = it.key();
            }
            return &it.value();
        }
    }
    return nullptr;
}

const Json* FindMember(const Json& object, std::string_view name) {
    return FindEntry(object, name, nullptr);
}

// The key property that names an instance in its object path.
std::optional<std::pair<std::string, std::string>> InstanceKey(const Json& instance) {
    for (const char* key : {"InstanceName", "Tag", "Name", "DeviceID"}) {
        const Json* value = FindMember(instance, key);
        if (value != nullptr && value->is_string()) {
            return std::make_pair(std::string(key), value->get<std::string>());
        }
    }
    return std::nullopt;
}

// A quoted key value of an object path: backslashes and quotes escaped with a backslash.
std::string QuoteKey(const std::string& value) {
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string RelativePath(const std::string& className, const Json* instance) {
    if (instance == nullptr) {
        return className;
    }
    const auto key = InstanceKey(*instance);
    if (!key) {
        return className + "=@";
    }
    return className + "." + key->first + "=" + QuoteKey(key->second);
}

struct ParsedPath {
    std::string className;
    std::optional<std::string> keyValue;
};

// "[\\server\namespace:]Class[.Key="value"]"; nothing when the path is malformed.
std::optional<ParsedPath> ParsePath(std::string path) {
    // The server and namespace part ends at the first colon; the key value may hold colons of its own.
    const std::size_t colon = path.find(':');
    if (colon != std::string::npos && (path.rfind("\\\\", 0) == 0 || colon < path.find_first_of(".="))) {
        path = path.substr(colon + 1);
    }
    ParsedPath parsed;
    const std::size_t keyStart = path.find_first_of(".=");
    parsed.className = path.substr(0, keyStart);
    if (parsed.className.empty()) {
        return std::nullopt;
    }
    if (keyStart == std::string::npos) {
        return parsed;
    }
    const std::size_t equals = path.find('=', keyStart);
    if (equals == std::string::npos) {
        return std::nullopt;
    }
    std::string value = path.substr(equals + 1);
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
        parsed.keyValue = value;
        return parsed;
    }
    std::string unquoted;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) {
            ++i;
        }
        unquoted += value[i];
    }
    parsed.keyValue = unquoted;
    return parsed;
}

// Counted so that an object lives while any holder has not released it.
template <typename Base> class Counted : public Base {
  public:
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

  protected:
    Counted() = default;
    virtual ~Counted() = default;

  private:
    ULONG references_ = 1;
};

// Where an object comes from: its namespace (as the description spells it), its class, and for an
// instance its position in the class's enumeration (-1 for the class itself).
struct Origin {
    std::string wmiNamespace;
    std::string className;
    int instance = -1;

    Json Fields() const {
        Json fields{{"namespace", wmiNamespace}, {"class", className}};
        if (instance >= 0) {
            fields["instance"] = instance;
        }
        return fields;
    }
};

std::string LastInstanceKey(const Origin& origin) {
    return platform::UpperAsciiText(origin.wmiNamespace + ":" + origin.className);
}

bool IsEdidMethodOf(const Origin& origin, std::string_view method) {
    return platform::EqualNoCase(origin.className, kDescriptorClass) &&
           platform::EqualNoCase(method, kEdidMethod);
}

// A class, one of its instances, or the parameters of the EDID method.
class ClassObject : public Counted<WbemClassObject> {
  public:
    enum class Kind { Class, Instance, InSignature, InParameters, OutParameters };

    ClassObject(Kind kind, Origin origin, Json data)
        : kind_(kind), origin_(std::move(origin)), data_(std::move(data)) {}

    HRESULT Get(const char16_t* name, LONG flags, Variant* value, CIMTYPE* type, LONG* flavor) override {
        if (name == nullptr || flags != 0) {
            return WBEM_E_INVALID_PARAMETER;
        }
        const std::string member = platform::Utf16ToUtf8(name);
        Json fields = origin_.Fields();
        fields["property"] = member;
        if (const Json* fault = FindFault("Get", fields)) {
            return FaultResult(fault);
        }
        Variant result;
        CIMTYPE cimType = 0;
        if (const auto system = SystemProperty(member)) {
            MakeString(platform::Utf8ToUtf16(*system), &result);
            cimType = CIM_STRING;
        } else {
            const Json* stored = Property(member);
            if (stored == nullptr) {
                return WBEM_E_NOT_FOUND;
            }
            cimType = stored->is_object() ? MakeBlockContent(*stored, fields, &result)
                                          : MakeValue(member, *stored, fields, &result);
            if (cimType < 0) {
                return WBEM_E_FAILED;
            }
        }
        if (type != nullptr) {
            *type = cimType;
        }
        if (flavor != nullptr) {
            *flavor = 0;
        }
        if (value != nullptr) {
            *value = result;
        } else {
            VariantClear(&result);
        }
        return S_OK;
    }

    HRESULT Put(const char16_t* name, LONG flags, Variant* value, CIMTYPE type) override {
        if (name == nullptr || flags != 0 || (type != 0 && type != CIM_UINT8)) {
            return WBEM_E_INVALID_PARAMETER;
        }
        if (kind_ != Kind::InParameters && kind_ != Kind::InSignature) {
            return WBEM_E_INVALID_OPERATION;
        }
        if (!platform::EqualNoCase(platform::Utf16ToUtf8(name), "BlockId")) {
            return WBEM_E_NOT_FOUND;
        }
        if (const Json* fault = FindFault("Put", origin_.Fields())) {
            return FaultResult(fault);
        }
        // As WMI does, any integer variant in the range of the uint8 parameter is taken; null clears it.
        if (value == nullptr || value->vt == VT_NULL || value->vt == VT_EMPTY) {
            data_["BlockId"] = nullptr;
            return S_OK;
        }
        int64_t number = 0;
        switch (value->vt) {
        case VT_UI1:
            number = value->bVal;
            break;
        case VT_I2:
            number = value->iVal;
            break;
        case VT_UI2:
            number = value->uiVal;
            break;
        case VT_I4:
            number = value->lVal;
            break;
        case VT_UI4:
            number = value->ulVal;
            break;
        default:
            return WBEM_E_TYPE_MISMATCH;
        }
        if (number < 0 || number > 0xFF) {
            return WBEM_E_TYPE_MISMATCH;
        }
        data_["BlockId"] = number;
        return S_OK;
    }

    HRESULT GetMethod(const char16_t* name, LONG flags, WbemClassObject** inSignature,
                      WbemClassObject** outSignature) override {
        if (name == nullptr || flags != 0) {
            return WBEM_E_INVALID_PARAMETER;
        }
        if ((kind_ != Kind::Class && kind_ != Kind::Instance) ||
            !IsEdidMethodOf(origin_, platform::Utf16ToUtf8(name))) {
            return WBEM_E_NOT_FOUND;
        }
        // The method is asked for on behalf of the instance that the caller's enumeration is at.
        Origin origin = origin_;
        const auto last = TheState().lastInstance.find(LastInstanceKey(origin_));
        if (origin.instance < 0 && last != TheState().lastInstance.end()) {
            origin.instance = last->second;
        }
        if (const Json* fault = FindFault("GetMethod", origin.Fields())) {
            return FaultResult(fault);
        }
        if (inSignature != nullptr) {
            *inSignature = new ClassObject(Kind::InSignature, origin, Json{{"BlockId", nullptr}});
        }
        if (outSignature != nullptr) {
            *outSignature = new ClassObject(Kind::OutParameters, origin,
                                            Json{{"BlockType", nullptr}, {"BlockContent", nullptr}});
        }
        return S_OK;
    }

    HRESULT SpawnInstance(LONG flags, WbemClassObject** instance) override {
        if (flags != 0 || instance == nullptr) {
            return WBEM_E_INVALID_PARAMETER;
        }
        if (kind_ == Kind::InSignature) {
            *instance = new ClassObject(Kind::InParameters, origin_, data_);
            return S_OK;
        }
        if (kind_ == Kind::Class) {
            Origin origin = origin_;
            origin.instance = -1;
            *instance = new ClassObject(Kind::Instance, origin, Json::object());
            return S_OK;
        }
        return WBEM_E_INVALID_OPERATION;
    }

    Kind kind() const { return kind_; }
    const Json& data() const { return data_; }

  private:
    // The method's BlockContent answer: {"bytes": [...], "lowerBound": n, "elementSize": n}.
    static CIMTYPE MakeBlockContent(const Json& content, const Json& fields, Variant* out) {
        const Json* bytes = FindMember(content, "bytes");
        const Json* lower = FindMember(content, "lowerBound");
        const Json* size = FindMember(content, "elementSize");
        if (bytes == nullptr || !bytes->is_array()) {
            return -1;
        }
        MakeByteArray(bytes->get<std::vector<uint8_t>>(), lower != nullptr ? lower->get<LONG>() : 0,
                      size != nullptr ? size->get<UINT>() : 1, fields, out);
        return CIM_UINT8 | CIM_FLAG_ARRAY;
    }

    const Json* Property(const std::string& member) const {
        // The EDID method's data of a descriptor instance is not one of its properties.
        if (kind_ == Kind::Instance &&
            (platform::EqualNoCase(member, "BlockContent") || platform::EqualNoCase(member, "BlockType")) &&
            platform::EqualNoCase(origin_.className, kDescriptorClass)) {
            return nullptr;
        }
        return FindMember(data_, member);
    }

    std::optional<std::string> SystemProperty(const std::string& member) const {
        if (kind_ != Kind::Class && kind_ != Kind::Instance) {
            return std::nullopt;
        }
        const std::string relative =
            RelativePath(origin_.className, kind_ == Kind::Instance ? &data_ : nullptr);
        if (platform::EqualNoCase(member, "__CLASS")) {
            return origin_.className;
        }
        if (platform::EqualNoCase(member, "__NAMESPACE")) {
            return origin_.wmiNamespace;
        }
        if (platform::EqualNoCase(member, "__SERVER")) {
            return std::string(kComputerName);
        }
        if (platform::EqualNoCase(member, "__RELPATH")) {
            return relative;
        }
        if (platform::EqualNoCase(member, "__PATH")) {
            return std::string("\\\\") + kComputerName + "\\" + origin_.wmiNamespace + ":" + relative;
        }
        return std::nullopt;
    }

    Kind kind_;
    Origin origin_;
    Json data_;
};

// The instances of one class as they were when the enumeration started.
class Enumerator : public Counted<EnumWbemClassObject> {
  public:
    Enumerator(Origin origin, Json instances)
        : origin_(std::move(origin)), instances_(std::move(instances)) {}

    HRESULT Next(LONG, ULONG count, WbemClassObject** objects, ULONG* returned) override {
        if (objects == nullptr || returned == nullptr) {
            return WBEM_E_INVALID_PARAMETER;
        }
        *returned = 0;
        while (*returned < count && next_ < instances_.size()) {
            Origin origin = origin_;
            origin.instance = static_cast<int>(next_);
            TheState().lastInstance[LastInstanceKey(origin)] = origin.instance;
            objects[*returned] = new ClassObject(ClassObject::Kind::Instance, origin, instances_[next_]);
            ++next_;
            ++*returned;
        }
        return *returned == count ? S_OK : WBEM_S_FALSE;
    }

  private:
    Origin origin_;
    Json instances_;
    std::size_t next_ = 0;
};

class Services : public Counted<WbemServices> {
  public:
    explicit Services(std::string wmiNamespace) : namespace_(std::move(wmiNamespace)) {}

    const std::string& wmiNamespace() const { return namespace_; }

    HRESULT ExecQuery(const BSTR language, const BSTR query, LONG, void*,
                      EnumWbemClassObject** enumerator) override {
        const std::string text = platform::Utf8OrEmpty(query);
        HRESULT hr = S_OK;
        std::string className;
        if (enumerator == nullptr || language == nullptr || query == nullptr) {
            hr = WBEM_E_INVALID_PARAMETER;
        } else if (!platform::EqualNoCase(platform::Utf8OrEmpty(language), "WQL")) {
            hr = WBEM_E_INVALID_QUERY_TYPE;
        } else if (!ParseSelectAll(text, &className)) {
            hr = WBEM_E_INVALID_QUERY;
        } else {
            hr = Enumerate(className, "ExecQuery", enumerator);
        }
        Journal("ExecQuery", Json{{"namespace", namespace_},
                                  {"query", text},
                                  {"result", platform::Hex32(static_cast<uint32_t>(hr))}});
        return hr;
    }

    HRESULT GetObject(const BSTR path, LONG flags, void*, WbemClassObject** object,
                      void** callResult) override {
        if (callResult != nullptr) {
            *callResult = nullptr;
        }
        if (path == nullptr || object == nullptr || flags != 0) {
            return WBEM_E_INVALID_PARAMETER;
        }
        *object = nullptr;
        const auto parsed = ParsePath(platform::Utf16ToUtf8(path));
        if (!parsed) {
            return WBEM_E_INVALID_OBJECT_PATH;
        }
        Origin origin{namespace_, parsed->className, -1};
        if (const Json* fault = FindFault("GetObject", origin.Fields())) {
            return FaultResult(fault);
        }
        const Json* instances = FindClass(parsed->className, &origin.className);
        if (instances == nullptr) {
            return WBEM_E_NOT_FOUND;
        }
        if (!parsed->keyValue) {
            *object = new ClassObject(ClassObject::Kind::Class, origin, Json::object());
            return S_OK;
        }
        origin.instance = FindInstance(*instances, *parsed->keyValue);
        if (origin.instance < 0) {
            return WBEM_E_NOT_FOUND;
        }
        *object = new ClassObject(ClassObject::Kind::Instance, origin,
                                  (*instances)[static_cast<std::size_t>(origin.instance)]);
        return S_OK;
    }

    HRESULT CreateInstanceEnum(const BSTR className, LONG flags, void*,
                               EnumWbemClassObject** enumerator) override {
        if (className == nullptr || enumerator == nullptr || (flags & ~0x30) != 0) {
            return WBEM_E_INVALID_PARAMETER;
        }
        return Enumerate(platform::Utf16ToUtf8(className), "CreateInstanceEnum", enumerator);
    }

    HRESULT ExecMethod(const BSTR objectPath, const BSTR methodName, LONG flags, void*,
                       WbemClassObject* inParams, WbemClassObject** outParams, void** callResult) override {
        if (callResult != nullptr) {
            *callResult = nullptr;
        }
        if (outParams != nullptr) {
            *outParams = nullptr;
        }
        const HRESULT hr =
            flags != 0 ? WBEM_E_INVALID_PARAMETER : RunMethod(objectPath, methodName, inParams, outParams);
        Journal("ExecMethod", Json{{"path", platform::Utf8OrEmpty(objectPath)},
                                   {"method", platform::Utf8OrEmpty(methodName)},
                                   {"result", platform::Hex32(static_cast<uint32_t>(hr))}});
        return hr;
    }

  private:
    static bool ParseSelectAll(const std::string& query, std::string* className) {
        std::vector<std::string> words;
        std::string word;
        for (const char c : query + " ") {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                if (!word.empty()) {
                    words.push_back(word);
                }
                word.clear();
            } else {
                word += c;
            }
        }
        if (words.size() != 4 || !platform::EqualNoCase(words[0], "SELECT") || words[1] != "*" ||
            !platform::EqualNoCase(words[2], "FROM")) {
            return false;
        }
        *className = words[3];
        return true;
    }

    const Json* FindClass(const std::string& className, std::string* spelledAs) const {
        const Json* wmi = FindMember(Description(), "wmi");
        const Json* classes = wmi == nullptr ? nullptr : FindMember(*wmi, namespace_);
        const Json* instances = classes == nullptr ? nullptr : FindEntry(*classes, className, spelledAs);
        return instances != nullptr && instances->is_array() ? instances : nullptr;
    }

    // The first instance whose key has this value (ignoring case). Each class's instances are indexed
    // once per connection, so that calling a method on every instance of a large class stays linear.
    int FindInstance(const Json& instances, const std::string& keyValue) {
        auto [index, added] = instanceIndex_.try_emplace(&instances);
        if (added) {
            for (std::size_t i = 0; i < instances.size(); ++i) {
                if (const auto key = InstanceKey(instances[i])) {
                    index->second.try_emplace(platform::UpperAsciiText(key->second), static_cast<int>(i));
                }
            }
        }
        const auto found = index->second.find(platform::UpperAsciiText(keyValue));
        return found == index->second.end() ? -1 : found->second;
    }

    HRESULT Enumerate(const std::string& className, std::string_view call, EnumWbemClassObject** enumerator) {
        *enumerator = nullptr;
        Origin origin{namespace_, className, -1};
        if (const Json* fault = FindFault(call, origin.Fields())) {
            return FaultResult(fault);
        }
        const Json* instances = FindClass(className, &origin.className);
        if (instances == nullptr) {
            return WBEM_E_INVALID_CLASS;
        }
        *enumerator = new Enumerator(origin, *instances);
        return S_OK;
    }

    HRESULT RunMethod(const BSTR objectPath, const BSTR methodName, WbemClassObject* inParams,
                      WbemClassObject** outParams) {
        if (objectPath == nullptr || methodName == nullptr) {
            return WBEM_E_INVALID_PARAMETER;
        }
        const auto parsed = ParsePath(platform::Utf16ToUtf8(objectPath));
        if (!parsed || !parsed->keyValue) {
            return WBEM_E_INVALID_OBJECT_PATH;
        }
        Origin origin{namespace_, parsed->className, -1};
        const Json* instances = FindClass(parsed->className, &origin.className);
        if (instances == nullptr) {
            return WBEM_E_INVALID_CLASS;
        }
        origin.instance = FindInstance(*instances, *parsed->keyValue);
        if (origin.instance < 0) {
            return WBEM_E_NOT_FOUND;
        }
        if (!IsEdidMethodOf(origin, platform::Utf16ToUtf8(methodName))) {
            return WBEM_E_INVALID_METHOD;
        }
        if (const Json* fault = FindFault("ExecMethod", origin.Fields())) {
            return FaultResult(fault);
        }
        if (FindFault("ExecMethod.noOutput", origin.Fields()) != nullptr) {
            return S_OK;
        }
        const auto* parameters = dynamic_cast<const ClassObject*>(inParams);
        const Json* blockId = parameters == nullptr ? nullptr : FindMember(parameters->data(), "BlockId");
        if (blockId == nullptr || !blockId->is_number_integer()) {
            return WBEM_E_INVALID_PARAMETER;
        }
        Json answer;
        const HRESULT hr =
            EdidAnswer((*instances)[static_cast<std::size_t>(origin.instance)], blockId->get<int>(), &answer);
        if (Succeeded(hr) && outParams != nullptr) {
            *outParams = new ClassObject(ClassObject::Kind::OutParameters, origin, answer);
        }
        return hr;
    }

    // The method's answer for one block of the instance's EDID: a hex BlockContent is the EDID, split
    // into blocks of 128 bytes; an object BlockContent is the array the method answers for any block.
    static HRESULT EdidAnswer(const Json& instance, int block, Json* answer) {
        const Json* content = FindMember(instance, "BlockContent");
        const Json* blockType = FindMember(instance, "BlockType");
        if (content == nullptr) {
            return WBEM_E_INVALID_PARAMETER;
        }
        Json array;
        if (content->is_string()) {
            const std::vector<uint8_t> bytes = platform::FromHex(content->get<std::string>());
            const std::size_t start = static_cast<std::size_t>(block) * kEdidBlockBytes;
            if (start >= bytes.size()) {
                return WBEM_E_INVALID_PARAMETER;
            }
            const std::size_t end = std::min(bytes.size(), start + kEdidBlockBytes);
            array = Json{{"bytes", std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                                        bytes.begin() + static_cast<std::ptrdiff_t>(end))}};
        } else {
            const Json* hex = FindMember(*content, "bytes");
            array = *content;
            array["bytes"] = platform::FromHex(hex != nullptr && hex->is_string() ? hex->get<std::string>()
                                                                                  : std::string());
        }
        (*answer)["BlockContent"] = array;
        // Without a stated type, the base block is an EDID block (1) and any other "other" (255).
        (*answer)["BlockType"] = blockType != nullptr ? *blockType : Json(block == 0 ? 1 : 255);
        return S_OK;
    }

    std::string namespace_;
    std::unordered_map<const Json*, std::unordered_map<std::string, int>> instanceIndex_;
};

class Locator : public Counted<WbemLocator> {
  public:
    HRESULT ConnectServer(const BSTR networkResource, const BSTR, const BSTR, const BSTR, LONG, const BSTR,
                          void*, WbemServices** services) override {
        const std::string given = platform::Utf8OrEmpty(networkResource);
        HRESULT hr = S_OK;
        std::string spelledAs;
        if (services == nullptr || networkResource == nullptr) {
            hr = WBEM_E_INVALID_PARAMETER;
        } else if (const Json* fault = FindFault("ConnectServer", Json{{"namespace", given}})) {
            hr = FaultResult(fault);
        } else {
            std::string local = given;
            if (local.rfind("\\\\.\\", 0) == 0 || local.rfind("//./", 0) == 0) {
                local = local.substr(4);
            }
            const Json* wmi = FindMember(Description(), "wmi");
            if (wmi == nullptr || FindEntry(*wmi, local, &spelledAs) == nullptr) {
                hr = WBEM_E_INVALID_NAMESPACE;
            }
        }
        if (services != nullptr) {
            *services = Succeeded(hr) ? new Services(spelledAs) : nullptr;
        }
        Journal("ConnectServer",
                Json{{"namespace", given}, {"result", platform::Hex32(static_cast<uint32_t>(hr))}});
        return hr;
    }
};

} // namespace

} // namespace sim

namespace platform {

HRESULT CoInitializeSecurity(void*, LONG, void*, void*, DWORD, DWORD, void*, DWORD, void*) {
    HRESULT hr = S_OK;
    if (const sim::Json* fault = sim::FindFault("CoInitializeSecurity")) {
        hr = sim::FaultResult(fault);
    } else if (sim::TheState().securityInitialized) {
        hr = RPC_E_TOO_LATE;
    } else {
        sim::TheState().securityInitialized = true;
    }
    sim::Journal("CoInitializeSecurity", sim::Json{{"result", platform::Hex32(static_cast<uint32_t>(hr))}});
    return hr;
}

HRESULT CoCreateInstance(const Guid& clsid, void* outer, DWORD clsContext, const Guid& iid,
                         WbemLocator** locator) {
    if (locator == nullptr) {
        return E_POINTER;
    }
    *locator = nullptr;
    if (!sim::ComInitialized()) {
        return CO_E_NOTINITIALIZED;
    }
    if (const sim::Json* fault = sim::FindFault("CoCreateInstance")) {
        return sim::FaultResult(fault);
    }
    if (!(clsid == CLSID_WbemLocator) || (clsContext & CLSCTX_INPROC_SERVER) == 0) {
        return REGDB_E_CLASSNOTREG;
    }
    if (outer != nullptr) {
        return MakeHresult(0x80040110u); // CLASS_E_NOAGGREGATION
    }
    if (!(iid == IID_IWbemLocator)) {
        return E_NOINTERFACE;
    }
    *locator = new sim::Locator;
    return S_OK;
}

HRESULT CoSetProxyBlanket(WbemServices* proxy, DWORD, DWORD, const char16_t*, DWORD, DWORD, void*, DWORD) {
    const auto* services = dynamic_cast<const sim::Services*>(proxy);
    if (services == nullptr) {
        return E_INVALIDARG;
    }
    if (const sim::Json* fault =
            sim::FindFault("CoSetProxyBlanket", sim::Json{{"namespace", services->wmiNamespace()}})) {
        return sim::FaultResult(fault);
    }
    return S_OK;
}

} // namespace platform
