// The dialog shell on Windows: a modal dialog from the application's own
// dialog template, and a dialog procedure that hands the messages the
// agent's dialogs handle to their handlers.

#include <exception>

#include "common/framework/dialog.h"
#include "common/framework/winapp.h"
#include "common/win32/windows-api.h"

namespace {

HWND WindowOf(void* handle) { return static_cast<HWND>(handle); }

// The paint session of one WM_PAINT.
class PaintSession {
public:
    explicit PaintSession(HWND window) : window_(window), context_(::BeginPaint(window, &paint_)) {}
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;
    ~PaintSession() { ::EndPaint(window_, &paint_); }
    [[nodiscard]] HDC Context() const noexcept { return context_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC context_;
};

// An error that escaped a handler: the user is told which, the application
// learns that its work was abandoned, and the dialog goes on.
void ReportError(HWND window, const char* what) noexcept {
    ::MessageBoxA(window, what, "Sorvenna", MB_OK | MB_ICONERROR);
    if (CWinApp* application = TheApplication()) {
        application->NoteAbandonedByError();
    }
}

}  // namespace

struct DialogShell {
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrA(window, DWLP_USER, lParam);
            auto* dialog = reinterpret_cast<CDialog*>(lParam);
            dialog->window_ = window;
            // TRUE on the error path too: the system then sets the focus and
            // shows the dialog, which goes on as an ordinary modal dialog.
            return Guarded(window, [&] { return dialog->OnInitDialog() ? TRUE : FALSE; });
        }
        auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
        if (dialog == nullptr) {
            return FALSE;  // before WM_INITDIALOG: the system's default handling
        }
        if (message == WM_NCDESTROY) {
            dialog->window_ = nullptr;
            return FALSE;
        }
        return Guarded(window, [&] { return Dispatch(*dialog, message, wParam, lParam); });
    }

private:
    // Errors must not leave through the system's frames.
    template <typename Handler>
    static INT_PTR Guarded(HWND window, Handler&& handler) noexcept {
        try {
            return handler();
        } catch (const std::exception& error) {
            ReportError(window, error.what());
        } catch (...) {
            ReportError(window, "unknown error");
        }
        return TRUE;
    }

    // TRUE unless the handler left the message to the system's default
    // handling. A handler may run a modal loop (the about box), in which
    // further messages reach the same dialog: each keeps its own answer.
    template <typename Handler>
    static INT_PTR HandledUnlessLeftToDefault(CDialog& dialog, Handler&& handler) {
        const bool outer = dialog.leftToDefault_;
        dialog.leftToDefault_ = false;
        handler();
        const bool toDefault = dialog.leftToDefault_;
        dialog.leftToDefault_ = outer;
        return toDefault ? FALSE : TRUE;
    }

    // TRUE when the dialog handled the message, FALSE for the system's
    // default handling; WM_QUERYDRAGICON answers with its result itself.
    static INT_PTR Dispatch(CDialog& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_SYSCOMMAND:
                return HandledUnlessLeftToDefault(dialog, [&] {
                    dialog.OnSysCommand(static_cast<unsigned>(wParam), static_cast<std::intptr_t>(lParam));
                });
            case WM_PAINT: return HandledUnlessLeftToDefault(dialog, [&] { dialog.OnPaint(); });
            case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(dialog.OnQueryDragIcon());
            case WM_COMMAND:
                if (HIWORD(wParam) != BN_CLICKED) {
                    return FALSE;
                }
                switch (LOWORD(wParam)) {
                    case IDOK: dialog.OnOK(); return TRUE;
                    case IDCANCEL: dialog.OnCancel(); return TRUE;
                    default: return FALSE;
                }
            case WM_CLOSE: dialog.OnCancel(); return TRUE;
            default: return FALSE;
        }
    }
};

int CDialog::DoModal() {
    HWND owner = parent_ != nullptr ? WindowOf(parent_->window_) : nullptr;
    const INT_PTR result = ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                                             &DialogShell::Procedure, reinterpret_cast<LPARAM>(this));
    // 0 means the owner was no window; the agent's dialogs never end with 0.
    return result == 0 ? -1 : static_cast<int>(result);
}

void CDialog::OnSysCommand(unsigned /*id*/, std::intptr_t /*parameter*/) { leftToDefault_ = true; }

void CDialog::OnPaint() { leftToDefault_ = true; }

void CDialog::EndDialog(int result) {
    if (window_ != nullptr) {
        ::EndDialog(WindowOf(window_), result);
    }
}

bool CDialog::IsIconic() const { return window_ != nullptr && ::IsIconic(WindowOf(window_)) != FALSE; }

void CDialog::DrawIconCentred(void* icon) {
    HWND window = WindowOf(window_);
    if (window == nullptr) {
        return;
    }
    const PaintSession paint(window);
    ::SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Context()), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client{};
    ::GetClientRect(window, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(paint.Context(), x, y, static_cast<HICON>(icon));
}

void* CDialog::LoadIconResource(unsigned resourceId) {
    return ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId));
}

void InitCommonControls(unsigned structureSize, unsigned classes) {
    INITCOMMONCONTROLSEX request{};
    request.dwSize = structureSize;
    request.dwICC = classes;
    ::InitCommonControlsEx(&request);
}

// Restart support only: no recovery callback. The agent reads no command
// line, so it asks for none on a restart.
void RegisterForRestart() { ::RegisterApplicationRestart(nullptr, 0); }
