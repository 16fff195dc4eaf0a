#include "drives/drive_facts_win.h"

#include "win32/system_library.h"
#include "win32/unique_handle.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <winioctl.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv::drives {
namespace {

// {53F56307-B6BF-11D0-94F2-00A0C91EFB8B}: the disk device interface class.
constexpr GUID kDiskInterface = {
    0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

// Zero desired access: the storage stack answers property and number queries without
// reading the media.
win32::UniqueFile OpenWithoutAccess(const wchar_t* path) {
    return win32::UniqueFile(::CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
}

win32::UniqueFile OpenVolume(wchar_t letter) {
    const std::array<wchar_t, 7> path{L'\\', L'\\', L'.', L'\\', letter, L':', L'\0'};
    return OpenWithoutAccess(path.data());
}

Bus FromStorageBus(STORAGE_BUS_TYPE type) {
    switch (type) {
    case BusTypeUsb:
        return Bus::Usb;
    case BusTypeSd:
        return Bus::Sd;
    case BusTypeMmc:
        return Bus::Mmc;
    case BusTypeNvme:
        return Bus::Nvme;
    case BusType1394:
        return Bus::Ieee1394;
    case BusTypeSata:
        return Bus::Sata;
    case BusTypeScsi:
        return Bus::Scsi;
    case BusTypeUnknown:
        return Bus::Unknown;
    default:
        return Bus::Other;
    }
}

Bus AskBus(HANDLE volume, STORAGE_PROPERTY_ID property) {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = property;
    query.QueryType = PropertyStandardQuery;
    // Large enough for the descriptors' fixed parts; their strings are not needed.
    alignas(8) std::array<std::byte, 512> answer{};
    DWORD returned = 0;
    if (!::DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query),
                           answer.data(), static_cast<DWORD>(answer.size()), &returned, nullptr)) {
        return Bus::Unknown;
    }
    if (property == StorageDeviceProperty &&
        returned >= offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(STORAGE_BUS_TYPE)) {
        return FromStorageBus(
            reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(answer.data())->BusType);
    }
    if (property == StorageAdapterProperty &&
        returned >= offsetof(STORAGE_ADAPTER_DESCRIPTOR, BusType) + sizeof(BYTE)) {
        return FromStorageBus(static_cast<STORAGE_BUS_TYPE>(
            reinterpret_cast<const STORAGE_ADAPTER_DESCRIPTOR*>(answer.data())->BusType));
    }
    return Bus::Unknown;
}

std::optional<DWORD> DeviceNumberOf(HANDLE device) {
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    if (!::DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                           sizeof(number), &returned, nullptr) ||
        returned < sizeof(number) || number.DeviceType != FILE_DEVICE_DISK) {
        return std::nullopt;
    }
    return number.DeviceNumber;
}

// cfgmgr32 is not a KnownDLL: its functions come from the system folder, on first use.
struct ConfigManager {
    decltype(&::CM_Get_Device_Interface_List_SizeW) listSize =
        win32::SystemFunction<decltype(listSize)>(L"cfgmgr32.dll",
                                                  "CM_Get_Device_Interface_List_SizeW");
    decltype(&::CM_Get_Device_Interface_ListW) list =
        win32::SystemFunction<decltype(list)>(L"cfgmgr32.dll", "CM_Get_Device_Interface_ListW");
    decltype(&::CM_Locate_DevNodeW) locate =
        win32::SystemFunction<decltype(locate)>(L"cfgmgr32.dll", "CM_Locate_DevNodeW");
    decltype(&::CM_Get_Parent) parent =
        win32::SystemFunction<decltype(parent)>(L"cfgmgr32.dll", "CM_Get_Parent");
    decltype(&::CM_Get_DevNode_Registry_PropertyW) property =
        win32::SystemFunction<decltype(property)>(L"cfgmgr32.dll",
                                                  "CM_Get_DevNode_Registry_PropertyW");

    // Not needed for the driver: a system without it only leaves the arrival unknown.
    decltype(&::CM_Get_DevNode_PropertyW) devProperty =
        win32::SystemFunction<decltype(devProperty)>(L"cfgmgr32.dll", "CM_Get_DevNode_PropertyW");

    bool Complete() const { return listSize && list && locate && parent && property; }
};

// DEVPKEY_Device_LastArrivalDate, spelled out: devpkey.h defines its keys only for one
// translation unit that defines INITGUID.
constexpr DEVPROPKEY kLastArrivalDate = {
    {0x83da6326, 0x97a6, 0x4088, {0x94, 0x53, 0xa1, 0x92, 0x3f, 0x57, 0x3b, 0x29}}, 102};

