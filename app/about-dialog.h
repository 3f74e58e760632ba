#pragma once

#include "common/framework/dialog.h"
#include "res/resource.h"

// The about box; nothing adds its command to the system menu.
class CAboutDlg final : public CDialogEx {
public:
    CAboutDlg() : CDialogEx(IDD_ABOUTBOX) {}
};
