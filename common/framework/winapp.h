#pragma once

// The application object of our framework layer: exactly one exists, made
// as a process-wide object; the entry point hands control to its InitInstance.

class CDialog;

class CWinApp {
public:
    // Restart-manager support: restart only, no application recovery.
    static constexpr unsigned RestartManagerSupportRestart = 1;

    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // The start-up hook: false ends the application without a message loop.
    virtual bool InitInstance();

    // The registry key the framework would keep settings under. The agent
    // stores nothing in the registry, so the name is only kept.
    void SetRegistryKey(const char* companyName);
    [[nodiscard]] const char* RegistryKey() const noexcept { return registryKey_; }

    // Called by the dialog shell when an error escaped a message handler.
    void NoteAbandonedByError() noexcept { abandonedByError_ = true; }

    // Exit code after InitInstance returned false: 1 when an error
    // abandoned the work, 0 otherwise.
    [[nodiscard]] int ExitInstance() const noexcept { return abandonedByError_ ? 1 : 0; }

    CDialog* m_pMainWnd = nullptr;                // NOLINT(readability-identifier-naming): the framework's own name
    unsigned m_dwRestartManagerSupportFlags = 0;  // NOLINT(readability-identifier-naming)

private:
    const char* registryKey_ = nullptr;
    bool abandonedByError_ = false;
};

// The one application object, or null before it is constructed.
CWinApp* TheApplication();

// Runs the application: InitInstance, then the exit code.
int RunApplication();

// Registers the common control classes (size of the request, class set);
// the result is not looked at. No effect where there are no controls.
void InitCommonControls(unsigned structureSize, unsigned classes);

// Registers the process with the system's restart manager.
void RegisterForRestart();
