#include "app/app.h"

#include "app/main-dialog.h"

namespace {
constexpr unsigned CommonControlsRequestSize = 8;
constexpr unsigned Win95ControlClasses = 0xFF;
}  // namespace

CPrint2TollmereApp::CPrint2TollmereApp() { m_dwRestartManagerSupportFlags = RestartManagerSupportRestart; }

bool CPrint2TollmereApp::InitInstance() {
    InitCommonControls(CommonControlsRequestSize, Win95ControlClasses);
    CWinApp::InitInstance();
    SetRegistryKey("Local AppWizard-Generated Applications");

    CPrint2TollmereDlg dialog;
    m_pMainWnd = &dialog;
    // The capture runs inside the modal run and ends the process; the
    // result is not looked at.
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;
}
