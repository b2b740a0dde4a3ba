// The preferences dialog's resource id, control ids and control texts, written once for both
// readers: windres, which builds the dialog template from preferences.rc.in, and C++, which
// builds the Linux window from the same values (page_controls.cpp). windres reads nothing but
// preprocessor definitions, hence macros. Texts are UTF-8; the two static texts have the
// service's host name between their two parts.
#pragma once

// NOLINTBEGIN(cppcoreguidelines-macro-usage)
#define IDD_PREFERENCES 148
#define IDC_AUTH 1004
#define IDC_ENABLE_SCROBBLING 1005
#define IDC_ENABLE_NOW_PLAYING 1006

#define TEXT_SERVER_BEFORE_HOST "Сервер: "
#define TEXT_SERVER_AFTER_HOST " (зашит в плагин)"
#define TEXT_AUTH "Request authorization"
#define TEXT_ENABLE_SCROBBLING "Enable scrobbling"
#define TEXT_ENABLE_NOW_PLAYING "Enable now playing"
#define TEXT_STEPS_BEFORE_HOST "1. Request authorization (откроется браузер)  2. Разрешить на "
#define TEXT_STEPS_AFTER_HOST "  3. Complete authorization"
// NOLINTEND(cppcoreguidelines-macro-usage)
