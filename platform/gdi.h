// The drawing layer: device contexts, pens, brushes, fonts, bitmaps, regions,
// palettes, icons and the operations that draw with them (GDI).
//
// Mirrors Windows:
// - Every object is a 32-bit handle of this process's GDI table (non-zero
//   multiples of 4, separate from the kernel handle table as on Windows).
//   Stock objects are never deleted: delete_object on them returns TRUE and
//   does nothing. Deleting a pen, brush, font or palette that is selected into
//   a device context succeeds and takes effect when it is deselected; deleting
//   a bitmap that is selected fails.
// - select_object returns the previous object of the kind; a bitmap can be
//   selected into one memory DC at a time. A new memory DC holds a 1x1
//   monochrome stock bitmap, a black pen, a white brush and the system font;
//   background white and opaque, text black, R2_COPYPEN, TA_LEFT|TA_TOP.
// - Coordinates: logical = device with MM_TEXT; the viewport and window
//   origins move them. Rectangles are right/bottom exclusive. Clip regions
//   (select_clip_rgn) are in device units relative to the DC's origin;
//   intersect_clip_rect/exclude_clip_rect take logical units.
// - Pixels as GDI draws them: line_to leaves out its end point (Bresenham);
//   rectangle draws the pen inside [left, right) and fills inside the pen;
//   with a null pen it fills one pixel less to the right and bottom; polygon
//   fills pixel centres inside (left/top edges in, right/bottom out). Raster
//   operations are the ternary ones (any of the 256) on 0x00RRGGBB values and
//   the 16 binary ones for pens. Blits between a monochrome and a colour
//   bitmap convert as GDI does: a monochrome source draws its 0 bits in the
//   destination's text colour and its 1 bits in the destination's background
//   colour; a colour source drawn into a monochrome bitmap gives 1 where it
//   equals the source DC's background colour.
// - Colour into a monochrome bitmap: the nearer of black and white
//   (r + g + b >= 383 is white). Into an 8-bit bitmap: the nearest entry of
//   its colour table (its index is kept, its colour is the table's).
// - Fonts: LOGFONT heights (negative = character height, positive = cell
//   height, 0 = the 16-pixel system font), weight >= 600 is bold; 96 logical
//   pixels per inch.
//
// Differs:
// - Fonts come from fontconfig through pango/cairo: the Windows faces map to
//   DejaVu (sans, mono, serif). Metrics are those of the DejaVu face, exact and
//   repeatable for a given font, not the Windows numbers. Text is drawn with
//   grayscale antialiasing: glyph coverage blends the text colour into the
//   destination pixels (a monochrome destination then takes the nearer of
//   black and white).
// - Pixels are always kept as 0x00RRGGBB; a palette display
//   (set_display_bits_per_pixel(8)) only changes what get_device_caps reports
//   and makes realize_palette count mapped entries.
// - Text is bytes as the system's ANSI strings: valid UTF-8 is taken as is,
//   anything else as Latin-1.
//
// Thread-safe table. A device context is used by one thread at a time, as on
// Windows; objects (pens, brushes, fonts) are immutable and may be shared.
// Failing calls set the last error (ERROR_INVALID_HANDLE for a handle that is
// not a live object of the right kind, ERROR_INVALID_PARAMETER otherwise).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi_types.h"
#include "platform/image.h"
#include "platform/messages.h"
#include "platform/surface.h"

