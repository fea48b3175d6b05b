#include "platform/SetupApi.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/StandInMachine.h"
#include "platform/posix/InfParser.h"
#include "platform/posix/Internal.h"
#include "platform/posix/RegHelpers.h"

namespace {

using plat::reg::Join;

constexpr std::u16string_view kEnumKey = u"SYSTEM\\CurrentControlSet\\Enum";
constexpr std::u16string_view kPnpKey = u"SYSTEM\\MktStandIn\\PnP";

template <class T>
class Table {
public:
    void* Add(std::shared_ptr<T> obj) {
        std::lock_guard lock(m_mutex);
        m_next += 4;
        m_objects.emplace(m_next, std::move(obj));
        return reinterpret_cast<void*>(m_next);
    }
    std::shared_ptr<T> Get(const void* h) {
        std::lock_guard lock(m_mutex);
        auto it = m_objects.find(reinterpret_cast<std::uintptr_t>(h));
        return it == m_objects.end() ? nullptr : it->second;
    }
    bool Remove(const void* h) {
        std::lock_guard lock(m_mutex);
        return m_objects.erase(reinterpret_cast<std::uintptr_t>(h)) != 0;
    }
    explicit Table(std::uintptr_t base) : m_next(base) {}

private:
    std::mutex m_mutex;
    std::uintptr_t m_next;
    std::unordered_map<std::uintptr_t, std::shared_ptr<T>> m_objects;
};

Table<plat::inf::InfFile>& InfHandles() {
    static Table<plat::inf::InfFile> t(0x1F000000);
    return t;
}

struct DeviceSet {
    std::vector<std::u16string> keys;  // registry paths of the device nodes
    std::vector<bool> removed;
};

Table<DeviceSet>& DeviceSets() {
    static Table<DeviceSet> t(0x2D000000);
    return t;
}

bool HasFolder(std::u16string_view path) {
    return path.find(u'\\') != std::u16string_view::npos ||
           path.find(u'/') != std::u16string_view::npos ||
           (path.size() >= 2 && path[1] == u':');
}

bool CopyOut(std::u16string_view s, LPWSTR buf, DWORD size, DWORD* required) {
    if (required) *required = static_cast<DWORD>(s.size() + 1);
    if (!buf || size < s.size() + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(buf, s.data(), s.size() * sizeof(char16_t));
    buf[s.size()] = 0;
    return true;
}

std::u16string NameOf(std::u16string_view path) {
    const size_t slash = path.find_last_of(u"\\/");
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// Registered oemNN.inf files, with their numbers.
std::vector<std::pair<unsigned, std::u16string>> OemInfs() {
    std::vector<std::pair<unsigned, std::u16string>> out;
    for (const auto& e : plat::FindFiles(plat::InfFolder(), u"oem*.inf")) {
        if (e.isDirectory) continue;
        const std::u16string_view n = e.name;
        if (n.size() < 8) continue;
        unsigned number = 0;
        bool digits = true;
        for (char16_t c : n.substr(3, n.size() - 7)) {
            if (c < u'0' || c > u'9') {
                digits = false;
                break;
            }
            number = number * 10 + static_cast<unsigned>(c - u'0');
        }
        if (digits) out.emplace_back(number, e.name);
    }
    return out;
}

std::u16string DeviceKeyOf(const std::shared_ptr<DeviceSet>& set, const SP_DEVINFO_DATA* data) {
    if (!set || !data || data->DevInst >= set->keys.size()) return {};
    return set->keys[data->DevInst];
}

}  // namespace

namespace plat {

std::u16string InfFolder() { return GetWindowsDirectoryString() + u"\\INF"; }

void AddDeviceNode(std::u16string_view enumerator, std::u16string_view deviceId,
                   std::u16string_view instance, const std::vector<std::u16string>& hardwareIds,
                   bool present) {
    EnsureStandInMachine();
    const std::u16string key = Join(Join(Join(kEnumKey, enumerator), deviceId), instance);
    reg::CreateKey(key);
    reg::WriteMultiString(key, u"HardwareID", hardwareIds);
    reg::WriteDword(key, u"MktPresent", present ? 1 : 0);
}

}  // namespace plat

BOOL SetupCopyOEMInfW(LPCWSTR SourceInfFileName, LPCWSTR, DWORD OEMSourceMediaType,
                      DWORD CopyStyle, LPWSTR DestinationInfFileName,
                      DWORD DestinationInfFileNameSize, DWORD* RequiredSize,
                      LPWSTR* DestinationInfFileNameComponent) {
    plat::EnsureStandInMachine();
    if (OEMSourceMediaType != SPOST_PATH && OEMSourceMediaType != SPOST_NONE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto source = plat::ReadWholeFile(plat::detail::View(SourceInfFileName));
    if (!source) return FALSE;  // last error from the read
    if (!plat::inf::InfFile::Parse(plat::inf::DecodeText(*source)).IsWin4Style()) {
        SetLastError(ERROR_WRONG_INF_STYLE);
        return FALSE;
    }
    const std::u16string folder = plat::InfFolder();
    std::u16string existing;
    const auto oems = OemInfs();
    for (const auto& [number, name] : oems) {
        const auto bytes = plat::ReadWholeFile(folder + u"\\" + name);
        if (bytes && *bytes == *source) {
            existing = folder + u"\\" + name;
            break;
        }
    }
    auto report = [&](const std::u16string& dest) -> bool {
        if (!CopyOut(dest, DestinationInfFileName, DestinationInfFileNameSize, RequiredSize))
            return false;
        if (DestinationInfFileNameComponent && DestinationInfFileName)
            *DestinationInfFileNameComponent =
                DestinationInfFileName + (dest.size() - NameOf(dest).size());
        return true;
    };
    if (!existing.empty()) {
        if (CopyStyle & SP_COPY_NOOVERWRITE) {
            report(existing);
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        if (!plat::WriteWholeFile(existing, *source)) return FALSE;
        if (!report(existing)) return FALSE;
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    if (CopyStyle & SP_COPY_REPLACEONLY) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    unsigned number = 0;
    for (bool taken = true; taken; ++number) {
        taken = false;
        for (const auto& o : oems)
            if (o.first == number) taken = true;
        if (!taken) break;
    }
    std::u16string dest = folder + u"\\oem";
    for (char c : std::to_string(number)) dest.push_back(static_cast<char16_t>(c));
    dest += u".inf";
    DWORD needed = static_cast<DWORD>(dest.size() + 1);
    if (RequiredSize) *RequiredSize = needed;
    if (DestinationInfFileName && DestinationInfFileNameSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (!plat::WriteWholeFile(dest, *source)) return FALSE;
    if (DestinationInfFileName && !report(dest)) return FALSE;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetupUninstallOEMInfW(LPCWSTR InfFileName, DWORD, void*) {
    plat::EnsureStandInMachine();
    const std::u16string name = NameOf(plat::detail::View(InfFileName));
    bool oem = false;
    for (const auto& o : OemInfs())
        if (plat::detail::EqualsNoCase(o.second, name)) oem = true;
    if (!oem) {
        SetLastError(name.size() > 3 && plat::detail::EqualsNoCase(name.substr(0, 3), u"oem")
                         ? ERROR_FILE_NOT_FOUND
                         : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return DeleteFileW((plat::InfFolder() + u"\\" + name).c_str());
}

BOOL SetupGetInfFileListW(LPCWSTR DirectoryPath, DWORD InfStyle, LPWSTR ReturnBuffer,
                          DWORD ReturnBufferSize, DWORD* RequiredSize) {
    plat::EnsureStandInMachine();
    const std::u16string folder =
        DirectoryPath && *DirectoryPath ? std::u16string(DirectoryPath) : plat::InfFolder();
    const auto entries = plat::FindFiles(folder, u"*.inf");
    if (GetLastError() == ERROR_PATH_NOT_FOUND) return FALSE;
    std::u16string list;
    for (const auto& e : entries) {
        if (e.isDirectory) continue;
        const auto inf = plat::inf::InfFile::Load(folder + u"\\" + e.name);
        if (!inf) continue;
        const bool win4 = inf->IsWin4Style();
        if ((win4 && (InfStyle & INF_STYLE_WIN4)) || (!win4 && (InfStyle & INF_STYLE_OLDNT))) {
            list += e.name;
            list.push_back(0);
        }
    }
    list.push_back(0);
    if (RequiredSize) *RequiredSize = static_cast<DWORD>(list.size());
    if (!ReturnBuffer) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;  // size query
    }
    if (ReturnBufferSize < list.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(ReturnBuffer, list.data(), list.size() * sizeof(char16_t));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

HINF SetupOpenInfFileW(LPCWSTR FileName, LPCWSTR, DWORD InfStyle, UINT* ErrorLine) {
    plat::EnsureStandInMachine();
    if (ErrorLine) *ErrorLine = 0;
    std::u16string path(plat::detail::View(FileName));
    if (!HasFolder(path)) path = plat::InfFolder() + u"\\" + path;
    auto inf = plat::inf::InfFile::Load(path);
    if (!inf) return INVALID_HANDLE_VALUE;
    const bool win4 = inf->IsWin4Style();
    if (!((win4 && (InfStyle & INF_STYLE_WIN4)) || (!win4 && (InfStyle & INF_STYLE_OLDNT)))) {
        SetLastError(ERROR_WRONG_INF_STYLE);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return InfHandles().Add(std::make_shared<plat::inf::InfFile>(std::move(*inf)));
}

void SetupCloseInfFile(HINF InfHandle) { InfHandles().Remove(InfHandle); }

BOOL SetupFindFirstLineW(HINF InfHandle, LPCWSTR Section, LPCWSTR Key, INFCONTEXT* Context) {
    auto inf = InfHandles().Get(InfHandle);
    if (!inf) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const auto& sections = inf->Sections();
    for (UINT s = 0; s < sections.size(); ++s) {
        if (!plat::detail::EqualsNoCase(sections[s].name, plat::detail::View(Section))) continue;
        for (UINT l = 0; l < sections[s].lines.size(); ++l) {
            if (!Key || plat::detail::EqualsNoCase(sections[s].lines[l].key, Key)) {
                if (Context) *Context = INFCONTEXT{InfHandle, InfHandle, s, l};
                SetLastError(ERROR_SUCCESS);
                return TRUE;
            }
        }
        SetLastError(ERROR_LINE_NOT_FOUND);
        return FALSE;
    }
    SetLastError(ERROR_SECTION_NOT_FOUND);
    return FALSE;
}

BOOL SetupFindNextLine(const INFCONTEXT* ContextIn, INFCONTEXT* ContextOut) {
    if (!ContextIn) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto inf = InfHandles().Get(ContextIn->Inf);
    if (!inf || ContextIn->Section >= inf->Sections().size()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (ContextIn->Line + 1 >= inf->Sections()[ContextIn->Section].lines.size()) {
        SetLastError(ERROR_LINE_NOT_FOUND);
        return FALSE;
    }
    if (ContextOut) {
        *ContextOut = *ContextIn;
        ++ContextOut->Line;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetupGetStringFieldW(const INFCONTEXT* Context, DWORD FieldIndex, LPWSTR ReturnBuffer,
                          DWORD ReturnBufferSize, DWORD* RequiredSize) {
    auto inf = Context ? InfHandles().Get(Context->Inf) : nullptr;
    if (!inf || Context->Section >= inf->Sections().size() ||
        Context->Line >= inf->Sections()[Context->Section].lines.size()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const auto& line = inf->Sections()[Context->Section].lines[Context->Line];
    std::u16string value;
    if (FieldIndex == 0) {
        value = line.key;
    } else if (FieldIndex <= line.fields.size()) {
        value = line.fields[FieldIndex - 1];
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!ReturnBuffer) {
        if (RequiredSize) *RequiredSize = static_cast<DWORD>(value.size() + 1);
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    if (!CopyOut(value, ReturnBuffer, ReturnBufferSize, RequiredSize)) return FALSE;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

HDEVINFO SetupDiGetClassDevsW(const void* ClassGuid, LPCWSTR Enumerator, HWND, DWORD Flags) {
    plat::EnsureStandInMachine();
    if (ClassGuid != nullptr || !(Flags & DIGCF_ALLCLASSES)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_shared<DeviceSet>();
    std::vector<std::u16string> enumerators;
    if (Enumerator && *Enumerator) enumerators.emplace_back(Enumerator);
    else enumerators = plat::reg::SubKeys(kEnumKey);
    for (const auto& en : enumerators) {
        const std::u16string enumKey = Join(kEnumKey, en);
        for (const auto& dev : plat::reg::SubKeys(enumKey)) {
            const std::u16string devKey = Join(enumKey, dev);
            for (const auto& inst : plat::reg::SubKeys(devKey)) {
                const std::u16string key = Join(devKey, inst);
                if ((Flags & DIGCF_PRESENT) && plat::reg::ReadDword(key, u"MktPresent", 0) == 0)
                    continue;
                set->keys.push_back(key);
            }
        }
    }
    set->removed.assign(set->keys.size(), false);
    SetLastError(ERROR_SUCCESS);
    return DeviceSets().Add(set);
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                           SP_DEVINFO_DATA* DeviceInfoData) {
    auto set = DeviceSets().Get(DeviceInfoSet);
    if (!set) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A removed device keeps its place in the set (its properties can no longer be
    // read), so that a scan by increasing index sees every other device.
    if (MemberIndex < set->keys.size()) {
        if (DeviceInfoData) {
            if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            std::memset(DeviceInfoData->ClassGuid, 0, sizeof DeviceInfoData->ClassGuid);
            DeviceInfoData->DevInst = MemberIndex;
            DeviceInfoData->Reserved = 0;
        }
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
}

BOOL SetupDiGetDeviceRegistryPropertyW(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData,
                                       DWORD Property, DWORD* PropertyRegDataType,
                                       BYTE* PropertyBuffer, DWORD PropertyBufferSize,
                                       DWORD* RequiredSize) {
    auto set = DeviceSets().Get(DeviceInfoSet);
    const std::u16string key = DeviceKeyOf(set, DeviceInfoData);
    if (key.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (set->removed[DeviceInfoData->DevInst]) {
        SetLastError(ERROR_NO_SUCH_DEVINST);
        return FALSE;
    }
    std::u16string data;
    DWORD type = 1;  // REG_SZ
    switch (Property) {
        case SPDRP_HARDWAREID: {
            const auto ids = plat::reg::ReadMultiString(key, u"HardwareID");
            if (ids.empty()) {
                SetLastError(ERROR_INVALID_DATA);
                return FALSE;
            }
            for (const auto& id : ids) {
                data += id;
                data.push_back(0);
            }
            data.push_back(0);
            type = 7;  // REG_MULTI_SZ
            break;
        }
        case SPDRP_DEVICEDESC:
        case SPDRP_MFG: {
            auto v = plat::reg::ReadString(key, Property == SPDRP_MFG ? u"Mfg" : u"DeviceDesc");
            if (!v) {
                SetLastError(ERROR_INVALID_DATA);
                return FALSE;
            }
            data = *v;
            data.push_back(0);
            break;
        }
        case SPDRP_ENUMERATOR_NAME: {
            const std::u16string rest = key.substr(kEnumKey.size() + 1);
            data = rest.substr(0, rest.find(u'\\'));
            data.push_back(0);
            break;
        }
        default:
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
    }
    const DWORD bytes = static_cast<DWORD>(data.size() * sizeof(char16_t));
    if (RequiredSize) *RequiredSize = bytes;
    if (PropertyRegDataType) *PropertyRegDataType = type;
    if (!PropertyBuffer || PropertyBufferSize < bytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    for (size_t i = 0; i < data.size(); ++i) {
        PropertyBuffer[2 * i] = static_cast<BYTE>(data[i] & 0xFF);
        PropertyBuffer[2 * i + 1] = static_cast<BYTE>(data[i] >> 8);
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetupDiRemoveDevice(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData) {
    auto set = DeviceSets().Get(DeviceInfoSet);
    const std::u16string key = DeviceKeyOf(set, DeviceInfoData);
    if (key.empty() || set->removed[DeviceInfoData->DevInst]) {
        SetLastError(ERROR_NO_SUCH_DEVINST);
        return FALSE;
    }
    if (plat::reg::DeleteTree(key) != ERROR_SUCCESS) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    set->removed[DeviceInfoData->DevInst] = true;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    if (!DeviceSets().Remove(DeviceInfoSet)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

CONFIGRET CM_Locate_DevNodeW(DEVINST* pdnDevInst, LPCWSTR pDeviceID, ULONG) {
    if (!pdnDevInst) return CR_FAILURE;
    if (pDeviceID && *pDeviceID) return CR_NO_SUCH_DEVNODE;  // only the root is known
    plat::EnsureStandInMachine();
    *pdnDevInst = 1;
    return CR_SUCCESS;
}

CONFIGRET CM_Reenumerate_DevNode(DEVINST dnDevInst, ULONG) {
    if (dnDevInst != 1) return CR_NO_SUCH_DEVNODE;
    plat::reg::WriteDword(kPnpKey, u"Reenumerations",
                          plat::reg::ReadDword(kPnpKey, u"Reenumerations", 0) + 1);
    return CR_SUCCESS;
}
