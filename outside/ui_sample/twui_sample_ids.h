// Resource and control ids shared by twui-sample.rc and the program.
#pragma once

#define IDD_SAMPLE 100
#define IDB_PRINTER 200
#define IDS_TITLE 300
#define IDS_ABOUT 301
#define IDS_DONE 302

#define IDC_PICTURE 1000
#define IDC_INTRO 1001
#define IDC_PROGRESS 1002
#define IDC_PERCENT 1003
#define IDC_ABOUT 1004
