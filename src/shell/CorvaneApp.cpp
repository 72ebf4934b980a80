#include "shell/CorvaneApp.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SystemLanguage.h"
#include "shell/Language.h"

namespace corvane {

namespace {

CCorvaneApp* g_app = nullptr;

constexpr const char* kWarning = "警告";

} // namespace

CCorvaneApp* TheApp() {
    return g_app;
}

bool EnsureFolder(const std::string& path, unsigned mode) {
    return MakeFolders(path, mode);
}

CCorvaneApp::CCorvaneApp() {
    g_app = this;
}

CCorvaneApp::~CCorvaneApp() {
    link.SetOwner(nullptr);
    link.Close();
    if (g_app == this)
        g_app = nullptr;
}

void CCorvaneApp::SendToDevice(const std::uint8_t* data, std::size_t length) {
    link.SendToDevice(data, length);
}

StartupResult CCorvaneApp::InitInstance(StartupUi& ui, const std::string& folder,
                                        const std::string& guardFolder) {
    if (m_guard.Acquire(kInstanceName, guardFolder) == InstanceGuard::Result::AlreadyRunning) {
        ui.ShowMessage("软件已经启动！", "温馨提示");
        return StartupResult::AlreadyRunning;
    }
    // A guard that cannot be taken at all (no runtime folder) does not keep the operator from
    // working: the program runs unguarded.

    exeFolder = folder.empty() ? ExecutableFolder() : folder;
    if (exeFolder.empty()) {
        ui.ShowMessage("获取路径失败！", kWarning);
        return StartupResult::NoExeFolder;
    }
    // Beside the executable in a build folder; the user's own folders when installed.
    const ProgramFolders where = ProgramFoldersFor(exeFolder);
    installed = where.installed;
    iniFolder = where.ini;
    dataFolder = where.data;
    upgradeFolder = where.upgrade;
    portsFolder = where.ports;
    // A user's folders are private to the user.
    const unsigned mode = installed ? 0700 : 0755;
    const struct {
        const std::string& path;
        const char* text;
        StartupResult result;
    } folders[] = {
        {iniFolder, "建立Ini文件夹失败！", StartupResult::IniFolder},
        {dataFolder, "建立DataFile文件夹失败！", StartupResult::DataFolder},
        {upgradeFolder, "建立UpgradeFile文件夹失败！", StartupResult::UpgradeFolder},
    };
    for (const auto& f : folders) {
        if (!EnsureFolder(f.path, mode)) {
            ui.ShowMessage(f.text, kWarning);
            return f.result;
        }
    }

    // The Ports folder is only looked into: without it no port is pinned.
    EnsureFolder(portsFolder, mode);

    configPath = JoinPath(iniFolder, "Config.ini");
    LoadConfig(configPath, config, state.presets);
    configFile = configPath;
    corvane::exeFolder = exeFolder;

    if (!EnsureFolder(JoinPath(exeFolder, "Language"))) {
        ui.ShowMessage("建立Language文件夹失败！", kWarning);
        return StartupResult::LanguageFolder;
    }

    std::string language = GetLanguageSetting();
    if (language.empty())
        language = GetSystemLanguageName();
    languageCtrlId = LanguageCtrlIdFor(language);
    SelectLanguage(language);

    ui.RunMainWindow(*this);
    return StartupResult::Ran;
}

} // namespace corvane
