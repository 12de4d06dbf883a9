// Installing and removing the filter driver with the Setup API. The only file of the folder that
// talks to Win32 for this; setupapi.dll is bound by name for the length of one operation, so the
// program starts on systems where it is missing and keeps nothing loaded afterwards.
#ifdef _WIN32

#include <windows.h>

#include <setupapi.h>

#include <optional>
#include <string>

#include "device/DriverSetup.h"
#include "model/Errors.h"

namespace lay {

namespace {

const GUID KeyboardClass = {0x4D36E96B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr char FilterName[] = "Zorvatek\0"; // a multi-string of one entry: the name and two zeros
constexpr DWORD ServiceNameSize = 20;

std::wstring Wide(const std::string& text, UINT codePage) {
    if (text.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                        nullptr);
    return text;
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer != nullptr ? buffer : L"", length);
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    return Utf8(text);
}

// The INF's name in the code page the ANSI Setup functions expect.
std::string InfPathAnsi() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    folder.erase(slash == std::string::npos ? 0 : slash + 1);
    return folder + "Inst.inf";
}

template <class F> bool Bind(HMODULE module, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

class TSetupApi {
public:
    ~TSetupApi() {
        if (FModule != nullptr) {
            FreeLibrary(FModule);
        }
    }

    bool Load() {
        FModule = LoadLibraryA("SetupApi.dll");
        return FModule != nullptr && Bind(FModule, "SetupOpenInfFileA", OpenInfFile) &&
               Bind(FModule, "SetupCloseInfFile", CloseInfFile) &&
               Bind(FModule, "SetupOpenFileQueue", OpenFileQueue) &&
               Bind(FModule, "SetupCloseFileQueue", CloseFileQueue) &&
               Bind(FModule, "SetupInstallFilesFromInfSectionA", InstallFilesFromInfSection) &&
               Bind(FModule, "SetupInitDefaultQueueCallback", InitDefaultQueueCallback) &&
               Bind(FModule, "SetupDefaultQueueCallbackA", DefaultQueueCallback) &&
               Bind(FModule, "SetupTermDefaultQueueCallback", TermDefaultQueueCallback) &&
               Bind(FModule, "SetupCommitFileQueueA", CommitFileQueue) &&
               Bind(FModule, "SetupInstallServicesFromInfSectionA", InstallServicesFromInfSection) &&
               Bind(FModule, "SetupDiGetClassDevsA", GetClassDevs) &&
               Bind(FModule, "SetupDiEnumDeviceInfo", EnumDeviceInfo) &&
               Bind(FModule, "SetupDiGetDeviceRegistryPropertyA", GetDeviceRegistryProperty) &&
               Bind(FModule, "SetupDiSetDeviceRegistryPropertyA", SetDeviceRegistryProperty) &&
               Bind(FModule, "SetupDiDestroyDeviceInfoList", DestroyDeviceInfoList);
    }

    decltype(&::SetupOpenInfFileA) OpenInfFile = nullptr;
    decltype(&::SetupCloseInfFile) CloseInfFile = nullptr;
    decltype(&::SetupOpenFileQueue) OpenFileQueue = nullptr;
    decltype(&::SetupCloseFileQueue) CloseFileQueue = nullptr;
    decltype(&::SetupInstallFilesFromInfSectionA) InstallFilesFromInfSection = nullptr;
    decltype(&::SetupInitDefaultQueueCallback) InitDefaultQueueCallback = nullptr;
    decltype(&::SetupDefaultQueueCallbackA) DefaultQueueCallback = nullptr;
    decltype(&::SetupTermDefaultQueueCallback) TermDefaultQueueCallback = nullptr;
    decltype(&::SetupCommitFileQueueA) CommitFileQueue = nullptr;
    decltype(&::SetupInstallServicesFromInfSectionA) InstallServicesFromInfSection = nullptr;
    decltype(&::SetupDiGetClassDevsA) GetClassDevs = nullptr;
    decltype(&::SetupDiEnumDeviceInfo) EnumDeviceInfo = nullptr;
    decltype(&::SetupDiGetDeviceRegistryPropertyA) GetDeviceRegistryProperty = nullptr;
    decltype(&::SetupDiSetDeviceRegistryPropertyA) SetDeviceRegistryProperty = nullptr;
    decltype(&::SetupDiDestroyDeviceInfoList) DestroyDeviceInfoList = nullptr;

private:
    HMODULE FModule = nullptr;
};

// The error of the failing step; the last error is taken before anything else can change it.
using TFailure = std::optional<DWORD>;

TFailure LastError() {
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_GEN_FAILURE;
}

TFailure CopyOrDeleteFiles(TSetupApi& api, HINF inf, HWND owner, const char* section) {
    HSPFILEQ queue = api.OpenFileQueue();
    if (queue == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    TFailure failure;
    if (!api.InstallFilesFromInfSection(inf, nullptr, queue, section, nullptr, SP_COPY_NOSKIP)) {
        failure = LastError();
    } else if (void* context = api.InitDefaultQueueCallback(owner); context == nullptr) {
        failure = LastError();
    } else {
        if (!api.CommitFileQueue(owner, queue, api.DefaultQueueCallback, context)) {
            failure = LastError();
        }
        api.TermDefaultQueueCallback(context);
    }
    api.CloseFileQueue(queue);
    return failure;
}

TFailure SetUpperFilters(TSetupApi& api, HWND owner, bool install) {
    HDEVINFO devices = api.GetClassDevs(&KeyboardClass, nullptr, owner, 0);
    if (devices == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    TFailure failure;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!api.EnumDeviceInfo(devices, index, &device)) {
            if (GetLastError() != ERROR_NO_MORE_ITEMS) {
                failure = LastError();
            }
            break;
        }
        char service[ServiceNameSize] = {};
        if (!api.GetDeviceRegistryProperty(devices, &device, SPDRP_SERVICE, nullptr,
                                           reinterpret_cast<BYTE*>(service), ServiceNameSize, nullptr)) {
            const DWORD code = GetLastError();
            // A keyboard without a service, or with a name too long for i8042prt, is not served by
            // it: such a device (a remote or long-gone one) must not stop the others.
            if (code == ERROR_INVALID_DATA || code == ERROR_INSUFFICIENT_BUFFER) {
                continue;
            }
            failure = code != 0 ? code : ERROR_GEN_FAILURE;
            break;
        }
        service[ServiceNameSize - 1] = '\0';
        if (lstrcmpiA(service, "i8042prt") != 0) {
            continue;
        }
        const BOOL done =
            install
                ? api.SetDeviceRegistryProperty(devices, &device, SPDRP_UPPERFILTERS,
                                                reinterpret_cast<const BYTE*>(FilterName), sizeof FilterName)
                : api.SetDeviceRegistryProperty(devices, &device, SPDRP_UPPERFILTERS, nullptr, 0);
        if (!done) {
            failure = LastError();
            break;
        }
    }
    api.DestroyDeviceInfoList(devices);
    return failure;
}

TFailure Perform(bool install, HWND owner, const std::string& infPath) {
    TSetupApi api;
    if (!api.Load()) {
        return LastError();
    }
    HINF inf = api.OpenInfFile(infPath.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    if (inf == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    TFailure failure = CopyOrDeleteFiles(api, inf, owner, install ? "Zorvatek" : "Zorvatek.Delete");
    if (!failure && !api.InstallServicesFromInfSection(
                        inf, install ? "Zorvatek.Services" : "Zorvatek.Services.Delete", 0)) {
        failure = LastError();
    }
    if (!failure) {
        failure = SetUpperFilters(api, owner, install);
    }
    api.CloseInfFile(inf);
    return failure;
}

void Run(bool install, TWindowHandle owner, TSetupUser& user) {
    const std::string infPath = InfPathAnsi();
    const TFailure failure = Perform(install, reinterpret_cast<HWND>(owner), infPath);
    if (!failure) {
        user.ShowInformation(owner, SSetupTitle, install ? SDriverInstalled : SDriverRemoved);
        return;
    }
    if (IsSilentSetupError(*failure)) {
        throw EAbort();
    }
    throw Exception(
        SetupErrorText(install, *failure, SystemErrorText(*failure), Utf8(Wide(infPath, CP_ACP))));
}

class TMessageBoxSetupUser : public TSetupUser {
public:
    void ShowInformation(TWindowHandle owner, const std::string& title, const std::string& text) override {
        MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text, CP_UTF8).c_str(), Wide(title, CP_UTF8).c_str(),
                    MB_OK | MB_ICONINFORMATION);
    }
    void ShowError(TWindowHandle owner, const std::string& title, const std::string& text) override {
        MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text, CP_UTF8).c_str(), Wide(title, CP_UTF8).c_str(),
                    MB_OK | MB_ICONERROR);
    }
};

} // namespace

TSetupUser& SystemSetupUser() {
    static TMessageBoxSetupUser user;
    return user;
}

void InstallDriver(TWindowHandle owner, TSetupUser& user) {
    Run(true, owner, user);
}
void UninstallDriver(TWindowHandle owner, TSetupUser& user) {
    Run(false, owner, user);
}

} // namespace lay

#endif
