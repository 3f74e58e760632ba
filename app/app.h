#pragma once

#include "common/framework/winapp.h"

// The application: its start-up runs the main dialog, whose initialisation
// is the whole capture and ends the process.
class CPrint2TollmereApp final : public CWinApp {
public:
    CPrint2TollmereApp();
    bool InitInstance() override;
};

extern CPrint2TollmereApp theApp;
