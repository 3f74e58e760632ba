#include "common/framework/winapp.h"
#include "common/win32/windows-api.h"

// The agent reads no command line; whatever is passed is ignored.
int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    return RunApplication();
}
