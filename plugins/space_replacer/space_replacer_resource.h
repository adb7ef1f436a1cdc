#pragma once

#define IDD_SPACE_REPLACER 100
#define IDC_REPLACEMENT 1001
