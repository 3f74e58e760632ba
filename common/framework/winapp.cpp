#include "common/framework/winapp.h"

namespace {
CWinApp* theApplication = nullptr;
}

CWinApp::CWinApp() { theApplication = this; }

CWinApp::~CWinApp() {
    if (theApplication == this) {
        theApplication = nullptr;
    }
}

bool CWinApp::InitInstance() {
    if ((m_dwRestartManagerSupportFlags & RestartManagerSupportRestart) != 0) {
        RegisterForRestart();
    }
    return true;
}

void CWinApp::SetRegistryKey(const char* companyName) { registryKey_ = companyName; }

CWinApp* TheApplication() { return theApplication; }

int RunApplication() {
    CWinApp* application = TheApplication();
    if (application == nullptr) {
        return 1;
    }
    // No message loop follows: the agent's InitInstance always returns false.
    if (application->InitInstance()) {
        return 0;
    }
    return application->ExitInstance();
}
