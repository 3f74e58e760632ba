#include "tests/support/capture-world.h"

#include "app/app.h"
#include "app/main-dialog.h"
#include "common/job-context.h"
#include "diag/log-file.h"

namespace sorvenna::testing {

void ResetProcessObjects() {
    documentName = "";
    jobId = 0;
    jobIdText = "";
    debugLevel = "";
    activityLog.SetLogContext("", "", "");
}

CaptureWorld::CaptureWorld() { ResetProcessObjects(); }

CaptureWorld::~CaptureWorld() { ResetProcessObjects(); }

int CaptureWorld::RunCaptureSequence() {
    CPrint2TollmereDlg dialog;
    try {
        dialog.OnInitDialog();
    } catch (const ProcessExit& exit) {
        return exit.status;
    }
    ADD_FAILURE() << "the capture sequence returned instead of ending the process";
    return -1;
}

int CaptureWorld::RunApplication() {
    try {
        const bool messageLoop = theApp.InitInstance();
        ADD_FAILURE() << "InitInstance returned " << messageLoop << " instead of ending the process";
    } catch (const ProcessExit& exit) {
        return exit.status;
    }
    return -1;
}

}  // namespace sorvenna::testing
