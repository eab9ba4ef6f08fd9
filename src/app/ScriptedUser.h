// A user played by a script, for end-to-end tests of the real program: it presses the real keys,
// picks the real menu items and answers the real dialogs, so the program's own wiring runs.
// Off unless the environment names a script (CANTOVEX_SCRIPTED_USER).
#pragma once

class QMainWindow;

namespace cvapp {

// Starts the script named by CANTOVEX_SCRIPTED_USER on the window, if any. One step per line,
// each done once its moment has come:
//   key SEQUENCE    a key press on the window, e.g. "Ctrl+Q" (no dialog open)
//   menu NAME       the menu item of that object name (no dialog open)
//   button NAME     the open message box's button: Save, Discard, Cancel, Yes, No, Ok
//   number N        the open number dialog: N, then OK
//   file PATH       the open file dialog: PATH, then OK
//   title TEXT      waits until the window's title holds TEXT
// What the user saw goes to CANTOVEX_SCRIPTED_USER_LOG, a line each: "dialog: CAPTION | TEXT",
// "title: TITLE", "folder: FOLDER" (where a file dialog started). A step that cannot be done
// within 30 s ends the program with exit code 3.
void StartScriptedUser(QMainWindow& window);

}  // namespace cvapp
