// Resource and control identifiers of both programs.
#pragma once

#define IDI_MAIN 101
#define IDD_MAIN 102
#define IDB_LOGO 105
#define IDCUR_HAND 106

#define IDC_IMPORT 1002
#define IDC_COMMIT 1003
#define IDC_CHECKOUT 1004
#define IDC_CREATE_TAG 1005
#define IDC_TAG 1006
#define IDC_BROWSE_LOCAL 1007
#define IDC_BROWSE_REMOTE 1009
#define IDC_SHOW_STATUS 1010
#define IDC_LOCAL 1011
#define IDC_PROJECT 1013
#define IDC_REMOTE 1014
#define IDC_LINK 1015
#define IDC_CVS 1016
#define IDC_SVN 1017
#define IDC_LOGO 1018
