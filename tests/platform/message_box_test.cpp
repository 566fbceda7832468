// Message boxes: the buttons of each type, what each button and key returns,
// driven through the box's own modal loop by a timer, as a person would.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "platform/sound.h"
#include "platform/standard_controls.h"
#include "platform/window.h"
#include "tests/support/test_root.h"

using namespace platform;

namespace {

// One step of a person at the box: click a button by id, or press a key on
// the item with the focus.
struct Step {
    enum Kind { Click, Key } kind;
    std::uint32_t value;
};

struct Driver {
    const char* caption = nullptr;
    std::vector<Step> steps;
    std::size_t next = 0;
    // What the box looked like when the first step ran.
    HWND box = 0;
    std::vector<std::string> buttons;
    std::string class_name;
    int focus_id = 0;
    bool owner_enabled = true;
    HWND owner = 0;
};

Driver* driver = nullptr;

void look_at(HWND box) {
    driver->box = box;
    char cls[32] = {};
    get_class_name(box, cls, sizeof cls);
    driver->class_name = cls;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
        if (HWND b = get_dlg_item(box, id)) driver->buttons.push_back(std::to_string(id) + "=" + window_text(b));
    driver->focus_id = get_dlg_ctrl_id(get_focus());
    if (driver->owner) driver->owner_enabled = is_window_enabled(driver->owner);
}

void tick(HWND, UINT, WPARAM, std::uint32_t) {
    HWND box = find_window(WC_DIALOG, driver->caption ? driver->caption : "Error");
    if (!box || driver->next >= driver->steps.size()) return;
    if (driver->next == 0) look_at(box);
    const Step step = driver->steps[driver->next++];
    // Posted, so the box's loop (and its dialog manager) handles them.
    if (step.kind == Step::Click) {
        post_message(get_dlg_item(box, static_cast<int>(step.value)), BM_CLICK, 0, 0);
    } else {
        post_message(get_focus(), WM_KEYDOWN, step.value, 0);
        post_message(get_focus(), WM_KEYUP, step.value, 0);
    }
}

int run_box(Driver& d, const char* text, UINT type, HWND owner = 0) {
    driver = &d;
    d.owner = owner;
    const auto timer = set_timer(0, 0, 15, tick);
    const int result = message_box(owner, text, d.caption, type);
    kill_timer(0, timer);
    driver = nullptr;
    return result;
}

struct BoxCase {
    const char* what;
    UINT type;
    std::vector<Step> steps;
    int result;
};

TEST(MessageBoxTest, EachButtonAndKeyReturnsItsCode) {
    twtest::TempMachineRoot root;
    const std::vector<BoxCase> cases = {
        {"OK", MB_OK, {{Step::Click, IDOK}}, IDOK},
        {"Escape on OK alone is OK", MB_OK | MB_ICONINFORMATION, {{Step::Key, VK_ESCAPE}}, IDOK},
        {"Enter on OK/Cancel", MB_OKCANCEL, {{Step::Key, VK_RETURN}}, IDOK},
        {"Escape on OK/Cancel", MB_OKCANCEL | MB_ICONWARNING, {{Step::Key, VK_ESCAPE}}, IDCANCEL},
        {"Enter with the second button default", MB_OKCANCEL | MB_DEFBUTTON2, {{Step::Key, VK_RETURN}}, IDCANCEL},
        {"No", MB_YESNO | MB_ICONQUESTION, {{Step::Click, IDNO}}, IDNO},
        {"Escape does nothing on Yes/No", MB_YESNO, {{Step::Key, VK_ESCAPE}, {Step::Click, IDYES}}, IDYES},
        {"Tab then Enter presses the next button", MB_YESNO, {{Step::Key, VK_TAB}, {Step::Key, VK_RETURN}}, IDNO},
        {"third default on Yes/No/Cancel", MB_YESNOCANCEL | MB_DEFBUTTON3, {{Step::Key, VK_RETURN}}, IDCANCEL},
        {"a default past the buttons is the first", MB_YESNO | MB_DEFBUTTON3, {{Step::Key, VK_RETURN}}, IDYES},
        {"Retry", MB_RETRYCANCEL | MB_ICONERROR, {{Step::Click, IDRETRY}}, IDRETRY},
        {"Ignore", MB_ABORTRETRYIGNORE, {{Step::Click, IDIGNORE}}, IDIGNORE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Driver d;
        d.caption = "Question";
        d.steps = c.steps;
        EXPECT_EQ(run_box(d, "Go on?", c.type), c.result);
        EXPECT_EQ(d.next, c.steps.size()) << "every step was needed";
        EXPECT_FALSE(is_window(d.box)) << "the box is gone when the call returns";
    }
}

TEST(MessageBoxTest, TheBoxIsADialogWithIdButtonsAndTheDefaultHasTheFocus) {
    twtest::TempMachineRoot root;
    WNDCLASS wc;
    wc.lpfnWndProc = def_window_proc;
    wc.hInstance = 0x4200;
    wc.lpszClassName = "TwpBoxOwner";
    ASSERT_NE(register_class(wc), 0);
    HWND owner = create_window_ex(0, "TwpBoxOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, 0, 0,
                                  0x4200, nullptr);

    clear_recorded_sounds();
    Driver d;  // no caption: "Error"
    d.steps = {{Step::Click, IDNO}};
    EXPECT_EQ(run_box(d, "Line one\nand a second, longer line", MB_YESNOCANCEL | MB_DEFBUTTON2, owner), IDNO);
    EXPECT_EQ(d.class_name, "#32770");
    EXPECT_EQ(d.buttons, (std::vector<std::string>{"2=Cancel", "6=&Yes", "7=&No"}));
    EXPECT_EQ(d.focus_id, IDNO);
    EXPECT_FALSE(d.owner_enabled) << "the owner waits while the box is up";
    EXPECT_TRUE(is_window_enabled(owner));
    const auto sounds = recorded_sounds();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].kind, SoundRecord::Kind::Beep) << "the box beeps as it appears";
    destroy_window(owner);
    unregister_class("TwpBoxOwner", 0x4200);
}

}  // namespace