namespace platform {

using BOOL = int;

struct SIZE {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
};

// ---------------------------------------------------------------- constants

// Stock objects.
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int OEM_FIXED_FONT = 10;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEVICE_DEFAULT_FONT = 14;
inline constexpr int DEFAULT_PALETTE = 15;
inline constexpr int SYSTEM_FIXED_FONT = 16;
inline constexpr int DEFAULT_GUI_FONT = 17;

// Object types (get_object_type).
inline constexpr int OBJ_PEN = 1;
inline constexpr int OBJ_BRUSH = 2;
inline constexpr int OBJ_DC = 3;
inline constexpr int OBJ_PAL = 5;
inline constexpr int OBJ_FONT = 6;
inline constexpr int OBJ_BITMAP = 7;
inline constexpr int OBJ_REGION = 8;
inline constexpr int OBJ_MEMDC = 10;

// Pen styles.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;
inline constexpr int PS_INSIDEFRAME = 6;

// Brush styles and hatches.
inline constexpr std::uint32_t BS_SOLID = 0;
inline constexpr std::uint32_t BS_NULL = 1;
inline constexpr std::uint32_t BS_HOLLOW = BS_NULL;
inline constexpr std::uint32_t BS_HATCHED = 2;
inline constexpr std::uint32_t BS_PATTERN = 3;
inline constexpr int HS_HORIZONTAL = 0;
inline constexpr int HS_VERTICAL = 1;
inline constexpr int HS_FDIAGONAL = 2;
inline constexpr int HS_BDIAGONAL = 3;
inline constexpr int HS_CROSS = 4;
inline constexpr int HS_DIAGCROSS = 5;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Binary raster operations (pens).
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOTMERGEPEN = 2;
inline constexpr int R2_MASKNOTPEN = 3;
inline constexpr int R2_NOTCOPYPEN = 4;
inline constexpr int R2_MASKPENNOT = 5;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_NOTMASKPEN = 8;
inline constexpr int R2_MASKPEN = 9;
inline constexpr int R2_NOTXORPEN = 10;
inline constexpr int R2_NOP = 11;
inline constexpr int R2_MERGENOTPEN = 12;
inline constexpr int R2_COPYPEN = 13;
inline constexpr int R2_MERGEPENNOT = 14;
inline constexpr int R2_MERGEPEN = 15;
inline constexpr int R2_WHITE = 16;

// Ternary raster operations (blits): the high byte is the truth table over
// pattern (bit 2 of the index), source (bit 1) and destination (bit 0).
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t SRCPAINT = 0x00EE0086;
inline constexpr std::uint32_t SRCAND = 0x008800C6;
inline constexpr std::uint32_t SRCINVERT = 0x00660046;
inline constexpr std::uint32_t SRCERASE = 0x00440328;
inline constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr std::uint32_t NOTSRCERASE = 0x001100A6;
inline constexpr std::uint32_t MERGECOPY = 0x00C000CA;
inline constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
inline constexpr std::uint32_t PATCOPY = 0x00F00021;
inline constexpr std::uint32_t PATPAINT = 0x00FB0A09;
inline constexpr std::uint32_t PATINVERT = 0x005A0049;
inline constexpr std::uint32_t DSTINVERT = 0x00550009;
inline constexpr std::uint32_t BLACKNESS = 0x00000042;
inline constexpr std::uint32_t WHITENESS = 0x00FF0062;

// Stretch modes.
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;
inline constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
inline constexpr int STRETCH_ORSCANS = WHITEONBLACK;
inline constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
inline constexpr int STRETCH_HALFTONE = HALFTONE;

// Polygon fill modes.
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;

// Text alignment.
inline constexpr std::uint32_t TA_NOUPDATECP = 0;
inline constexpr std::uint32_t TA_UPDATECP = 1;
inline constexpr std::uint32_t TA_LEFT = 0;
inline constexpr std::uint32_t TA_RIGHT = 2;
inline constexpr std::uint32_t TA_CENTER = 6;
inline constexpr std::uint32_t TA_TOP = 0;
inline constexpr std::uint32_t TA_BOTTOM = 8;
inline constexpr std::uint32_t TA_BASELINE = 24;
inline constexpr std::uint32_t GDI_ERROR = 0xFFFFFFFF;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// ext_text_out options.
inline constexpr std::uint32_t ETO_OPAQUE = 0x0002;
inline constexpr std::uint32_t ETO_CLIPPED = 0x0004;

// draw_text formats.
inline constexpr std::uint32_t DT_TOP = 0x00000000;
inline constexpr std::uint32_t DT_LEFT = 0x00000000;
inline constexpr std::uint32_t DT_CENTER = 0x00000001;
inline constexpr std::uint32_t DT_RIGHT = 0x00000002;
inline constexpr std::uint32_t DT_VCENTER = 0x00000004;
inline constexpr std::uint32_t DT_BOTTOM = 0x00000008;
inline constexpr std::uint32_t DT_WORDBREAK = 0x00000010;
inline constexpr std::uint32_t DT_SINGLELINE = 0x00000020;
inline constexpr std::uint32_t DT_EXPANDTABS = 0x00000040;
inline constexpr std::uint32_t DT_NOCLIP = 0x00000100;
inline constexpr std::uint32_t DT_CALCRECT = 0x00000400;
inline constexpr std::uint32_t DT_NOPREFIX = 0x00000800;
inline constexpr std::uint32_t DT_END_ELLIPSIS = 0x00008000;
inline constexpr std::uint32_t DT_HIDEPREFIX = 0x00100000;

// Font weights, character sets, precisions, pitch and family.
inline constexpr int FW_DONTCARE = 0;
inline constexpr int FW_THIN = 100;
inline constexpr int FW_LIGHT = 300;
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_MEDIUM = 500;
inline constexpr int FW_SEMIBOLD = 600;
inline constexpr int FW_BOLD = 700;
inline constexpr int FW_HEAVY = 900;
inline constexpr std::uint8_t ANSI_CHARSET = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t OUT_DEFAULT_PRECIS = 0;
inline constexpr std::uint8_t OUT_TT_PRECIS = 4;
inline constexpr std::uint8_t CLIP_DEFAULT_PRECIS = 0;
inline constexpr std::uint8_t DEFAULT_QUALITY = 0;
inline constexpr std::uint8_t DEFAULT_PITCH = 0;
inline constexpr std::uint8_t FIXED_PITCH = 1;
inline constexpr std::uint8_t VARIABLE_PITCH = 2;
inline constexpr std::uint8_t FF_DONTCARE = 0x00;
inline constexpr std::uint8_t FF_ROMAN = 0x10;
inline constexpr std::uint8_t FF_SWISS = 0x20;
inline constexpr std::uint8_t FF_MODERN = 0x30;

// Regions.
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;
inline constexpr int RGN_ERROR = 0;  // region results (ERROR)
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

// get_device_caps indices and values.
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int NUMCOLORS = 24;
inline constexpr int RASTERCAPS = 38;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int SIZEPALETTE = 104;
inline constexpr int NUMRESERVED = 106;
inline constexpr int RC_BITBLT = 0x0001;
inline constexpr int RC_PALETTE = 0x0100;
inline constexpr int RC_STRETCHBLT = 0x0800;

// draw_edge.
inline constexpr std::uint32_t BDR_RAISEDOUTER = 0x0001;
inline constexpr std::uint32_t BDR_SUNKENOUTER = 0x0002;
inline constexpr std::uint32_t BDR_RAISEDINNER = 0x0004;
inline constexpr std::uint32_t BDR_SUNKENINNER = 0x0008;
inline constexpr std::uint32_t EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr std::uint32_t EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr std::uint32_t EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr std::uint32_t EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr std::uint32_t BF_LEFT = 0x0001;
inline constexpr std::uint32_t BF_TOP = 0x0002;
inline constexpr std::uint32_t BF_RIGHT = 0x0004;
inline constexpr std::uint32_t BF_BOTTOM = 0x0008;
inline constexpr std::uint32_t BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr std::uint32_t BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr std::uint32_t BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr std::uint32_t BF_MIDDLE = 0x0800;
inline constexpr std::uint32_t BF_SOFT = 0x1000;
inline constexpr std::uint32_t BF_ADJUST = 0x2000;
inline constexpr std::uint32_t BF_FLAT = 0x4000;
inline constexpr std::uint32_t BF_MONO = 0x8000;

// draw_frame_control.
inline constexpr std::uint32_t DFC_BUTTON = 4;
inline constexpr std::uint32_t DFCS_BUTTONCHECK = 0x0000;
inline constexpr std::uint32_t DFCS_BUTTONRADIO = 0x0004;
inline constexpr std::uint32_t DFCS_BUTTONPUSH = 0x0010;
inline constexpr std::uint32_t DFCS_INACTIVE = 0x0100;
inline constexpr std::uint32_t DFCS_PUSHED = 0x0200;
inline constexpr std::uint32_t DFCS_CHECKED = 0x0400;
inline constexpr std::uint32_t DFCS_FLAT = 0x4000;
inline constexpr std::uint32_t DFCS_MONO = 0x8000;

// draw_icon_ex.
inline constexpr std::uint32_t DI_MASK = 0x0001;
inline constexpr std::uint32_t DI_IMAGE = 0x0002;
inline constexpr std::uint32_t DI_NORMAL = 0x0003;

// System colours.
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_DESKTOP = COLOR_BACKGROUND;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_3DFACE = COLOR_BTNFACE;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_HOTLIGHT = 26;
inline constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;

// ------------------------------------------------------------- object records

struct LOGPEN {
    std::uint32_t lopnStyle = PS_SOLID;
    POINT lopnWidth;  // x is the width
    COLORREF lopnColor = 0;
};

struct LOGBRUSH {
    std::uint32_t lbStyle = BS_SOLID;
    COLORREF lbColor = 0;
    std::uintptr_t lbHatch = 0;  // hatch style, or the pattern bitmap
};

struct LOGFONT {
    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = FW_DONTCARE;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = ANSI_CHARSET;
    std::uint8_t lfOutPrecision = OUT_DEFAULT_PRECIS;
    std::uint8_t lfClipPrecision = CLIP_DEFAULT_PRECIS;
    std::uint8_t lfQuality = DEFAULT_QUALITY;
    std::uint8_t lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    char lfFaceName[32] = {};
};

struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;  // bytes per row, rounded up to 2 as GetObject gives it
    std::uint16_t bmPlanes = 1;
    std::uint16_t bmBitsPixel = 0;
    void* bmBits = nullptr;         // the 32-bit pixels of a DIB section, else null
};

