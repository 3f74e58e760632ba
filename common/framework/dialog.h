#pragma once

#include <cstdint>

// A modal dialog of our framework layer. DoModal creates the dialog from its
// template and calls OnInitDialog; an error that escapes a handler is
// reported in the platform's way and the dialog goes on as an ordinary
// modal dialog (on Linux, where nothing can be shown, the run ends).
class CDialog {
public:
    static constexpr int IdOk = 1;
    static constexpr int IdCancel = 2;

    explicit CDialog(unsigned templateId, CDialog* parent = nullptr) : templateId_(templateId), parent_(parent) {}
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    virtual ~CDialog() = default;

    // The modal result: IdOk, IdCancel, or -1 when the dialog could not be made.
    int DoModal();

    [[nodiscard]] unsigned TemplateId() const noexcept { return templateId_; }
    [[nodiscard]] void* WindowHandle() const noexcept { return window_; }

    // Message handlers; none runs while the dialog stays hidden.
    virtual bool OnInitDialog() { return true; }
    virtual void OnSysCommand(unsigned id, std::intptr_t parameter);
    virtual void OnPaint();
    virtual void* OnQueryDragIcon() { return nullptr; }
    virtual void OnOK() { EndDialog(IdOk); }  // NOLINT(readability-identifier-naming)
    virtual void OnCancel() { EndDialog(IdCancel); }

protected:
    void EndDialog(int result);
    // Window services of the handlers; no effect where there is no window.
    [[nodiscard]] bool IsIconic() const;
    // Erases the icon's background and draws it centred in the client area.
    void DrawIconCentred(void* icon);
    // Loads an icon resource of the application's module.
    static void* LoadIconResource(unsigned resourceId);

private:
    friend struct DialogShell;
    unsigned templateId_;
    CDialog* parent_;
    void* window_ = nullptr;
    // Set by a base handler for the message being handled: the system's
    // default handling of that message follows.
    bool leftToDefault_ = false;
};

class CDialogEx : public CDialog {
public:
    using CDialog::CDialog;
};
