// Basic types, handles and constants with their Win32 spellings and values.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;
using TCHAR = char;
using LPCTSTR = const char*;
using LPTSTR = char*;
using LPCSTR = const char*;
using LPSTR = char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Opaque handles. Each is a distinct pointer type, as with STRICT.
#define TESSOR_DECLARE_HANDLE(name) \
    struct name##__;                \
    using name = name##__*
TESSOR_DECLARE_HANDLE(HWND);
TESSOR_DECLARE_HANDLE(HDC);
TESSOR_DECLARE_HANDLE(HICON);
TESSOR_DECLARE_HANDLE(HCURSOR);
TESSOR_DECLARE_HANDLE(HMENU);
TESSOR_DECLARE_HANDLE(HPALETTE);
TESSOR_DECLARE_HANDLE(HRGN);
TESSOR_DECLARE_HANDLE(HGDIOBJ);
TESSOR_DECLARE_HANDLE(HINSTANCE);
TESSOR_DECLARE_HANDLE(HBITMAP);
TESSOR_DECLARE_HANDLE(HFONT);
TESSOR_DECLARE_HANDLE(HPEN);
TESSOR_DECLARE_HANDLE(HBRUSH);
#undef TESSOR_DECLARE_HANDLE

constexpr COLORREF RGB(int r, int g, int b)
{
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr LONG MAKELONG(WORD lo, WORD hi) { return static_cast<LONG>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16)); }
constexpr LPARAM MAKELPARAM(int lo, int hi) { return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(lo), static_cast<WORD>(hi))); }
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lp))); }

struct POINT {
    LONG x;
    LONG y;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;

// Multiplies two 32-bit values and divides by a third with a 64-bit intermediate,
// rounding the result to the nearest integer (halves away from zero). Returns -1
// when the divisor is 0 or the result does not fit 32 bits.
int MulDiv(int number, int numerator, int denominator);