struct TEXTMETRIC {
    std::int32_t tmHeight = 0;
    std::int32_t tmAscent = 0;
    std::int32_t tmDescent = 0;
    std::int32_t tmInternalLeading = 0;
    std::int32_t tmExternalLeading = 0;
    std::int32_t tmAveCharWidth = 0;
    std::int32_t tmMaxCharWidth = 0;
    std::int32_t tmWeight = 0;
    std::int32_t tmOverhang = 0;
    std::int32_t tmDigitizedAspectX = 96;
    std::int32_t tmDigitizedAspectY = 96;
    char tmFirstChar = 0x20;
    char tmLastChar = static_cast<char>(0xFF);
    char tmDefaultChar = 0x1F;
    char tmBreakChar = 0x20;
    std::uint8_t tmItalic = 0;
    std::uint8_t tmUnderlined = 0;
    std::uint8_t tmStruckOut = 0;
    std::uint8_t tmPitchAndFamily = 0;
    std::uint8_t tmCharSet = ANSI_CHARSET;
};

struct PALETTEENTRY {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
};

// ---------------------------------------------------------------- arithmetic

// MulDiv: a * b / c with a 64-bit product, rounded half away from zero; -1
// when c is 0 or the result does not fit 32 bits.
std::int32_t mul_div(std::int32_t a, std::int32_t b, std::int32_t c);

