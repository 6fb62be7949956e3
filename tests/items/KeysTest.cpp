// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "items/Application.h"
#include "platform/core/Failure.h"

namespace pelmor {
namespace {

std::shared_ptr<Page> MakePage(const std::string& url, const std::string& elementPath = "") {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetElementPath(elementPath);
    return page;
}

std::shared_ptr<Folder> MakeFolder(const std::string& name) {
    auto folder = Folder::Create();
    folder->SetName(name);
    return folder;
}

// Keys of the list's items in order, joined by spaces.
std::string KeysOf(const ItemList& list) {
    std::string keys;
    for (const std::shared_ptr<Item>& item : list.Items()) keys += (keys.empty() ? "" : " ") + item->Key();
    return keys;
}

std::optional<Fault> FailureKind(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.Kind();
    }
    return std::nullopt;
}

TEST(ItemKeys, SignatureCoversFramesSubFramesAndElementPath) {
    auto page = MakePage("P", "TABLE(0),TR(2)");
    page->AddFrame("F1", "1.html")->SetElementPath("ignored");
    page->AddFrame("F2", "2.html")->AddFrame("F3", "3.html");
    EXPECT_EQ(PageSignature(*page), "P@|F1|F2@|F3#TABLE(0),TR(2)");

    auto framesOnly = MakePage("Q");
    framesOnly->AddFrame("F1", "1.html");
    EXPECT_EQ(PageSignature(*framesOnly), "Q@|F1");
    EXPECT_EQ(PageSignature(*MakePage("R", "x")), "R#x");
    EXPECT_EQ(PageSignature(*MakePage("S")), "S");
}

TEST(ItemKeys, KeysOfRootFolderAndNestedItems) {
    auto root = Application::Create();
    auto work = MakeFolder("Work");
    ASSERT_EQ(root->AddItem(work), work);
    auto news = MakeFolder("News");
    ASSERT_EQ(work->AddItem(news), news);
    auto page = MakePage("http://a.example/", "BODY(0)");
    ASSERT_EQ(news->AddItem(page), page);

    EXPECT_EQ(work->Key(), "Work");
    EXPECT_EQ(work->ShortKey(), "Work");
    EXPECT_EQ(news->Key(), "Work\\News");
    EXPECT_EQ(page->ShortKey(), "http://a.example/#BODY(0)");
    EXPECT_EQ(page->Key(), "Work\\News\\http://a.example/#BODY(0)");

    auto top = MakePage("http://top.example/");
    root->AddItem(top);
    EXPECT_EQ(top->Key(), "http://top.example/");
    EXPECT_EQ(top->ShortKey(), top->Key());

    // Links
    EXPECT_EQ(page->Parent(), news);
    EXPECT_EQ(page->ParentFolder(), news);
    EXPECT_EQ(page->Application(), root);
    EXPECT_EQ(work->Parent(), root);
    EXPECT_EQ(work->ParentFolder(), nullptr);
    EXPECT_EQ(news->Application(), root);

    // Lookup by key ignores case.
    EXPECT_EQ(news->Items("work\\NEWS\\HTTP://A.EXAMPLE/#body(0)"), page);
    EXPECT_EQ(root->Items("WORK"), work);
}

TEST(ItemKeys, DuplicatesAreRefusedWithoutChange) {
    auto root = Application::Create();
    auto a = MakeFolder("A");
    auto b = MakeFolder("B");
    root->AddItem(a);
    root->AddItem(b);

    auto first = MakePage("http://x.example/Page");
    first->AddFrame("f", "1.html");
    ASSERT_EQ(a->AddItem(first), first);
    auto again = MakePage("HTTP://X.EXAMPLE/page");
    again->AddFrame("F", "2.html");  // only the saved file differs
    EXPECT_EQ(a->AddItem(again), nullptr);
    EXPECT_EQ(a->ItemsCount(), 1);
    EXPECT_TRUE(again->Key().empty());
    EXPECT_EQ(again->Parent(), nullptr);

    // The same page may sit in another folder; other element paths are other pages.
    EXPECT_EQ(b->AddItem(again), again);
    EXPECT_EQ(again->Key(), "B\\HTTP://X.EXAMPLE/page@|F");
    auto other = MakePage("http://x.example/Page", "DIV(1)");
    other->AddFrame("f", "1.html");
    EXPECT_EQ(a->AddItem(other), other);

    // Letters beyond ASCII fold too.
    EXPECT_NE(b->AddItem(MakePage("http://\xC3\x84rger.example/")), nullptr);
    EXPECT_EQ(b->AddItem(MakePage("HTTP://\xC3\xA4RGER.EXAMPLE/")), nullptr);
    EXPECT_NE(b->Items("b\\http://\xC3\xA4rger.example/"), nullptr);

    // A refused folder still takes its name as short key.
    auto twin = MakeFolder("a");
    EXPECT_EQ(root->AddItem(twin), nullptr);
    EXPECT_EQ(twin->ShortKey(), "a");
    EXPECT_TRUE(twin->Key().empty());
    EXPECT_EQ(root->ItemsCount(), 2);
}

TEST(ItemKeys, KeysStayWhenNameOrUrlChange) {
    auto root = Application::Create();
    auto folder = MakeFolder("Old");
    root->AddItem(folder);
    auto page = MakePage("http://p.example/");
    folder->AddItem(page);
    folder->SetName("New");
    page->SetURL("http://q.example/");
    page->AddFrame("f", "1.html");
    EXPECT_EQ(folder->Key(), "Old");
    EXPECT_EQ(page->Key(), "Old\\http://p.example/");
    EXPECT_EQ(root->Items("old"), folder);
    EXPECT_EQ(root->Items("New"), nullptr);

    // A page added after the rename builds on the key, not the name.
    auto later = MakePage("http://r.example/");
    folder->AddItem(later);
    EXPECT_EQ(later->Key(), "Old\\http://r.example/");
}

TEST(ItemLists, InsertBeforeAndAfterByPositionAndKey) {
    auto root = Application::Create();
    root->AddItem(MakePage("b"));
    root->AddItem(MakePage("d"));
    root->AddItem(MakePage("a"), 0);
    root->AddItem(MakePage("c"), std::nullopt, std::string("B"));
    root->AddItem(MakePage("e"), std::nullopt, 3);
    root->AddItem(MakePage("x"), std::string("e"));
    EXPECT_EQ(KeysOf(*root), "a b c d x e");
    EXPECT_EQ(root->ItemAt(4)->Key(), "x");
}

TEST(ItemLists, BadInsertionPlacesFailAfterKeysAreSet) {
    auto root = Application::Create();
    root->AddItem(MakePage("a"));
    auto page = MakePage("b");
    EXPECT_EQ(FailureKind([&] { root->AddItem(page, 0, 0); }), Fault::InvalidArgument);
    EXPECT_EQ(page->Key(), "b");
    EXPECT_EQ(page->Parent(), root);
    EXPECT_EQ(FailureKind([&] { root->AddItem(page, std::string("zz")); }), Fault::KeyNotFound);
    EXPECT_EQ(FailureKind([&] { root->AddItem(page, std::nullopt, 1); }), Fault::InvalidArgument);
    EXPECT_EQ(FailureKind([&] { root->AddItem(page, -1); }), Fault::InvalidArgument);
    EXPECT_EQ(KeysOf(*root), "a");
    // The failed calls left the list usable.
    EXPECT_EQ(root->AddItem(page), page);
    EXPECT_EQ(FailureKind([&] { root->AddItem(nullptr); }), Fault::Missing);
}

TEST(ItemLists, OutOfRangeLookupsAndRemovals) {
    auto root = Application::Create();
    auto page = MakePage("p");
    page->AddFrame("f", "1.html");
    root->AddItem(page);
    EXPECT_EQ(root->ItemAt(-1), nullptr);
    EXPECT_EQ(root->ItemAt(1), nullptr);
    EXPECT_EQ(root->ItemAt(-2), nullptr);
    EXPECT_EQ(root->Items("nothing"), nullptr);

    EXPECT_EQ(FailureKind([&] { page->FrameAt(-1); }), Fault::OutOfRange);
    EXPECT_EQ(FailureKind([&] { page->FrameAt(1); }), Fault::OutOfRange);
    EXPECT_EQ(FailureKind([&] { page->RemoveFrame(1); }), Fault::OutOfRange);
    EXPECT_EQ(page->FrameAt(0)->URL(), "f");

    EXPECT_EQ(FailureKind([&] { root->RemoveItem("nothing"); }), Fault::KeyNotFound);
    EXPECT_EQ(root->ItemsCount(), 1);
}

TEST(ItemLists, RemovalKeepsKeysFreesTheKeyAndOrder) {
    auto root = Application::Create();
    for (const char* url : {"a", "b", "c", "d"}) root->AddItem(MakePage(url));
    auto b = root->Items("b");
    root->RemoveItem("B");
    root->RemoveItem("d");
    EXPECT_EQ(KeysOf(*root), "a c");
    EXPECT_EQ(root->ItemAt(1)->Key(), "c");
    EXPECT_EQ(b->Key(), "b");
    EXPECT_EQ(b->Parent(), root);
    // The key is free again.
    EXPECT_NE(root->AddItem(MakePage("B")), nullptr);
    EXPECT_NE(root->AddItem(MakePage("d"), 0), nullptr);
    EXPECT_EQ(KeysOf(*root), "d a c B");
}

TEST(ItemLists, FolderCannotGoInsideItself) {
    auto root = Application::Create();
    auto outer = MakeFolder("outer");
    auto inner = MakeFolder("inner");
    root->AddItem(outer);
    outer->AddItem(inner);
    EXPECT_EQ(FailureKind([&] { outer->AddItem(outer); }), Fault::InvalidArgument);
    EXPECT_EQ(FailureKind([&] { inner->AddItem(outer); }), Fault::InvalidArgument);
    EXPECT_EQ(inner->ItemsCount(), 0);
    EXPECT_EQ(outer->Key(), "outer");
    // Moving a folder elsewhere is fine.
    auto side = MakeFolder("side");
    root->AddItem(side);
    EXPECT_EQ(side->AddItem(inner), inner);
}

TEST(ItemLifetime, BackLinksNeverKeepObjectsAlive) {
    std::weak_ptr<Application> rootGone;
    std::shared_ptr<Page> kept;
    std::shared_ptr<Folder> folder;
    {
        auto root = Application::Create();
        folder = MakeFolder("f");
        root->AddItem(folder);
        kept = MakePage("p");
        folder->AddItem(kept);
        rootGone = root;
    }
    // The root is gone although its folder and page live on.
    EXPECT_TRUE(rootGone.expired());
    EXPECT_EQ(folder->Application(), nullptr);
    EXPECT_EQ(folder->Parent(), nullptr);
    EXPECT_EQ(kept->Parent(), folder);

    // A page taken out of its folder stays whole while held elsewhere.
    kept->AddFrame("f", "1.html");
    folder->RemoveItem(kept->Key());
    std::weak_ptr<Folder> folderGone = folder;
    folder.reset();
    EXPECT_TRUE(folderGone.expired());
    EXPECT_EQ(kept->Parent(), nullptr);
    EXPECT_EQ(kept->URL(), "p");
    EXPECT_EQ(kept->FrameAt(0)->SavedFile(), "1.html");
}

TEST(ItemLifetime, ListsNotHeldBySharedPointersStillWork) {
    Application root;
    Folder folder;
    auto page = MakePage("p");
    EXPECT_EQ(root.AddItem(page), page);
    EXPECT_EQ(page->Parent(), nullptr);
    EXPECT_EQ(page->Application(), nullptr);
    EXPECT_EQ(folder.AddItem(MakePage("q"))->Key(), "\\q");
}

TEST(ItemFrames, RemoveAndNestedOrder) {
    auto page = MakePage("p");
    page->AddFrame("a", "1.html");
    auto b = page->AddFrame("b", "2.html");
    page->AddFrame("c", "3.html");
    b->AddFrame("b1", "4.html");
    page->RemoveFrame(0);
    EXPECT_EQ(page->FramesCount(), 2);
    EXPECT_EQ(page->FrameAt(0), b);
    EXPECT_EQ(PageSignature(*page), "p@|b@|b1|c");
}

}  // namespace
}  // namespace pelmor
