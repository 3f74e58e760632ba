#pragma once

#include "common/text.h"

// The folder of the agent's own executable, ending in a backslash; the whole
// path when it holds no backslash; empty when the system reports no path or a
// path too long for the 260-byte buffer (a cut path would name another folder).
CString ModuleFolder();

// The install root: the module folder with every "Xtra\Prerequisite\rodo\vivaz\bin\" removed.
CString InstallRootOf(const CString& moduleFolder);

// The settings file's path: the install root directly followed by "Settings.ini".
CString SettingsPathOf(const CString& installRoot);
