// The list view in report mode: items and sub-items, selection and check
// boxes by mouse and keys, and the notifications its parent receives.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "platform/commctrl.h"
#include "platform/message_queue.h"
#include "tests/platform/control_host.h"

using namespace platform;
using Lines = std::vector<std::string>;

namespace {

constexpr int kListId = 200;
constexpr UINT kVkSpace = 0x20, kVkEnd = 0x23, kVkHome = 0x24, kVkUp = 0x26, kVkDown = 0x28;

class ListViewTest : public ::testing::Test {
protected:
    HWND make_list(std::uint32_t style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, int height = 120) {
        lv_ = host_.make(WC_LISTVIEW, style, kListId, 200, height);
        add_column("Name", 100);
        add_column("State", 80);
        return lv_;
    }
    void add_column(const char* text, int width) {
        LVCOLUMN c;
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = const_cast<char*>(text);
        c.cx = width;
        send_message(lv_, LVM_INSERTCOLUMN, columns_++,
                     reinterpret_cast<LPARAM>(&c));
    }
    int add_item(const char* text, LPARAM param = 0, int at = 1000) {
        LVITEM item;
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = at;
        item.pszText = const_cast<char*>(text);
        item.lParam = param;
        return static_cast<int>(send_message(lv_, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)));
    }
    std::string text(int index, int sub = 0) {
        char buffer[64] = "unset";
        LVITEM item;
        item.iSubItem = sub;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        send_message(lv_, LVM_GETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    RECT item_rect(int index, int code) {
        RECT r;
        r.left = code;
        EXPECT_TRUE(send_message(lv_, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)));
        return r;
    }
    void click(POINT pt) {
        LPARAM at = make_lparam(static_cast<std::uint16_t>(pt.x), static_cast<std::uint16_t>(pt.y));
        send_message(lv_, WM_LBUTTONDOWN, 0, at);
        send_message(lv_, WM_LBUTTONUP, 0, at);
    }
    void click_label(int index) {
        RECT r = item_rect(index, LVIR_LABEL);
        click({r.left + 3, (r.top + r.bottom) / 2});
    }
    void key(UINT vk) { send_message(lv_, WM_KEYDOWN, vk, 0); }
    int next(int start, UINT flags) {
        return static_cast<int>(send_message(lv_, LVM_GETNEXTITEM, static_cast<WPARAM>(start), make_lparam(static_cast<std::uint16_t>(flags), 0)));
    }
    UINT state(int index, UINT mask) {
        return static_cast<UINT>(send_message(lv_, LVM_GETITEMSTATE, static_cast<WPARAM>(index), static_cast<LPARAM>(mask)));
    }

    twtest::ControlHost host_;
    HWND lv_ = 0;
    int columns_ = 0;
};

TEST_F(ListViewTest, ItemsAndSubItemsAreStoredFoundAndAnnounced) {
    make_list();
    int value = 7;
    EXPECT_EQ(add_item("Ink low", reinterpret_cast<LPARAM>(&value)), 0);
    EXPECT_EQ(add_item("Paper out", 0, 0), 0);  // put in front
    EXPECT_EQ(add_item("Cover open", 0, 50), 2);  // past the end: appended
    LVITEM sub;
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>("On");
    EXPECT_TRUE(send_message(lv_, LVM_SETITEMTEXT, 1, reinterpret_cast<LPARAM>(&sub)));

    EXPECT_EQ(send_message(lv_, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(text(0), "Paper out");
    EXPECT_EQ(text(1), "Ink low");
    EXPECT_EQ(text(1, 1), "On");
    EXPECT_EQ(text(2, 1), "");

    LVITEM got;
    got.mask = LVIF_PARAM;
    got.iItem = 1;
    ASSERT_TRUE(send_message(lv_, LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&got)));
    EXPECT_EQ(*reinterpret_cast<int*>(got.lParam), 7);  // a pointer survives whole

    // A short buffer gets the text cut and terminated.
    char small[4];
    LVITEM cut;
    cut.pszText = small;
    cut.cchTextMax = sizeof small;
    EXPECT_EQ(send_message(lv_, LVM_GETITEMTEXT, 0, reinterpret_cast<LPARAM>(&cut)), 3);
    EXPECT_STREQ(small, "Pap");

    LVFINDINFO find;
    find.flags = LVFI_STRING;
    find.psz = "ink LOW";
    EXPECT_EQ(send_message(lv_, LVM_FINDITEM, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 1);
    find.flags = LVFI_PARTIAL | LVFI_WRAP;
    find.psz = "Pa";
    EXPECT_EQ(send_message(lv_, LVM_FINDITEM, 0, reinterpret_cast<LPARAM>(&find)), 0);  // wrapped round
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(&value);
    EXPECT_EQ(send_message(lv_, LVM_FINDITEM, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 1);

    EXPECT_EQ(host_.notes(), (Lines{"LVN_INSERTITEM item=0", "LVN_INSERTITEM item=0", "LVN_INSERTITEM item=2"}));
    EXPECT_EQ(add_item("x", 0, -1), -1);
}

TEST_F(ListViewTest, SortedListsInsertInOrderIgnoringCase) {
    make_list(LVS_REPORT | LVS_SORTASCENDING);
    for (const char* t : {"cyan", "Black", "magenta", "YELLOW", "black"}) add_item(t);
    Lines order;
    for (int i = 0; i < 5; ++i) order.push_back(text(i));
    EXPECT_EQ(order, (Lines{"Black", "black", "cyan", "magenta", "YELLOW"}));
}

TEST_F(ListViewTest, ClickMovesTheSelectionWithChangingBeforeChanged) {
    make_list();
    add_item("a");
    add_item("b");
    add_item("c");
    click_label(0);
    host_.clear();
    click_label(2);
    EXPECT_EQ(host_.notes(), (Lines{
                                 "LVN_ITEMCHANGING item=0 new=0 old=0x3 changed=8",
                                 "LVN_ITEMCHANGED item=0 new=0 old=0x3 changed=8",
                                 "LVN_ITEMCHANGING item=2 new=0x3 old=0 changed=8",
                                 "LVN_ITEMCHANGED item=2 new=0x3 old=0 changed=8",
                                 "NM_CLICK item=2",
                             }));
    EXPECT_EQ(next(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(next(-1, LVNI_FOCUSED), 2);
    EXPECT_EQ(get_focus(), lv_);

    // Below the last item: the selection goes, the focus stays.
    host_.clear();
    RECT last = item_rect(2, LVIR_BOUNDS);
    click({5, last.bottom + 10});
    EXPECT_EQ(host_.notes(), (Lines{"LVN_ITEMCHANGING item=2 new=0x1 old=0x3 changed=8",
                                    "LVN_ITEMCHANGED item=2 new=0x1 old=0x3 changed=8", "NM_CLICK item=-1"}));
    EXPECT_EQ(next(-1, LVNI_SELECTED), -1);
}

TEST_F(ListViewTest, SubItemsSelectOnlyWithFullRowSelect) {
    make_list();
    add_item("a");
    RECT cell = item_rect(0, LVIR_BOUNDS);
    POINT on_second_column{150, (cell.top + cell.bottom) / 2};
    click(on_second_column);
    EXPECT_EQ(next(-1, LVNI_SELECTED), -1);
    send_message(lv_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    click(on_second_column);
    EXPECT_EQ(next(-1, LVNI_SELECTED), 0);
}

TEST_F(ListViewTest, CaretKeysMoveFocusAndSelectionAndScroll) {
    make_list(LVS_REPORT | LVS_SINGLESEL, 80);
    for (int i = 0; i < 10; ++i) add_item(("item " + std::to_string(i)).c_str());
    int page = static_cast<int>(send_message(lv_, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GT(page, 0);
    ASSERT_LT(page, 10);

    host_.clear();
    key(kVkDown);  // nothing focused yet: the first item
    EXPECT_EQ(next(-1, LVNI_SELECTED | LVNI_FOCUSED), 0);
    key(kVkDown);
    EXPECT_EQ(next(-1, LVNI_SELECTED), 1);
    key(kVkEnd);
    EXPECT_EQ(next(-1, LVNI_SELECTED), 9);
    EXPECT_EQ(send_message(lv_, LVM_GETTOPINDEX, 0, 0), 10 - page);  // scrolled to show it
    key(kVkUp);
    EXPECT_EQ(next(-1, LVNI_SELECTED), 8);
    key(kVkHome);
    EXPECT_EQ(next(-1, LVNI_SELECTED), 0);
    EXPECT_EQ(send_message(lv_, LVM_GETTOPINDEX, 0, 0), 0);
    EXPECT_EQ(send_message(lv_, LVM_GETSELECTEDCOUNT, 0, 0), 1);

    // The parent hears of each key before the list acts on it.
    Lines all = host_.notes(true);
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(Lines(all.begin(), all.begin() + 3),
              (Lines{"LVN_KEYDOWN vk=40", "LVN_ITEMCHANGING item=0 new=0x3 old=0 changed=8",
                     "LVN_ITEMCHANGED item=0 new=0x3 old=0 changed=8"}));
}

TEST_F(ListViewTest, CheckBoxesToggleByClickAndSpace) {
    make_list();
    add_item("a");
    send_message(lv_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    add_item("b");
    const UINT unchecked = index_to_state_image_mask(1), checked = index_to_state_image_mask(2);
    EXPECT_EQ(state(0, LVIS_STATEIMAGEMASK), unchecked);  // items already there get a box
    EXPECT_EQ(state(1, LVIS_STATEIMAGEMASK), unchecked);

    RECT bounds = item_rect(1, LVIR_BOUNDS);
    RECT label = item_rect(1, LVIR_LABEL);
    ASSERT_GE(label.left, 16);  // the box comes first
    host_.clear();
    click({bounds.left + 8, (bounds.top + bounds.bottom) / 2});
    EXPECT_EQ(host_.notes(), (Lines{"LVN_ITEMCHANGING item=1 new=0x2000 old=0x1000 changed=8",
                                    "LVN_ITEMCHANGED item=1 new=0x2000 old=0x1000 changed=8", "NM_CLICK item=1"}));
    EXPECT_EQ(state(1, LVIS_STATEIMAGEMASK), checked);
    EXPECT_EQ(state(1, LVIS_SELECTED), 0u);  // the box alone changed

    click_label(1);
    host_.clear();
    key(kVkSpace);
    EXPECT_EQ(host_.notes(), (Lines{"LVN_ITEMCHANGING item=1 new=0x1003 old=0x2003 changed=8",
                                    "LVN_ITEMCHANGED item=1 new=0x1003 old=0x2003 changed=8"}));

    // Setting the state directly notifies too (the parent sees the check change).
    LVITEM set;
    set.stateMask = LVIS_STATEIMAGEMASK;
    set.state = checked;
    host_.clear();
    EXPECT_TRUE(send_message(lv_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&set)));
    EXPECT_EQ(host_.notes(), (Lines{"LVN_ITEMCHANGING item=0 new=0x2000 old=0x1000 changed=8",
                                    "LVN_ITEMCHANGED item=0 new=0x2000 old=0x1000 changed=8"}));
}

TEST_F(ListViewTest, ParentCanRefuseAChange) {
    make_list();
    add_item("a");
    add_item("locked");
    click_label(0);
    host_.answer = [](const NMHDR* hdr) -> LRESULT {
        auto* nm = reinterpret_cast<const NMLISTVIEW*>(hdr);
        return hdr->code == LVN_ITEMCHANGING && nm->iItem == 1 ? 1 : 0;
    };
    host_.clear();
    click_label(1);
    // Item 0 lets go of its state; item 1 refuses to take it: no LVN_ITEMCHANGED for it.
    EXPECT_EQ(host_.notes(), (Lines{"LVN_ITEMCHANGING item=0 new=0 old=0x3 changed=8",
                                    "LVN_ITEMCHANGED item=0 new=0 old=0x3 changed=8",
                                    "LVN_ITEMCHANGING item=1 new=0x3 old=0 changed=8", "NM_CLICK item=1"}));
    EXPECT_EQ(state(1, LVIS_SELECTED | LVIS_FOCUSED), 0u);
    LVITEM set;
    set.stateMask = set.state = LVIS_SELECTED;
    EXPECT_FALSE(send_message(lv_, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&set)));
}

TEST_F(ListViewTest, DeletionTellsTheParentWhileTheItemStillExists) {
    make_list();
    std::vector<std::string> freed;
    host_.on_notify = [&](const NMHDR* hdr) {
        if (hdr->code != LVN_DELETEITEM) return;
        auto* nm = reinterpret_cast<const NMLISTVIEW*>(hdr);
        freed.push_back(*reinterpret_cast<std::string*>(nm->lParam));
    };
    std::string a = "A", b = "B", c = "C";
    add_item("a", reinterpret_cast<LPARAM>(&a));
    add_item("b", reinterpret_cast<LPARAM>(&b));
    add_item("c", reinterpret_cast<LPARAM>(&c));
    EXPECT_TRUE(send_message(lv_, LVM_DELETEITEM, 1, 0));
    EXPECT_FALSE(send_message(lv_, LVM_DELETEITEM, 5, 0));
    EXPECT_EQ(text(1), "c");
    EXPECT_EQ(freed, (Lines{"B"}));

    // Destroying the control hands every remaining item back.
    destroy_window(lv_);
    EXPECT_EQ(freed, (Lines{"B", "A", "C"}));
}

TEST_F(ListViewTest, ParentThatAnswersDeleteAllGetsNoPerItemNotes) {
    make_list();
    add_item("a");
    add_item("b");
    host_.answer = [](const NMHDR* hdr) -> LRESULT { return hdr->code == LVN_DELETEALLITEMS ? 1 : 0; };
    host_.clear();
    EXPECT_TRUE(send_message(lv_, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(host_.notes(), (Lines{"LVN_DELETEALLITEMS item=-1"}));
    EXPECT_EQ(send_message(lv_, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(ListViewTest, ParentEmptyingTheListInsideANotificationIsSafe) {
    make_list();
    add_item("a");
    add_item("b");
    host_.on_notify = [&](const NMHDR* hdr) {
        if (hdr->code == LVN_ITEMCHANGING) send_message(lv_, LVM_DELETEALLITEMS, 0, 0);
    };
    click_label(1);
    EXPECT_EQ(send_message(lv_, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(next(-1, LVNI_SELECTED), -1);
}

TEST_F(ListViewTest, ItemRectanglesFollowColumnsPicturesAndScrolling) {
    make_list(LVS_REPORT, 80);
    for (int i = 0; i < 8; ++i) add_item("row");
    HIMAGELIST images = image_list_create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    send_message(lv_, LVM_SETIMAGELIST, LVSIL_SMALL, static_cast<LPARAM>(images));
    RECT r0 = item_rect(0, LVIR_BOUNDS), r1 = item_rect(1, LVIR_BOUNDS);
    RECT icon = item_rect(0, LVIR_ICON), label = item_rect(0, LVIR_LABEL);
    int row = r1.top - r0.top;
    EXPECT_GE(row, 17);                    // a 16-pixel picture fits
    EXPECT_GT(r0.top, 0);                  // under the header
    EXPECT_EQ(r0.right - r0.left, 180);    // both columns
    EXPECT_EQ(icon.right - icon.left, 16);
    EXPECT_EQ(label.left, icon.right);
    EXPECT_EQ(label.right, 100);

    LVHITTESTINFO hit;
    hit.pt = {label.left + 2, r1.top + 1};
    EXPECT_EQ(send_message(lv_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    EXPECT_EQ(hit.flags, LVHT_ONITEMLABEL);

    EXPECT_TRUE(send_message(lv_, LVM_ENSUREVISIBLE, 7, 0));
    int top = static_cast<int>(send_message(lv_, LVM_GETTOPINDEX, 0, 0));
    EXPECT_GT(top, 0);
    EXPECT_EQ(item_rect(top, LVIR_BOUNDS).top, r0.top);  // rows move up as the list scrolls
    send_message(lv_, WM_VSCROLL, make_wparam(6 /* SB_TOP */, 0), 0);
    EXPECT_EQ(send_message(lv_, LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(ListViewTest, ColumnsSizeToTheirTextAndGoWithTheirSubItems) {
    make_list();
    add_item("a rather long item text");
    LVITEM sub;
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>("x");
    send_message(lv_, LVM_SETITEMTEXT, 0, reinterpret_cast<LPARAM>(&sub));
    int before = static_cast<int>(send_message(lv_, LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_TRUE(send_message(lv_, LVM_SETCOLUMNWIDTH, 0, make_lparam(static_cast<std::uint16_t>(LVSCW_AUTOSIZE), 0)));
    int sized = static_cast<int>(send_message(lv_, LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_NE(sized, before);
    EXPECT_GT(sized, 60);
    EXPECT_TRUE(send_message(lv_, LVM_DELETECOLUMN, 1, 0));
    EXPECT_EQ(text(0, 1), "");
    EXPECT_FALSE(send_message(lv_, LVM_DELETECOLUMN, 3, 0));
}

}  // namespace
