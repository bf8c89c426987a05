// The size an icon is drawn at on a display scale, in plain C++ (no Windows header).
#ifndef ORVANE_SHELL_ICON_SIZE_H
#define ORVANE_SHELL_ICON_SIZE_H

#include "picture_scale.h"

// 0 at 96 DPI (the icons loaded once at start-up have the sizes the system asks for there):
// the icon loaded once is shown as it is. At any other scale the size the system
// gives its icons of that kind at that DPI (systemSize, a metric such as SM_CXICON), drawn from
// the icon group made at every size; 0 again when the system gives none.
inline int IconSizeAt(int dpi, int systemSize) {
    if (dpi == ats::BASE_DPI || systemSize <= 0) return 0;
    return systemSize;
}

#endif
