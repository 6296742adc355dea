#pragma once
#include <windows.h>

// 1 when at least one font of the face (its first 31 bytes) and character set
// is installed; dc null means the screen's.
int FontExists(const char* face, BYTE charSet, HDC dc = nullptr);
