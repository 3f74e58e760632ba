// The dialog shell on the real window system, run under Wine: a modal run of
// the main dialog's template, the handlers it dispatches to, and the path on
// which an error escapes the initialisation. A thread timer plays the user:
// it fires inside the modal loops and acts on the windows it finds.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/framework/dialog.h"
#include "common/framework/exceptions.h"
#include "common/framework/winapp.h"
#include "common/win32/windows-api.h"
#include "res/resource.h"

namespace {

// A dialog on the main dialog's template whose handlers record what reached them.
class ScriptedDialog final : public CDialog {
public:
    ScriptedDialog() : CDialog(IDD_SORVENNA_DIALOG) {}

    bool failInInit = false;
    bool initialised = false;
    std::vector<unsigned> systemCommands;
    void* icon = LoadIconResource(IDR_MAINFRAME);

    bool OnInitDialog() override {
        initialised = true;
        if (failInInit) {
            throw CFileException("Write", "C:\\Sorvenna\\LOG\\invoice-spool_20200115.log", ERROR_DISK_FULL);
        }
        return true;
    }
    void OnSysCommand(unsigned id, std::intptr_t parameter) override {
        systemCommands.push_back(id);
        CDialog::OnSysCommand(id, parameter);
    }
    void* OnQueryDragIcon() override { return icon; }
};

// Steps run one per timer tick while a modal loop runs; a run that does not
// end by itself is ended after the last step.
class TimerScript {
public:
    explicit TimerScript(std::vector<std::function<void()>> steps) : steps_(std::move(steps)) {
        current = this;
        timer_ = ::SetTimer(nullptr, 0, 100, &TimerScript::Tick);
    }
    TimerScript(const TimerScript&) = delete;
    TimerScript& operator=(const TimerScript&) = delete;
    ~TimerScript() {
        ::KillTimer(nullptr, timer_);
        current = nullptr;
    }
    [[nodiscard]] bool Finished() const noexcept { return next_ >= steps_.size(); }

private:
    static void CALLBACK Tick(HWND /*window*/, UINT /*message*/, UINT_PTR /*timer*/, DWORD /*time*/) {
        if (current == nullptr) {
            return;
        }
        if (current->next_ < current->steps_.size()) {
            current->steps_[current->next_++]();
            return;
        }
        // Past the last step: whatever still runs modally is cancelled, so a
        // failing test ends instead of waiting for a user.
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND window, LPARAM /*parameter*/) -> BOOL {
                ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                return TRUE;
            },
            0);
    }

    static inline TimerScript* current = nullptr;
    std::vector<std::function<void()>> steps_;
    std::size_t next_ = 0;
    UINT_PTR timer_ = 0;
};

HWND WindowOf(const CDialog& dialog) { return static_cast<HWND>(dialog.WindowHandle()); }

