#pragma once
// A console window of another process, read and typed into as a user at it
// would: its screen text, and a key press into its input.

#include "tools/driver/Json.h"

#include <windows.h>

// {hwnd, lines}: the screen buffer's lines up to the cursor, trailing
// blanks removed.
JsonValue ConsoleText(DWORD pid);
// Puts a key press (down and up) of the character into the console's input.
JsonValue ConsoleKey(DWORD pid, wchar_t character);
