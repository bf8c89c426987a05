// Where the running program lives.
#ifndef ORVANE_WIN32_MODULE_PATH_H
#define ORVANE_WIN32_MODULE_PATH_H

#include <string>

// The folder of the running exe, with a trailing backslash; empty if Windows cannot say.
std::wstring ExeFolder();

#endif
