// The tray menu's way into the dialogs. Each dialog is made for one showing, shown modally
// (timers, hooks and the tray go on working) and destroyed when the user has closed it.
// The callers keep each dialog single (their open-flags); these functions do not guard.
#pragma once

namespace dialogs {

// The Options dialog. Its outcome is what it wrote to the settings file and the music folder.
void ShowOptionForm();
// The About dialog.
void ShowAboutForm();

// Raises the open Options or About dialog above the other windows; nothing when none is open.
void BringOptionFormToFront();
void BringAboutFormToFront();
// Closes the open Options dialog's preview player (an alert is about to play music).
void CloseOptionFormPlayer();

} // namespace dialogs
