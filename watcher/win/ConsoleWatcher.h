#pragma once
// The program's helper mode "Nimbrel.exe --watch-console PID": while the
// conversion runs, the main window starts the program once more in this
// mode, with its output captured. It looks at the screen of the console of
// process PID (the conversion's command interpreter) about twice a second,
// prints the conversion's percentage on a line of its own whenever it rises,
// and ends when that process has ended.
//
// The main window's process never attaches to the console: closing the
// console or pressing Ctrl+C in it must not end the program. The watcher
// attaches only for each look, so that the console closes as soon as the
// conversion has ended. Nothing in the console is changed.

#include <optional>

// The exit code of the helper mode when the command line asks for it;
// nothing when the program is to start as usual.
std::optional<int> RunConsoleWatcherIfAsked();