// ---------------------------------------------------------------- objects

HPEN create_pen(int style, int width, COLORREF color);
HPEN create_pen_indirect(const LOGPEN& pen);
HBRUSH create_solid_brush(COLORREF color);
HBRUSH create_hatch_brush(int hatch, COLORREF color);
// From the top-left 8x8 pixels of a bitmap (smaller bitmaps repeat). A
// monochrome pattern draws its 0 bits in the DC's text colour and its 1 bits
// in its background colour, as on Windows.
HBRUSH create_pattern_brush(HBITMAP bitmap);
HBRUSH create_brush_indirect(const LOGBRUSH& brush);
HFONT create_font(int height, int width, int escapement, int orientation, int weight,
                  std::uint32_t italic, std::uint32_t underline, std::uint32_t strike_out,
                  std::uint32_t charset, std::uint32_t out_precision, std::uint32_t clip_precision,
                  std::uint32_t quality, std::uint32_t pitch_and_family, std::string_view face);
HFONT create_font_indirect(const LOGFONT& font);

// A bitmap of 1, 8 or 32 bits per pixel (other depths become 32). `bits`, when
// given, is rows of `width` values from the top: 0/1 for 1 bit, indices for 8
// bits, 0x00RRGGBB for 32. An 8-bit bitmap starts with a greyscale table.
HBITMAP create_bitmap(int width, int height, int bits_per_pixel, const std::uint32_t* bits = nullptr);
// A bitmap that matches the DC: colour (32 bits) for a surface DC or a memory
// DC with a colour bitmap, monochrome for a memory DC holding its default
// bitmap (as on Windows). Starts black.
HBITMAP create_compatible_bitmap(HDC hdc, int width, int height);
// A 32-bit bitmap whose pixels (0x00RRGGBB, top row first) the caller may
// read and write through *bits while it lives (CreateDIBSection).
HBITMAP create_dib_section(int width, int height, std::uint32_t** bits);
// An 8-bit bitmap with a colour table (up to 256 entries, 0x00RRGGBB) and one
// index per pixel.
HBITMAP create_indexed_bitmap(int width, int height, const std::vector<std::uint32_t>& color_table,
                              const std::uint8_t* indices = nullptr);
