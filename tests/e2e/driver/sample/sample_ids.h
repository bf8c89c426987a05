// Ids of the driver's sample dialog (read by sample.rc and sample.cpp).
#define IDD_SAMPLE 100
#define IDC_CHECK 1001
#define IDC_PUSH 1002
#define IDC_COUNT 1003
#define IDC_DISABLED 1004
#define IDC_PICTURE 1005
#define IDC_EDIT 1006
#define IDC_MESSAGE 1007
