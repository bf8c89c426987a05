// Dialog units as a program's dialog maps them: its template, emptied and hidden, is created
// with the same style and font, and MapDialogRect asked.
#ifndef ORVANE_E2E_DIALOG_TEMPLATE_H
#define ORVANE_E2E_DIALOG_TEMPLATE_H

#include <windows.h>

#include <string>

namespace e2e {

// The rectangle `box` (each value mapped on its own, as the dialog manager places controls)
// in pixels of the dialog template `id` of the exe at `path`.
RECT MapDialogUnits(const std::wstring& path, long long id, RECT box);

}  // namespace e2e

#endif
