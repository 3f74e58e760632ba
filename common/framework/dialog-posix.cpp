// The dialog shell on Linux: there is no window to create or show, so the
// modal run is the call of OnInitDialog. An error that escapes it cannot be
// shown in a message box; it is reported on standard error in one line and
// the run ends.

#include <cstdio>
#include <exception>

#include "common/framework/dialog.h"
#include "common/framework/winapp.h"

int CDialog::DoModal() {
    try {
        OnInitDialog();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Sorvenna: %s\n", error.what());
        if (CWinApp* application = TheApplication()) {
            application->NoteAbandonedByError();
        }
    }
    return IdCancel;
}

void CDialog::OnSysCommand(unsigned /*id*/, std::intptr_t /*parameter*/) {}
void CDialog::OnPaint() {}
void CDialog::EndDialog(int /*result*/) {}
bool CDialog::IsIconic() const { return false; }
void CDialog::DrawIconCentred(void* /*icon*/) {}
void* CDialog::LoadIconResource(unsigned /*resourceId*/) { return nullptr; }

void InitCommonControls(unsigned /*structureSize*/, unsigned /*classes*/) {}
void RegisterForRestart() {}
