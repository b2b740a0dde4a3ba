// The preferences dialog's resource id, size, control ids, control texts and control places,
// written once for both readers: windres, which builds the dialog template from
// preferences.rc.in, and C++, which builds the Linux window from the same values
// (page_controls.cpp). windres reads nothing but preprocessor definitions, hence macros. Texts
// are UTF-8; the two static texts have the service's host name between their two parts.
// Places are x, y, width, height in dialog units; the page is at most 332 × 250 of them, the
// room the player's Preferences gives a page.
#pragma once

// NOLINTBEGIN(cppcoreguidelines-macro-usage)
#define IDD_PREFERENCES 148
#define PAGE_WIDTH 332
#define PAGE_HEIGHT 160

#define IDC_AUTH 1004
#define IDC_ENABLE_SCROBBLING 1005
#define IDC_ENABLE_NOW_PLAYING 1006
#define IDC_KEEP_UNSENT 1007
#define IDC_JOURNAL_STATUS 1008
#define IDC_DISCARD 1009

#define TEXT_SERVER_BEFORE_HOST "Сервер: "
#define TEXT_SERVER_AFTER_HOST " (зашит в плагин)"
#define TEXT_AUTH "Request authorization"
#define TEXT_ENABLE_SCROBBLING "Enable scrobbling"
#define TEXT_ENABLE_NOW_PLAYING "Enable now playing"
#define TEXT_KEEP_UNSENT "Keep scrobbles that could not be sent, and send them later"
// The status line until the page shows what waits (at WM_INITDIALOG).
#define TEXT_JOURNAL_STATUS ""
#define TEXT_DISCARD "Discard"
#define TEXT_STEPS_BEFORE_HOST "1. Request authorization (откроется браузер)  2. Разрешить на "
#define TEXT_STEPS_AFTER_HOST "  3. Complete authorization"

#define PLACE_SERVER 8, 10, 310, 8
#define PLACE_AUTH 8, 28, 120, 14
#define PLACE_ENABLE_SCROBBLING 8, 50, 120, 10
#define PLACE_ENABLE_NOW_PLAYING 8, 66, 120, 10
#define PLACE_KEEP_UNSENT 8, 82, 310, 10
// The status line and Discard belong to the check box above them: the line starts where the
// check box's text does, and the button ends where the texts do.
#define PLACE_JOURNAL_STATUS 20, 99, 242, 8
#define PLACE_DISCARD 268, 96, 50, 14
#define PLACE_STEPS 8, 122, 310, 24
// NOLINTEND(cppcoreguidelines-macro-usage)
