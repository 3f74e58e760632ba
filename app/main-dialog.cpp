#include "app/main-dialog.h"

#include "app/about-dialog.h"
#include "res/resource.h"

namespace {
constexpr unsigned SysCommandMask = 0xFFF0;
constexpr unsigned AboutBoxCommand = 0x10;
}  // namespace

CPrint2TollmereDlg::CPrint2TollmereDlg(CDialog* parent)
    : CDialogEx(IDD_SORVENNA_DIALOG, parent), m_hIcon(LoadIconResource(IDR_MAINFRAME)) {}

void CPrint2TollmereDlg::OnSysCommand(unsigned id, std::intptr_t parameter) {
    if ((id & SysCommandMask) == AboutBoxCommand) {
        CAboutDlg about;
        about.DoModal();
    } else {
        CDialogEx::OnSysCommand(id, parameter);
    }
}

void CPrint2TollmereDlg::OnPaint() {
    if (IsIconic()) {
        DrawIconCentred(m_hIcon);
    } else {
        CDialogEx::OnPaint();
    }
}

void* CPrint2TollmereDlg::OnQueryDragIcon() { return m_hIcon; }