// From a decoded picture: a picture of 8 bits or fewer with a palette becomes
// an 8-bit bitmap with that colour table and those indices; any other a 32-bit
// one (alpha dropped).
HBITMAP create_bitmap_from_image(const Image& image);
// The pixels of a bitmap as an opaque 32-bit picture (an 8-bit bitmap keeps
// its palette and indices, a monochrome one reads black and white).
Image bitmap_to_image(HBITMAP bitmap);
// The colour table of an 8-bit bitmap (empty for other depths).
std::vector<std::uint32_t> get_dib_color_table(HBITMAP bitmap);
// Replaces the first entries of an 8-bit bitmap's colour table; the pixels
// keep their indices and take the new colours. Returns the entries set.
int set_dib_color_table(HBITMAP bitmap, int start, const std::vector<std::uint32_t>& colors);

HPALETTE create_palette(const std::vector<PALETTEENTRY>& entries);
HPALETTE select_palette(HDC hdc, HPALETTE palette, BOOL force_background);
// Maps the selected palette into the (simulated) system palette: the number of
// entries mapped, 0 on a true-colour display, GDI_ERROR for a bad DC.
std::uint32_t realize_palette(HDC hdc);
std::uint32_t get_palette_entries(HPALETTE palette, std::uint32_t start, std::uint32_t count,
                                  PALETTEENTRY* entries);
// Nearest entry of a palette to a colour (GetNearestPaletteIndex).
std::uint32_t get_nearest_palette_index(HPALETTE palette, COLORREF color);