// The visible dialog windows of this thread other than except.
std::vector<HWND> OtherDialogs(HWND except) {
    struct Search {
        HWND except;
        std::vector<HWND> found;
    } search{except, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* state = reinterpret_cast<Search*>(parameter);
            char className[16] = {};  // NOLINT(cppcoreguidelines-avoid-c-arrays)
            ::GetClassNameA(window, className, sizeof className);
            if (window != state->except && std::string(className) == "#32770" && ::IsWindowVisible(window)) {
                state->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The texts of a window's static controls, joined.
std::string StaticTexts(HWND window) {
    std::string texts;
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM parameter) -> BOOL {
            char className[16] = {};  // NOLINT(cppcoreguidelines-avoid-c-arrays)
            ::GetClassNameA(child, className, sizeof className);
            if (::lstrcmpiA(className, "Static") == 0) {
                char text[512] = {};  // NOLINT(cppcoreguidelines-avoid-c-arrays)
                ::GetWindowTextA(child, text, sizeof text);
                *reinterpret_cast<std::string*>(parameter) += text;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

void Click(HWND window, int id) { ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

TEST(DialogShell, TheMainTemplateRunsModallyAndTheHandlersAnswer) {
    ScriptedDialog dialog;
    ASSERT_NE(dialog.icon, nullptr);
    bool visible = false;
    LRESULT dragIcon = 0;
    const TimerScript script({[&] {
        visible = ::IsWindowVisible(WindowOf(dialog)) != FALSE;
        ::SendMessageA(WindowOf(dialog), WM_SYSCOMMAND, 0x10, 0);
        dragIcon = ::SendMessageA(WindowOf(dialog), WM_QUERYDRAGICON, 0, 0);
        // Left to the system by the base handler: closing becomes a cancel.
        ::PostMessageA(WindowOf(dialog), WM_SYSCOMMAND, SC_CLOSE, 0);
    }});
    EXPECT_EQ(dialog.DoModal(), CDialog::IdCancel);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_TRUE(visible);  // an initialisation that returns shows the dialog
    EXPECT_EQ(dialog.systemCommands, (std::vector<unsigned>{0x10, SC_CLOSE}));
    EXPECT_EQ(reinterpret_cast<void*>(dragIcon), dialog.icon);
    EXPECT_EQ(dialog.WindowHandle(), nullptr);  // the window is gone
}

TEST(DialogShell, ClosingTheWindowCancels) {
    ScriptedDialog dialog;
    const TimerScript script({[&] { ::PostMessageA(WindowOf(dialog), WM_CLOSE, 0, 0); }});
    EXPECT_EQ(dialog.DoModal(), CDialog::IdCancel);
}

TEST(DialogShell, AnErrorInTheInitialisationIsShownAndTheDialogGoesOn) {
    ScriptedDialog dialog;
    dialog.failInInit = true;
    std::string shownError;
    std::size_t boxesShown = 0;
    bool hiddenWhileTheErrorShows = false;
    bool visibleAfterwards = false;
    const TimerScript script({
        [&] {
            const std::vector<HWND> boxes = OtherDialogs(WindowOf(dialog));
            boxesShown = boxes.size();
            hiddenWhileTheErrorShows = ::IsWindowVisible(WindowOf(dialog)) == FALSE;
            for (HWND box : boxes) {
                shownError += StaticTexts(box);
                Click(box, IDOK);
            }
        },
        [&] {
            visibleAfterwards = ::IsWindowVisible(WindowOf(dialog)) != FALSE;
            Click(WindowOf(dialog), IDCANCEL);
        },
    });
    EXPECT_EQ(dialog.DoModal(), CDialog::IdCancel);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(boxesShown, 1U);
    EXPECT_NE(shownError.find("file error: Write failed"), std::string::npos) << shownError;
    EXPECT_TRUE(hiddenWhileTheErrorShows);
    EXPECT_TRUE(visibleAfterwards);
    ASSERT_NE(TheApplication(), nullptr);
    EXPECT_EQ(TheApplication()->ExitInstance(), 1);  // the application learnt that the work was abandoned
}

TEST(DialogShell, TheAboutBoxOpensAndItsOkEndsIt) {
    class AboutBox final : public CDialog {
    public:
        AboutBox() : CDialog(IDD_ABOUTBOX) {}
    } about;
    std::string texts;
    const TimerScript script({[&] {
        texts = StaticTexts(WindowOf(about));
        Click(WindowOf(about), IDOK);
    }});
    EXPECT_EQ(about.DoModal(), CDialog::IdOk);
    EXPECT_NE(texts.find("Sorvenna, version 1.0.0.1"), std::string::npos) << texts;
}

TEST(DialogShell, ATemplateThatDoesNotExistGivesNoDialog) {
    class Missing final : public CDialog {
    public:
        Missing() : CDialog(4711) {}
    } missing;
    EXPECT_EQ(missing.DoModal(), -1);
}

}  // namespace
