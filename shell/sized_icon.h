// The program's icon at any size, from the icon group drawn at every size.
#ifndef ORVANE_SHELL_SIZED_ICON_H
#define ORVANE_SHELL_SIZED_ICON_H

#include "handles.h"

// The icon of the every-size group (IDI_ORVANEATS) at size x size pixels.
UniqueIcon LoadSizedIcon(int size);

#endif
