#include "common/framework/winapp.h"

// The agent reads no command line; whatever is passed is ignored.
int main() { return RunApplication(); }
