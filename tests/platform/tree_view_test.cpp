// The tree view as a folder chooser uses it: children filled in on
// expanding, selection by mouse and keys with old and new items, deletion of
// the selected item, and the handles' navigation.
#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

#include "platform/commctrl.h"
#include "platform/message_queue.h"
#include "tests/platform/control_host.h"

using namespace platform;
using Lines = std::vector<std::string>;

namespace {

constexpr int kTreeId = 3000;
constexpr UINT kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28, kVkEnd = 0x23;

class TreeViewTest : public ::testing::Test {
protected:
    HWND make_tree(std::uint32_t style = TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                   int height = 150) {
        tv_ = host_.make(WC_TREEVIEW, style, kTreeId, 200, height);
        return tv_;
    }
    HTREEITEM insert(HTREEITEM parent, const char* text, HTREEITEM after = TVI_LAST, int children = -2) {
        TVINSERTSTRUCT in;
        in.hParent = parent;
        in.hInsertAfter = after;
        in.item.mask = TVIF_TEXT | TVIF_PARAM | (children != -2 ? TVIF_CHILDREN : 0);
        in.item.pszText = const_cast<char*>(text);
        in.item.lParam = static_cast<LPARAM>(++params_);
        in.item.cChildren = children;
        auto h = static_cast<HTREEITEM>(send_message(tv_, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&in)));
        if (h) host_.name(h, text);
        return h;
    }
    HTREEITEM get(UINT code, HTREEITEM h = 0) {
        return static_cast<HTREEITEM>(send_message(tv_, TVM_GETNEXTITEM, code, static_cast<LPARAM>(h)));
    }
    std::string text(HTREEITEM h) {
        char buffer[64] = "";
        TVITEM item;
        item.mask = TVIF_TEXT;
        item.hItem = h;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        if (!send_message(tv_, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) return "<none>";
        return buffer;
    }
    std::vector<std::string> children(HTREEITEM parent) {
        std::vector<std::string> out;
        for (HTREEITEM h = get(TVGN_CHILD, parent); h; h = get(TVGN_NEXT, h)) out.push_back(text(h));
        return out;
    }
    RECT rect(HTREEITEM h, bool text_only) {
        RECT r{};
        std::memcpy(static_cast<void*>(&r), &h, sizeof h);
        if (!send_message(tv_, TVM_GETITEMRECT, text_only, reinterpret_cast<LPARAM>(&r))) return RECT{-1, -1, -1, -1};
        return r;
    }
    void press(UINT message, POINT pt) {
        send_message(tv_, message, 0, make_lparam(static_cast<std::uint16_t>(pt.x), static_cast<std::uint16_t>(pt.y)));
    }
    void click_label(HTREEITEM h) {
        RECT r = rect(h, true);
        POINT pt{r.left + 2, (r.top + r.bottom) / 2};
        press(WM_LBUTTONDOWN, pt);
        press(WM_LBUTTONUP, pt);
    }
    bool expanded(HTREEITEM h) {
        TVITEM item;
        item.mask = TVIF_STATE;
        item.hItem = h;
        item.stateMask = TVIS_EXPANDED;
        send_message(tv_, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
        return (item.state & TVIS_EXPANDED) != 0;
    }

    twtest::ControlHost host_;
    HWND tv_ = 0;
    LPARAM params_ = 0;
};

TEST_F(TreeViewTest, InsertionPlacesItemsAndNavigationFindsThem) {
    make_tree();
    HTREEITEM c = insert(TVI_ROOT, "C:");
    HTREEITEM a = insert(TVI_ROOT, "A:", TVI_FIRST);
    insert(c, "WINNT");
    HTREEITEM docs = insert(c, "Documents", TVI_FIRST);
    insert(c, "Program Files", docs);
    insert(c, "apps", TVI_SORT);
    insert(c, "zeta", TVI_SORT);

    EXPECT_EQ(get(TVGN_ROOT), a);
    EXPECT_EQ(get(TVGN_NEXT, a), c);
    EXPECT_EQ(get(TVGN_PREVIOUS, c), a);
    EXPECT_EQ(get(TVGN_PARENT, docs), c);
    EXPECT_EQ(get(TVGN_PARENT, c), 0u);
    EXPECT_EQ(children(c), (Lines{"apps", "Documents", "Program Files", "WINNT", "zeta"}));
    EXPECT_EQ(send_message(tv_, TVM_GETCOUNT, 0, 0), 7);

    // Children of a collapsed item are not shown, so they have no rectangle.
    EXPECT_EQ(rect(docs, false).left, -1);
    EXPECT_EQ(get(TVGN_LASTVISIBLE), c);
    EXPECT_TRUE(send_message(tv_, TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(c)));
    EXPECT_EQ(get(TVGN_LASTVISIBLE), get(TVGN_NEXT, get(TVGN_NEXT, get(TVGN_NEXT, get(TVGN_NEXT, get(TVGN_CHILD, c))))));
    RECT row_c = rect(c, false), label_docs = rect(docs, true);
    EXPECT_GT(label_docs.left, rect(c, true).left);  // indented under its parent
    EXPECT_GT(label_docs.top, row_c.top);

    EXPECT_EQ(insert(0xDEAD, "orphan"), 0u);  // no such parent
}

TEST_F(TreeViewTest, ExpandingAsksTheParentWhichFillsInTheChildren) {
    make_tree();
    HTREEITEM c = insert(TVI_ROOT, "C:", TVI_LAST, 1);  // says it has children, has none yet
    host_.on_notify = [&](const NMHDR* hdr) {
        if (hdr->code != TVN_ITEMEXPANDING) return;
        auto* nm = reinterpret_cast<const NMTREEVIEW*>(hdr);
        if (nm->action == TVE_EXPAND && get(TVGN_CHILD, nm->itemNew.hItem) == 0) {
            insert(nm->itemNew.hItem, "TEMP");
            insert(nm->itemNew.hItem, "WINNT");
        }
    };
    RECT label = rect(c, true);
    // The button sits in the indent step before the label.
    POINT button{label.left - 12, (label.top + label.bottom) / 2};
    press(WM_LBUTTONDOWN, button);
    EXPECT_EQ(host_.notes(), (Lines{"TVN_ITEMEXPANDING C: expand", "TVN_ITEMEXPANDED C: expand"}));
    EXPECT_TRUE(expanded(c));
    EXPECT_EQ(children(c), (Lines{"TEMP", "WINNT"}));
    EXPECT_EQ(get(TVGN_CARET), 0u);  // the button does not select

    host_.clear();
    press(WM_LBUTTONDOWN, button);
    EXPECT_EQ(host_.notes(), (Lines{"TVN_ITEMEXPANDING C: collapse", "TVN_ITEMEXPANDED C: collapse"}));
    EXPECT_FALSE(expanded(c));

    // TVM_EXPAND notifies only until the item was expanded once; people always do.
    host_.clear();
    EXPECT_TRUE(send_message(tv_, TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(c)));
    EXPECT_TRUE(expanded(c));
    EXPECT_EQ(host_.notes(), Lines{});
    EXPECT_EQ(children(c), (Lines{"TEMP", "WINNT"}));

    // An item without children and without the flag cannot expand.
    HTREEITEM empty = insert(TVI_ROOT, "A:");
    EXPECT_FALSE(send_message(tv_, TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(empty)));
}

TEST_F(TreeViewTest, ParentCanRefuseExpansionAndSelection) {
    make_tree();
    HTREEITEM c = insert(TVI_ROOT, "C:");
    HTREEITEM d = insert(TVI_ROOT, "D:");
    insert(c, "WINNT");
    host_.answer = [&](const NMHDR* hdr) -> LRESULT {
        auto* nm = reinterpret_cast<const NMTREEVIEW*>(hdr);
        if (hdr->code == TVN_ITEMEXPANDING) return 1;
        if (hdr->code == TVN_SELCHANGING && nm->itemNew.hItem == d) return 1;
        return 0;
    };
    EXPECT_FALSE(send_message(tv_, TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(c)));
    EXPECT_FALSE(expanded(c));
    EXPECT_TRUE(send_message(tv_, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(c)));
    EXPECT_FALSE(send_message(tv_, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(d)));
    EXPECT_EQ(get(TVGN_CARET), c);
    EXPECT_EQ(host_.notes(), (Lines{"TVN_ITEMEXPANDING C: expand", "TVN_SELCHANGING 0->C: by unknown",
                                    "TVN_SELCHANGED 0->C: by unknown", "TVN_SELCHANGING C:->D: by unknown"}));
}

TEST_F(TreeViewTest, SelectionByMouseAndKeysReportsOldAndNewItems) {
    make_tree();
    HTREEITEM c = insert(TVI_ROOT, "C:");
    HTREEITEM temp = insert(c, "TEMP");
    HTREEITEM winnt = insert(c, "WINNT");
    HTREEITEM d = insert(TVI_ROOT, "D:");
    send_message(tv_, TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(c));
    host_.clear();
    click_label(temp);
    send_message(tv_, WM_KEYDOWN, kVkDown, 0);
    send_message(tv_, WM_KEYDOWN, kVkLeft, 0);   // to the parent
    send_message(tv_, WM_KEYDOWN, kVkLeft, 0);   // collapses it
    send_message(tv_, WM_KEYDOWN, kVkRight, 0);  // expands it again
    send_message(tv_, WM_KEYDOWN, kVkRight, 0);  // to the first child
    send_message(tv_, WM_KEYDOWN, kVkEnd, 0);
    EXPECT_EQ(host_.notes(), (Lines{
                                 "TVN_SELCHANGING 0->TEMP by mouse",
                                 "TVN_SELCHANGED 0->TEMP by mouse",
                                 "NM_CLICK",
                                 "TVN_SELCHANGING TEMP->WINNT by key",
                                 "TVN_SELCHANGED TEMP->WINNT by key",
                                 "TVN_SELCHANGING WINNT->C: by key",
                                 "TVN_SELCHANGED WINNT->C: by key",
                                 "TVN_ITEMEXPANDING C: collapse",
                                 "TVN_ITEMEXPANDED C: collapse",
                                 "TVN_ITEMEXPANDING C: expand",
                                 "TVN_ITEMEXPANDED C: expand",
                                 "TVN_SELCHANGING C:->TEMP by key",
                                 "TVN_SELCHANGED C:->TEMP by key",
                                 "TVN_SELCHANGING TEMP->D: by key",
                                 "TVN_SELCHANGED TEMP->D: by key",
                             }));
    EXPECT_EQ(get(TVGN_CARET), d);
    (void)winnt;

    // Collapsing the item that holds the caret moves the caret to it.
    send_message(tv_, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(winnt));
    host_.clear();
    send_message(tv_, TVM_EXPAND, TVE_COLLAPSE, static_cast<LPARAM>(c));
    EXPECT_EQ(get(TVGN_CARET), c);
}

TEST_F(TreeViewTest, SelectingAHiddenItemExpandsItsParents) {
    make_tree();
    HTREEITEM c = insert(TVI_ROOT, "C:");
    HTREEITEM winnt = insert(c, "WINNT");
    HTREEITEM system32 = insert(winnt, "SYSTEM32");
    EXPECT_TRUE(send_message(tv_, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(system32)));
    EXPECT_TRUE(expanded(c));
    EXPECT_TRUE(expanded(winnt));
    EXPECT_NE(rect(system32, true).left, -1);
    TVITEM item;
    item.mask = TVIF_STATE;
    item.hItem = system32;
    send_message(tv_, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_TRUE(item.state & TVIS_SELECTED);
}

TEST_F(TreeViewTest, DeletingTheSelectedItemMovesTheCaretOnAndRefusesItsHandle) {
    make_tree();
    HTREEITEM c = insert(TVI_ROOT, "C:");
    HTREEITEM temp = insert(c, "TEMP");
    HTREEITEM sub = insert(temp, "SUB");
    HTREEITEM winnt = insert(c, "WINNT");
    send_message(tv_, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(sub));
    host_.clear();
    EXPECT_TRUE(send_message(tv_, TVM_DELETEITEM, 0, static_cast<LPARAM>(temp)));
    EXPECT_EQ(host_.notes(), (Lines{"TVN_DELETEITEM SUB", "TVN_DELETEITEM TEMP", "TVN_SELCHANGING 0->WINNT by unknown",
                                    "TVN_SELCHANGED 0->WINNT by unknown"}));
    EXPECT_EQ(get(TVGN_CARET), winnt);
    EXPECT_EQ(text(temp), "<none>");
    EXPECT_FALSE(send_message(tv_, TVM_DELETEITEM, 0, static_cast<LPARAM>(temp)));
    EXPECT_FALSE(send_message(tv_, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(sub)));

    // The last child going hands the caret to its parent.
    host_.clear();
    send_message(tv_, TVM_DELETEITEM, 0, static_cast<LPARAM>(winnt));
    EXPECT_EQ(get(TVGN_CARET), c);

    // Everything at once: the caret goes with it, without a new selection.
    host_.clear();
    send_message(tv_, TVM_DELETEITEM, 0, static_cast<LPARAM>(TVI_ROOT));
    EXPECT_EQ(host_.notes(), (Lines{"TVN_DELETEITEM C:"}));
    EXPECT_EQ(get(TVGN_CARET), 0u);
    EXPECT_EQ(send_message(tv_, TVM_GETCOUNT, 0, 0), 0);
}

TEST_F(TreeViewTest, DoubleClickTogglesUnlessTheParentTakesIt) {
    make_tree();
    HTREEITEM c = insert(TVI_ROOT, "C:");
    insert(c, "WINNT");
    RECT label = rect(c, true);
    POINT on_label{label.left + 2, (label.top + label.bottom) / 2};
    press(WM_LBUTTONDOWN, on_label);
    press(WM_LBUTTONUP, on_label);
    press(WM_LBUTTONDBLCLK, on_label);
    EXPECT_TRUE(expanded(c));
    host_.answer = [](const NMHDR* hdr) -> LRESULT { return hdr->code == NM_DBLCLK ? 1 : 0; };
    press(WM_LBUTTONDBLCLK, on_label);
    EXPECT_TRUE(expanded(c));
}

TEST_F(TreeViewTest, ChildrenCountCanComeFromTheParent) {
    make_tree();
    HTREEITEM c = insert(TVI_ROOT, "C:", TVI_LAST, I_CHILDRENCALLBACK);
    host_.answer = [](const NMHDR* hdr) -> LRESULT {
        if (hdr->code == TVN_GETDISPINFO) const_cast<NMTVDISPINFO*>(reinterpret_cast<const NMTVDISPINFO*>(hdr))->item.cChildren = 1;
        return 0;
    };
    EXPECT_TRUE(send_message(tv_, TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(c)));
    host_.answer = nullptr;
    HTREEITEM a = insert(TVI_ROOT, "A:", TVI_LAST, I_CHILDRENCALLBACK);
    EXPECT_FALSE(send_message(tv_, TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(a)));
}

TEST_F(TreeViewTest, LongTreesScrollToShowTheCaret) {
    make_tree(TVS_HASLINES, 60);
    std::vector<HTREEITEM> items;
    for (int i = 0; i < 12; ++i) items.push_back(insert(TVI_ROOT, ("folder " + std::to_string(i)).c_str()));
    send_message(tv_, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(items.back()));
    HTREEITEM first = get(TVGN_FIRSTVISIBLE);
    EXPECT_NE(first, items.front());
    EXPECT_GE(rect(items.back(), false).top, 0);
    EXPECT_LT(rect(items.back(), false).bottom, 61);
    send_message(tv_, WM_VSCROLL, make_wparam(6 /* SB_TOP */, 0), 0);
    EXPECT_EQ(get(TVGN_FIRSTVISIBLE), items.front());
    send_message(tv_, WM_KEYDOWN, kVkUp, 0);
    EXPECT_EQ(get(TVGN_CARET), items[10]);
}

}  // namespace