// The present disk interfaces' paths; empty when Windows cannot list them. The list call
// is made only after its size call succeeded (under Wine the size call fails and the list
// function is not implemented at all).
std::vector<std::wstring> DiskInterfaces(const ConfigManager& cm) {
    GUID disk = kDiskInterface;
    for (int attempt = 0; attempt < 3; ++attempt) { // a disk may arrive between the calls
        ULONG size = 0;
        if (cm.listSize(&size, &disk, nullptr, CM_GET_DEVICE_INTERFACE_LIST_PRESENT) !=
                CR_SUCCESS ||
            size == 0) {
            return {};
        }
        std::vector<wchar_t> buffer(size);
        const CONFIGRET listed =
            cm.list(&disk, nullptr, buffer.data(), size, CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
        if (listed == CR_BUFFER_SMALL) {
            continue;
        }
        if (listed != CR_SUCCESS) {
            return {};
        }
        buffer.back() = L'\0';
        std::vector<std::wstring> paths;
        for (const wchar_t* p = buffer.data(); *p != L'\0'; p += std::wcslen(p) + 1) {
            paths.emplace_back(p);
        }
        return paths;
    }
    return {};
}

// "\\?\usbstor#disk&ven_x#123&0#{guid}" names the device instance "usbstor\disk&ven_x\123&0".
std::wstring InstanceIdOf(std::wstring_view interfacePath) {
    if (interfacePath.starts_with(L"\\\\?\\")) {
        interfacePath.remove_prefix(4);
    }
    const std::size_t classPart = interfacePath.rfind(L"#{");
    if (classPart != std::wstring_view::npos) {
        interfacePath = interfacePath.substr(0, classPart);
    }
    std::wstring id(interfacePath);
    for (wchar_t& c : id) {
        if (c == L'#') {
            c = L'\\';
        }
    }
    return id;
}

std::optional<std::wstring> ParentService(const ConfigManager& cm, std::wstring instanceId) {
    DEVINST disk = 0;
    DEVINST parent = 0;
    if (cm.locate(&disk, instanceId.data(), CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS ||
        cm.parent(&parent, disk, 0) != CR_SUCCESS) {
        return std::nullopt;
    }
    std::array<wchar_t, 256> service{};
    ULONG type = 0;
    ULONG bytes = static_cast<ULONG>(sizeof(service) - sizeof(wchar_t));
    if (cm.property(parent, CM_DRP_SERVICE, &type, service.data(), &bytes, 0) != CR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    service.back() = L'\0';
    return std::wstring(service.data());
}

// When the disk's device last arrived (UTC FILETIME ticks); nullopt when Windows cannot say.
std::optional<std::int64_t> ArrivalOf(const ConfigManager& cm, std::wstring instanceId) {
    DEVINST disk = 0;
    if (!cm.devProperty ||
        cm.locate(&disk, instanceId.data(), CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) {
        return std::nullopt;
    }
    FILETIME arrived{};
    DEVPROPTYPE type = 0;
    ULONG bytes = sizeof(arrived);
    if (cm.devProperty(disk, &kLastArrivalDate, &type, reinterpret_cast<PBYTE>(&arrived), &bytes,
                       0) != CR_SUCCESS ||
        type != DEVPROP_TYPE_FILETIME || bytes != sizeof(arrived)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(arrived.dwHighDateTime) << 32) |
                                     arrived.dwLowDateTime);
}

} // namespace

Bus QueryBus(wchar_t letter) {
    const win32::UniqueFile volume = OpenVolume(letter);
    if (!volume) {
        return Bus::Unknown;
    }
    const Bus bus = AskBus(volume.get(), StorageDeviceProperty);
    return bus != Bus::Unknown ? bus : AskBus(volume.get(), StorageAdapterProperty);
}

std::optional<bool> SystemOnHotPlugBus() {
    std::array<wchar_t, MAX_PATH> folder{};
    const UINT length = ::GetSystemWindowsDirectoryW(folder.data(), MAX_PATH);
    if (length < 2 || length >= MAX_PATH || folder[1] != L':') {
        return std::nullopt;
    }
    const Bus bus = QueryBus(folder[0]);
    if (bus == Bus::Unknown) {
        return std::nullopt;
    }
    return bus == Bus::Usb || bus == Bus::Sd || bus == Bus::Mmc || bus == Bus::Ieee1394;
}

Attachment QueryAttachment(wchar_t letter, Bus bus) {
    std::optional<DWORD> number;
    if (const win32::UniqueFile volume = OpenVolume(letter)) {
        number = DeviceNumberOf(volume.get());
    }
    static const ConfigManager cm; // thread-safe once; the functions stay loaded
    if (!number || !cm.Complete()) {
        return Classify(bus, std::nullopt, {});
    }
    for (const std::wstring& path : DiskInterfaces(cm)) {
        const win32::UniqueFile disk = OpenWithoutAccess(path.c_str());
        if (!disk || DeviceNumberOf(disk.get()) != number) {
            continue;
        }
        const std::wstring id = InstanceIdOf(path);
        const std::wstring_view enumerator = std::wstring_view(id).substr(0, id.find(L'\\'));
        Attachment found = Classify(bus, ParentService(cm, id), enumerator);
        found.arrivedAt = ArrivalOf(cm, id);
        return found;
    }
    return Classify(bus, std::nullopt, {});
}

} // namespace kv::drives
