// The small controls the dialogs share, each in a file of its own: a bold path line, a
// hyperlink, a progress bar that prints its percentage, and the popup-menu button.
#pragma once

#include "ui/controls/hyperlink_static.h"
#include "ui/controls/image_list.h"
#include "ui/controls/path_static.h"
#include "ui/controls/percent_progress.h"
#include "ui/controls/popup_menu_button.h"