HGDIOBJ get_stock_object(int which);
BOOL delete_object(HGDIOBJ object);
HGDIOBJ select_object(HDC hdc, HGDIOBJ object);
HGDIOBJ get_current_object(HDC hdc, int object_type);
int get_object_type(HGDIOBJ object);
// GetObject: copies the record (LOGPEN, LOGBRUSH, LOGFONT, BITMAP, or a
// 16-bit entry count for a palette) when `buffer` is given; returns the bytes
// copied or needed, 0 on failure.
int get_object(HGDIOBJ object, int size, void* buffer);
// Live GDI objects of the process, stock objects excluded (for leak checks).
std::size_t gdi_object_count();

// Regions: lists of rectangles.
HRGN create_rect_rgn(int left, int top, int right, int bottom);
HRGN create_rect_rgn_indirect(const RECT& rect);
int combine_rgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int get_rgn_box(HRGN region, RECT* rect);
BOOL pt_in_region(HRGN region, int x, int y);
BOOL set_rect_rgn(HRGN region, int left, int top, int right, int bottom);
int offset_rgn(HRGN region, int dx, int dy);

// Icons: a colour picture with an optional mask (1 where the picture is
// transparent, as on Windows). Without a mask, the picture's alpha decides:
// alpha below 128 is transparent.
HICON create_icon_from_image(const Image& color, const Image* mask = nullptr);
BOOL destroy_icon(HICON icon);
BOOL draw_icon(HDC hdc, int x, int y, HICON icon);
// Draws at cx x cy (0: the icon's own size), stretched.
BOOL draw_icon_ex(HDC hdc, int x, int y, HICON icon, int cx, int cy, std::uint32_t step,
                  HBRUSH flicker_free, std::uint32_t flags);
// The size of an icon (0,0 for a bad handle).
SIZE get_icon_size(HICON icon);

// ------------------------------------------------------------- device contexts

// A memory DC with the 1x1 monochrome default bitmap (hdc is ignored: every
// DC of this layer is compatible with every other).
HDC create_compatible_dc(HDC hdc);
BOOL delete_dc(HDC hdc);
// A DC drawing into a window's surface: the window's (0,0) lies at `origin`
// of the surface, and nothing is drawn outside `clip` (surface coordinates).
// The surface must outlive the DC. Every drawing call that changes pixels
// bumps surface->version.
HDC create_surface_dc(Surface* surface, POINT origin, const RECT& clip);
// Moves a surface DC (when the window layer reuses one for another window).
BOOL set_surface_dc_origin(HDC hdc, POINT origin, const RECT& clip);
int save_dc(HDC hdc);
// A positive level restores that save; a negative one counts back. The
// selected bitmap is not part of the saved state: it stays selected.
BOOL restore_dc(HDC hdc, int saved);

// Reports the display as 8 (palette) or 32 bits per pixel, process-wide.
void set_display_bits_per_pixel(int bits);
int get_device_caps(HDC hdc, int index);

BOOL set_viewport_org_ex(HDC hdc, int x, int y, POINT* old);
BOOL get_viewport_org_ex(HDC hdc, POINT* org);
BOOL set_window_org_ex(HDC hdc, int x, int y, POINT* old);
BOOL get_window_org_ex(HDC hdc, POINT* org);
BOOL offset_viewport_org_ex(HDC hdc, int dx, int dy, POINT* old);
BOOL set_brush_org_ex(HDC hdc, int x, int y, POINT* old);

int intersect_clip_rect(HDC hdc, int left, int top, int right, int bottom);
int exclude_clip_rect(HDC hdc, int left, int top, int right, int bottom);
// A copy of the region becomes the DC's clip region (0 removes it).
int select_clip_rgn(HDC hdc, HRGN region);
// The clip box in logical units: the bounds of what can be drawn.
int get_clip_box(HDC hdc, RECT* rect);

