// Resource ids of the Windows program. The control and bitmap ids live with the alarm core.
#ifndef ORVANE_RES_RESOURCE_H
#define ORVANE_RES_RESOURCE_H

#include "alarm_ids.h"

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN_DIALOG 102
#define IDS_VERSION 102
#define IDS_DEADLINE 103
#define IDR_MAINFRAME 128
// The program icon at every size. The shell shows an exe's first icon group, and ids sort
// after names and in rising order, so this one comes before group 128.
#define IDI_ORVANEATS 1
// System menu items: below 0xF000, where the system's own commands begin, and multiples of 16,
// as the system keeps the low four bits of WM_SYSCOMMAND for itself.
#define IDM_ABOUTBOX 0x0010
#define IDM_DEADLINE 0x0020

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
