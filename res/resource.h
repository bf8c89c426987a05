// Resource ids of the Windows program. The control, bitmap, template and menu ids live with the
// alarm core.
#ifndef ORVANE_RES_RESOURCE_H
#define ORVANE_RES_RESOURCE_H

#include "alarm_ids.h"

#define IDS_ABOUTBOX 101
#define IDS_VERSION 102
#define IDS_DEADLINE 103
#define IDR_MAINFRAME 128
// The program icon at every size. The shell shows an exe's first icon group, and ids sort
// after names and in rising order, so this one comes before group 128.
#define IDI_ORVANEATS 1

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
