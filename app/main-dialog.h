#pragma once

#include <cstdint>

#include "common/framework/dialog.h"
#include "diag/ini.h"

// The main dialog. It never becomes visible: its initialisation is the
// capture sequence, which ends the process.
class CPrint2TollmereDlg final : public CDialogEx {
public:
    explicit CPrint2TollmereDlg(CDialog* parent = nullptr);

    bool OnInitDialog() override;
    void OnSysCommand(unsigned id, std::intptr_t parameter) override;
    void OnPaint() override;
    void* OnQueryDragIcon() override;

private:
    CIni m_ini;               // NOLINT(readability-identifier-naming)
    void* m_hIcon = nullptr;  // NOLINT(readability-identifier-naming)
};