int set_rop2(HDC hdc, int mode);
int get_rop2(HDC hdc);
int set_bk_mode(HDC hdc, int mode);
int get_bk_mode(HDC hdc);
COLORREF set_bk_color(HDC hdc, COLORREF color);
COLORREF get_bk_color(HDC hdc);
COLORREF set_text_color(HDC hdc, COLORREF color);
COLORREF get_text_color(HDC hdc);
std::uint32_t set_text_align(HDC hdc, std::uint32_t align);
std::uint32_t get_text_align(HDC hdc);
int set_stretch_blt_mode(HDC hdc, int mode);
int get_stretch_blt_mode(HDC hdc);
int set_poly_fill_mode(HDC hdc, int mode);
int get_poly_fill_mode(HDC hdc);

// ------------------------------------------------------------------ drawing

BOOL move_to_ex(HDC hdc, int x, int y, POINT* old);
BOOL get_current_position_ex(HDC hdc, POINT* pos);
BOOL line_to(HDC hdc, int x, int y);
BOOL polyline(HDC hdc, const POINT* points, int count);
BOOL polygon(HDC hdc, const POINT* points, int count);
BOOL rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL ellipse(HDC hdc, int left, int top, int right, int bottom);
// fill_rect accepts a brush handle or a system colour index + 1.
int fill_rect(HDC hdc, const RECT& rect, HBRUSH brush);
int frame_rect(HDC hdc, const RECT& rect, HBRUSH brush);
BOOL invert_rect(HDC hdc, const RECT& rect);
COLORREF set_pixel(HDC hdc, int x, int y, COLORREF color);
BOOL set_pixel_v(HDC hdc, int x, int y, COLORREF color);
// CLR_INVALID outside the bitmap or the clip.
COLORREF get_pixel(HDC hdc, int x, int y);
BOOL pat_blt(HDC hdc, int x, int y, int width, int height, std::uint32_t rop);
BOOL bit_blt(HDC dest, int x, int y, int width, int height, HDC src, int src_x, int src_y,
             std::uint32_t rop);
BOOL stretch_blt(HDC dest, int x, int y, int width, int height, HDC src, int src_x, int src_y,
                 int src_width, int src_height, std::uint32_t rop);

// Classic bevels: EDGE_* kinds, BF_* sides; BF_ADJUST shrinks *rect by the
// edge drawn.
BOOL draw_edge(HDC hdc, RECT* rect, std::uint32_t edge, std::uint32_t flags);
// A dotted rectangle drawn with XOR on every other pixel: drawing it twice
// leaves the pixels as they were.
BOOL draw_focus_rect(HDC hdc, const RECT& rect);
BOOL draw_frame_control(HDC hdc, RECT* rect, std::uint32_t type, std::uint32_t state);

// --------------------------------------------------------------------- text

BOOL text_out(HDC hdc, int x, int y, std::string_view text);
BOOL ext_text_out(HDC hdc, int x, int y, std::uint32_t options, const RECT* rect, std::string_view text);
// Returns the height of the text drawn (or that DT_CALCRECT measured); with
// DT_VCENTER or DT_BOTTOM the offset from rect->top to the bottom of the text.
int draw_text(HDC hdc, std::string_view text, RECT* rect, std::uint32_t format);
BOOL get_text_extent_point32(HDC hdc, std::string_view text, SIZE* size);
BOOL get_text_metrics(HDC hdc, TEXTMETRIC* metrics);
// The face name of the selected font as it was asked for; returns its length.
int get_text_face(HDC hdc, int count, char* name);
// The dialog base units of a font: cx the average width of the 52 letters
// (rounded as Windows does: (width / 26 + 1) / 2), cy the font's tmHeight.
SIZE dialog_base_units(HFONT font);

// ------------------------------------------------------------ system colours

// The Windows 2000 classic scheme.
COLORREF get_sys_color(int index);
// A stock brush of the system colour (never deleted); 0 for a bad index.
HBRUSH get_sys_color_brush(int index);
// A class background as window classes hold it: a system colour index + 1
// (COLOR_WINDOW + 1) gives that colour's brush, anything else is a brush
// handle taken as is.
HBRUSH brush_from_class_background(std::uintptr_t background);

}  // namespace platform
