// Resource identifiers of the Windows program; values are fixed, the tests drive controls by them.
#pragma once

#define IDD_MAIN 105
#define IDC_STATIC_TEXT -1

#define IDS_APP_TITLE 57344
