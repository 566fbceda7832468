// GetSystemMetrics and SystemParametersInfo(SPI_GETWORKAREA): the sizes of
// the screen and of the parts of a window frame.
//
// Mirrors Windows 2000 with the classic look at 96 pixels per inch:
//   SM_CYCAPTION 19 (an 18-pixel caption bar and the 1-pixel line under it),
//   SM_CXBORDER 1, SM_CXDLGFRAME (fixed frame) 3, SM_CXFRAME (sizing frame) 4,
//   SM_CXEDGE 2, SM_CXICON 32, SM_CXSMICON 16, SM_CXSIZE 18 (caption button),
//   SM_CYMENU 19, SM_CXVSCROLL / SM_CYHSCROLL 16, SM_CXDOUBLECLK 4.
// The screen is the computer's (machine.ini ScreenWidth / ScreenHeight,
// 1024 x 768 by default). The work area is the screen less a 28-pixel task
// bar along the bottom; SM_CXFULLSCREEN / SM_CYFULLSCREEN are the work area
// less a caption, as on Windows.
// Differs: one monitor; unknown indices give 0.
// Thread-safe.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace platform {

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXVSCROLL = 2;
inline constexpr int SM_CYHSCROLL = 3;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXBORDER = 5;
inline constexpr int SM_CYBORDER = 6;
inline constexpr int SM_CXDLGFRAME = 7;
inline constexpr int SM_CYDLGFRAME = 8;
inline constexpr int SM_CYVTHUMB = 9;
inline constexpr int SM_CXHTHUMB = 10;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int SM_CXCURSOR = 13;
inline constexpr int SM_CYCURSOR = 14;
inline constexpr int SM_CYMENU = 15;
inline constexpr int SM_CXFULLSCREEN = 16;
inline constexpr int SM_CYFULLSCREEN = 17;
inline constexpr int SM_CYVSCROLL = 20;
inline constexpr int SM_CXHSCROLL = 21;
inline constexpr int SM_CXMIN = 28;
inline constexpr int SM_CYMIN = 29;
inline constexpr int SM_CXSIZE = 30;
inline constexpr int SM_CYSIZE = 31;
inline constexpr int SM_CXFRAME = 32;
inline constexpr int SM_CYFRAME = 33;
inline constexpr int SM_CXDOUBLECLK = 36;
inline constexpr int SM_CYDOUBLECLK = 37;
inline constexpr int SM_CXFIXEDFRAME = SM_CXDLGFRAME;
inline constexpr int SM_CYFIXEDFRAME = SM_CYDLGFRAME;
inline constexpr int SM_CXSIZEFRAME = SM_CXFRAME;
inline constexpr int SM_CYSIZEFRAME = SM_CYFRAME;
inline constexpr int SM_CXEDGE = 45;
inline constexpr int SM_CYEDGE = 46;
inline constexpr int SM_CXSMICON = 49;
inline constexpr int SM_CYSMICON = 50;
inline constexpr int SM_CYSMCAPTION = 51;
inline constexpr int SM_CXMAXIMIZED = 61;
inline constexpr int SM_CYMAXIMIZED = 62;
inline constexpr int SM_CMONITORS = 80;

inline constexpr UINT SPI_GETWORKAREA = 0x0030;

inline constexpr int kTaskBarHeight = 28;

int get_system_metrics(int index);
// SPI_GETWORKAREA fills the RECT `param` points to; other actions fail with
// ERROR_INVALID_PARAMETER.
bool system_parameters_info(UINT action, UINT uparam, void* param, UINT winini);

}  // namespace platform
