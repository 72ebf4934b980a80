#pragma once

// The application object: it owns the processor's state, the application's settings, the
// serial link and the one send operation, and runs the start-up: the single-instance guard,
// the working folders (platform/Paths.h says where), Config.ini, the language, then the main window.
//
// The windows are not its business: start-up reaches them through StartupUi, which the
// application's main() implements with Qt and tests with a fake.

#include "device/DeviceState.h"
#include "link/FXSerialPort.h"
#include "platform/InstanceGuard.h"
#include "shell/Config.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

class CCorvaneApp;

class StartupUi {
public:
    virtual ~StartupUi() = default;
    // A message box without owner, with only an OK button.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    // Creates the main window and runs it until it closes.
    virtual void RunMainWindow(CCorvaneApp& app) = 0;
};

// Why start-up stopped.
enum class StartupResult {
    Ran,            // the main window ran and was closed
    AlreadyRunning, // another copy runs in this session
    NoExeFolder,
    IniFolder,
    DataFolder,
    UpgradeFolder,
    LanguageFolder,
};

// The name of the single-instance guard.
inline constexpr const char* kInstanceName = "CorvaneSys";

class CCorvaneApp {
public:
    CCorvaneApp();
    ~CCorvaneApp();
    CCorvaneApp(const CCorvaneApp&) = delete;
    CCorvaneApp& operator=(const CCorvaneApp&) = delete;

    // The whole start-up, then the main window. `folder` replaces the executable's folder
    // and `guardFolder` the user's runtime folder (tests); empty means the real ones.
    StartupResult InitInstance(StartupUi& ui, const std::string& folder = {},
                               const std::string& guardFolder = {});

    // The one send operation: hands the bytes to the serial link without waiting. Data of
    // 4096 bytes or more, and a frame no write buffer is free for, is dropped.
    void SendToDevice(const std::uint8_t* data, std::size_t length);

    DeviceState state;
    Config config;
    FXSerialPort link;

    std::string exeFolder;
    std::string iniFolder;
    std::string dataFolder;
    std::string upgradeFolder;
    std::string configPath;
    std::string portsFolder;
    bool installed = false; // installed program: the folders are the user's

private:
    InstanceGuard m_guard;
};

// True when `path` is a folder or could be made one (with the folders above it).
bool EnsureFolder(const std::string& path, unsigned mode = 0755);

// The process's application object, set while one exists.
CCorvaneApp* TheApp();

} // namespace corvane
