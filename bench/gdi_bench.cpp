// Drawing throughput: what a drawn control's paint costs. Fills of a
// control-sized rectangle, SRCCOPY blits of an off-screen buffer onto a
// window surface (the double-buffered paint), the mask pair of a drawn mark,
// and text. Prints operations per second.
#include <chrono>
#include <cstdio>

#include "bench/bench_stats.h"
#include "platform/gdi.h"

using namespace platform;

namespace {

template <class F>
double rate(F step) {
    using clock = std::chrono::steady_clock;
    long count = 0;
    auto start = clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(clock::now() - start).count(); };
    while (elapsed() < 0.5) {
        for (int i = 0; i < 50; ++i) step();
        count += 50;
    }
    return static_cast<double>(count) / elapsed();
}

}  // namespace

int main() {
    Surface surface;
    surface.resize(400, 300);
    HDC window = create_surface_dc(&surface, POINT{10, 30}, RECT{10, 30, 390, 290});
    HDC memory = create_compatible_dc(window);
    HBITMAP buffer = create_compatible_bitmap(window, 120, 80);
    HGDIOBJ old = select_object(memory, buffer);
    HBRUSH face = get_sys_color_brush(COLOR_BTNFACE);
    RECT area{0, 0, 120, 80};

    twbench::print_rate("fill_rect 120 x 80, solid", rate([&] { fill_rect(memory, area, face); }));
    HBRUSH hatch = create_hatch_brush(HS_DIAGCROSS, rgb(0, 0, 255));
    twbench::print_rate("fill_rect 120 x 80, hatched", rate([&] { fill_rect(memory, area, hatch); }));
    twbench::print_rate("bit_blt 120 x 80 SRCCOPY to a surface",
                        rate([&] { bit_blt(window, 5, 5, 120, 80, memory, 0, 0, SRCCOPY); }));
    twbench::print_rate("bit_blt 32 x 32 MERGEPAINT + SRCAND (mark and mask)", rate([&] {
                            bit_blt(memory, 40, 10, 32, 32, memory, 0, 0, MERGEPAINT);
                            bit_blt(memory, 40, 10, 32, 32, memory, 0, 0, SRCAND);
                        }));
    twbench::print_rate("stretch_blt 120 x 80 -> 60 x 40",
                        rate([&] { stretch_blt(window, 0, 0, 60, 40, memory, 0, 0, 120, 80, SRCCOPY); }));
    HFONT font = create_font(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    select_object(memory, font);
    twbench::print_rate("draw_text \"42%\" centred", rate([&] {
                            RECT r = area;
                            draw_text(memory, "42%", &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
                        }));
    SIZE size;
    twbench::print_rate("get_text_extent_point32, 20 characters",
                        rate([&] { get_text_extent_point32(memory, "Ink cartridge is low", &size); }));

    select_object(memory, get_stock_object(SYSTEM_FONT));
    select_object(memory, old);
    delete_object(font);
    delete_object(hatch);
    delete_object(buffer);
    delete_dc(memory);
    delete_dc(window);
    return 0;
}
