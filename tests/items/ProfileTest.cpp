// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>

#include "items/Application.h"
#include "platform/core/Failure.h"
#include "support/TempHome.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return *DateTime::FromParts({year, month, day, hour, minute, second});
}

void DumpFrames(const FrameList& list, const std::string& indent, std::string& out) {
    for (const std::shared_ptr<Frame>& frame : list.Frames()) {
        out += indent + "Frame " + frame->URL() + " | " + frame->SavedFile() + " | " + frame->ElementPath() + "\n";
        DumpFrames(*frame, indent + "  ", out);
    }
}

// Every stored property of the tree, one line per object, in list order.
void DumpItems(const ItemList& list, const std::string& indent, std::string& out) {
    for (const std::shared_ptr<Item>& item : list.Items()) {
        std::string common = item->Key() + " | " + item->Description() + " | " + std::to_string(item->Active()) + " " +
                             std::to_string(item->PeriodTime()) + " " + std::to_string(item->PeriodUnit());
        if (item->IsFolder()) {
            auto& folder = static_cast<Folder&>(*item);
            out += indent + "Folder " + folder.Name() + " | " + common + "\n";
            DumpItems(folder, indent + "  ", out);
            continue;
        }
        auto& page = static_cast<Page&>(*item);
        out += indent + "Page " + page.URL() + " | " + common + " | " + page.SavedFile() + " | " +
               page.SavedDate().FormatGeneral() + " " + page.StartDate().FormatGeneral() + " " +
               page.EndDate().FormatGeneral() + " " + page.LastCheckDate().FormatGeneral() + " | " +
               std::to_string(page.Updated()) + std::to_string(page.DeleteAtEnd()) +
               std::to_string(page.ShowTimeDiff()) + std::to_string(page.ShowPics()) +
               std::to_string(page.ShowNumbers()) + std::to_string(page.UseInverse()) + " | " + page.ElementPath() +
               " | " + page.InsertColor() + " " + page.UpdateColor() + "\n";
        DumpFrames(page, indent + "  ", out);
    }
}

std::string Dump(const Application& root) {
    std::string out = "ROOT " + std::to_string(root.Active()) + " " + std::to_string(root.PeriodTime()) + " " +
                      std::to_string(root.PeriodUnit()) + "\n";
    DumpItems(root, "  ", out);
    return out;
}

// Keys of the top-level items and of everything below them, in document order.
std::string AllKeys(const ItemList& list) {
    std::string keys;
    for (const std::shared_ptr<Item>& item : list.Items()) {
        keys += "[" + item->Key() + "]";
        if (item->IsFolder()) keys += AllKeys(static_cast<Folder&>(*item));
    }
    return keys;
}

std::shared_ptr<Page> FullPage(const std::string& url, int seed) {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetDescription("Title \"" + std::to_string(seed) + "\" <b> & 'q'\nsecond line\tZ\xC3\xBCrich \xE6\x9D\xB1");
    page->SetSavedFile(std::to_string(seed) + ".html");
    page->SetSavedDate(At(2026, 12, 7, 13, 5, 59));
    page->SetStartDate(At(2026, 1, 2, 17, 30));
    page->SetEndDate(At(2027, 3, 4));
    page->SetLastCheckDate(At(1999, 12, 31, 23, 59, 1));
    page->SetPeriodTime(static_cast<int16_t>(seed % 2 ? -32768 : 32767));
    page->SetPeriodUnit(static_cast<dfUnits>(seed % 2 ? 7 : -5));
    page->SetUpdated(seed % 2);
    page->SetActive(true);
    page->SetDeleteAtEnd(seed % 3 == 0);
    page->SetShowTimeDiff(false);
    page->SetShowPics(seed % 2);
    page->SetShowNumbers(false);
    page->SetUseInverse(true);
    page->SetElementPath(seed % 2 ? "TABLE(0),TR(2)" : "");
    page->SetInsertColor("#123456");
    page->SetUpdateColor("#ABCDEF");
    auto frame = page->AddFrame(url + "/f1", "f1.html");
    frame->SetElementPath("DIV(3)");
    frame->AddFrame(url + "/f1/sub", "sub.html");
    page->AddFrame(url + "/f2", "f2.html");
    return page;
}

class Profile : public ::testing::Test {
protected:
    fs::path Path(const std::string& name = "Files.XML") const { return home_.Root() / name; }

    // Writes `text` as a profile and loads it into root_; answers the failure kind, or none.
    std::optional<Fault> Load(const std::string& text) {
        test::WriteFile(Path(), text);
        return LoadFile(Path());
    }

    std::optional<Fault> LoadFile(const fs::path& path) {
        try {
            root_->LoadItems(path.string());
        } catch (const Failure& failure) {
            lastFailure_ = failure.Description();
            return failure.Kind();
        }
        return std::nullopt;
    }

    std::shared_ptr<Page> PageAt(int position) const {
        return std::dynamic_pointer_cast<Page>(root_->ItemAt(position));
    }

    test::TempHome home_;
    std::shared_ptr<Application> root_ = Application::Create();
    std::string lastFailure_;
};

TEST_F(Profile, WritesElementsAndAttributesInOrderWithoutWhitespace) {
    root_->SetActive(true);
    root_->SetPeriodTime(2);
    root_->SetPeriodUnit(dfHour);
    auto work = Folder::Create();
    work->SetName("Work");
    root_->AddItem(work);
    auto page = Page::Create();
    page->SetURL("http://a.example/?x=1&y=2");
    page->SetSavedDate(At(2026, 12, 7, 13, 5, 42));
    page->SetStartDate(At(2026, 12, 1, 8, 0));
    page->AddFrame("http://a.example/f", "2.html");
    work->AddItem(page);
    root_->SaveItems(Path().string());

    EXPECT_EQ(
        test::ReadFile(Path()),
        "<ROOT Active=\"True\" PeriodTime=\"2\" PeriodUnit=\"1\">"
        "<Folder Name=\"Work\" Description=\"\" Active=\"False\" PeriodTime=\"0\" PeriodUnit=\"0\">"
        "<Page URL=\"http://a.example/?x=1&amp;y=2\" Description=\"\" SavedFile=\"\" SavedDate=\"07/12/2026 13:05\" "
        "StartDate=\"01/12/2026\" EndDate=\"30/12/1899\" LastCheckDate=\"30/12/1899 00:00\" PeriodTime=\"0\" "
        "PeriodUnit=\"0\" Updated=\"False\" Active=\"False\" DeleteAtEnd=\"False\" ShowTimeDiff=\"False\" "
        "ShowPics=\"False\" ShowNumbers=\"False\" UseInverse=\"False\" ElementPath=\"\" InsertColor=\"\" "
        "UpdateColor=\"\">"
        "<Frame URL=\"http://a.example/f\" SavedFile=\"2.html\" ElementPath=\"\"/>"
        "</Page></Folder></ROOT>");
}

TEST_F(Profile, RoundTripKeepsEverythingButSecondsAndTimesOfDay) {
    root_->SetActive(false);
    root_->SetPeriodTime(-3);
    root_->SetPeriodUnit(static_cast<dfUnits>(12345));
    auto outer = Folder::Create();
    outer->SetName("Outer & <co>");
    outer->SetDescription("desc\nwith break");
    outer->SetActive(true);
    outer->SetPeriodTime(9);
    outer->SetPeriodUnit(dfDay);
    root_->AddItem(FullPage("http://first.example", 1));
    root_->AddItem(outer);
    auto inner = Folder::Create();
    inner->SetName("Inner");
    outer->AddItem(inner);
    inner->AddItem(FullPage("http://deep.example", 2));
    outer->AddItem(FullPage("http://second.example", 3));
    outer->AddItem(Folder::Create());  // a folder without a name
    root_->SaveItems(Path().string());
    std::string saved = test::ReadFile(Path());

    auto loaded = Application::Create();
    loaded->LoadItems(Path().string());

    // The expected tree: the original with the file's precision.
    for (auto page : {PageAt(0), std::dynamic_pointer_cast<Page>(inner->ItemAt(0)),
                      std::dynamic_pointer_cast<Page>(outer->ItemAt(1))}) {
        page->SetSavedDate(*DateTime::Parse(page->SavedDate().FormatDateTime()));
        page->SetLastCheckDate(*DateTime::Parse(page->LastCheckDate().FormatDateTime()));
        page->SetStartDate(page->StartDate().DatePart());
        page->SetEndDate(page->EndDate().DatePart());
    }
    EXPECT_EQ(Dump(*loaded), Dump(*root_));
    auto page = std::dynamic_pointer_cast<Page>(loaded->ItemAt(0));
    EXPECT_EQ(page->SavedDate(), At(2026, 12, 7, 13, 5));
    EXPECT_EQ(page->StartDate(), At(2026, 1, 2));
    EXPECT_EQ(page->Key(),
              "http://first.example@|http://first.example/f1@|http://first.example/f1/sub|"
              "http://first.example/f2#TABLE(0),TR(2)");
    EXPECT_EQ(page->Application(), loaded);
    auto deep = std::dynamic_pointer_cast<Folder>(loaded->ItemAt(1));
    EXPECT_EQ(deep->ItemAt(0)->Key(), "Outer & <co>\\Inner");
    EXPECT_EQ(deep->ItemAt(0)->Application(), loaded);

    // Saving the loaded tree gives the same bytes.
    loaded->SaveItems(Path("again.xml").string());
    EXPECT_EQ(test::ReadFile(Path("again.xml")), saved);
}

TEST_F(Profile, BareElementsTakeTheDefaults) {
    root_->SetActive(false);
    root_->SetPeriodTime(7);
    root_->SetPeriodUnit(dfMinute);
    ASSERT_EQ(Load("<ROOT><Page InsertColor=\"\"/></ROOT>"), std::nullopt) << lastFailure_;
    EXPECT_EQ(Dump(*root_),
              "ROOT 1 1 2\n"
              "  Page  |  |  | 0 0 0 |  | 30/12/1899 00:00:00 30/12/1899 00:00:00 30/12/1899 00:00:00 "
              "30/12/1899 00:00:00 | 001111 |  | #00FF00 #FFFF00\n");
    // A folder and a page share the key space of their list: both have the empty key here.
    ASSERT_EQ(Load("<ROOT><Folder/><Page/></ROOT>"), std::nullopt) << lastFailure_;
    EXPECT_EQ(Dump(*root_), "ROOT 1 1 2\n  Folder  |  |  | 0 0 0\n");
}

TEST_F(Profile, BooleansAcceptNumbersAndWordsInAnyCase) {
    ASSERT_EQ(Load("<ROOT Active=\"0\"><Page URL=\"a\" Updated=\"True\" Active=\"-1\" DeleteAtEnd=\"tRUE\" "
                   "ShowTimeDiff=\"0\" ShowPics=\"False\" ShowNumbers=\" FALSE \" UseInverse=\"2.5\"/>"
                   "<Folder Name=\"f\" Active=\"1\"/></ROOT>"),
              std::nullopt)
        << lastFailure_;
    EXPECT_FALSE(root_->Active());
    auto page = PageAt(0);
    EXPECT_TRUE(page->Updated());
    EXPECT_TRUE(page->Active());
    EXPECT_TRUE(page->DeleteAtEnd());
    EXPECT_FALSE(page->ShowTimeDiff());
    EXPECT_FALSE(page->ShowPics());
    EXPECT_FALSE(page->ShowNumbers());
    EXPECT_TRUE(page->UseInverse());
    EXPECT_TRUE(root_->ItemAt(1)->Active());

    EXPECT_EQ(Load("<ROOT><Page URL=\"a\" Updated=\"yes\"/></ROOT>"), Fault::WrongType);
    EXPECT_EQ(Load("<ROOT><Page URL=\"a\" Updated=\"\"/></ROOT>"), Fault::WrongType);
    EXPECT_EQ(Load("<ROOT><Page URL=\"a\" Updated=\"nan\"/></ROOT>"), Fault::WrongType);
}

TEST_F(Profile, DatesReadDayFirstWhateverTheLocale) {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"en_US.UTF-8", "de_DE.UTF-8", "tr_TR.UTF-8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name)) break;
    }
    setenv("LC_ALL", "en_US.UTF-8", 1);
    std::optional<Fault> result = Load(
        "<ROOT><Page URL=\"a\" SavedDate=\"07/12/2026 13:05\" StartDate=\"07/12/2026\" "
        "EndDate=\"1/2/2027\" LastCheckDate=\"31/12/1999 23:59:58\"/></ROOT>");
    std::setlocale(LC_ALL, previous.c_str());
    unsetenv("LC_ALL");
    ASSERT_EQ(result, std::nullopt) << lastFailure_;
    auto page = PageAt(0);
    EXPECT_EQ(page->SavedDate(), At(2026, 12, 7, 13, 5));
    EXPECT_EQ(page->StartDate(), At(2026, 12, 7));
    EXPECT_EQ(page->EndDate(), At(2027, 2, 1));
    EXPECT_EQ(page->LastCheckDate(), At(1999, 12, 31, 23, 59, 58));

    EXPECT_EQ(Load("<ROOT><Page URL=\"a\" SavedDate=\"31/02/2026 10:00\"/></ROOT>"), Fault::WrongType);
    EXPECT_EQ(Load("<ROOT><Page URL=\"a\" StartDate=\"12/2026\"/></ROOT>"), Fault::WrongType);
}

TEST_F(Profile, ElementNamesIgnoreCaseAndUnknownNodesAreSkipped) {
    ASSERT_EQ(Load("<whatever><!-- note --><page URL=\"a\"/>stray text<FOLDER Name=\"F\">"
                   "<PaGe URL=\"b\"><frame URL=\"f\" SavedFile=\"1.html\"><Other><Page/></Other></frame></PaGe>"
                   "<Extra><Page URL=\"hidden\"/><Folder Name=\"hidden\"/></Extra></FOLDER>"
                   "<Unknown><Frame/></Unknown></whatever>"),
              std::nullopt)
        << lastFailure_;
    EXPECT_EQ(AllKeys(*root_), "[a][F][F\\b@|f]");
    auto folder = std::dynamic_pointer_cast<Folder>(root_->Items("f"));
    auto page = std::dynamic_pointer_cast<Page>(folder->ItemAt(0));
    ASSERT_EQ(page->FramesCount(), 1);
    EXPECT_EQ(page->FrameAt(0)->FramesCount(), 0);
}

TEST_F(Profile, DuplicatesLoadOnceKeepingTheFirst) {
    ASSERT_EQ(Load("<ROOT>"
                   "<Page URL=\"http://a/\" Description=\"first\" ElementPath=\"P(0)\"><Frame URL=\"f\" "
                   "SavedFile=\"1\"/></Page>"
                   "<Page URL=\"HTTP://A/\" Description=\"second\" ElementPath=\"p(0)\"><Frame URL=\"F\" "
                   "SavedFile=\"2\"/></Page>"
                   "<Page URL=\"http://a/\" Description=\"other path\" ElementPath=\"P(1)\"><Frame URL=\"f\" "
                   "SavedFile=\"3\"/></Page>"
                   "<Folder Name=\"F\"><Page URL=\"in first\"/></Folder>"
                   "<Folder Name=\"f\" Description=\"twin\"><Page URL=\"in twin\"/></Folder>"
                   "</ROOT>"),
              std::nullopt)
        << lastFailure_;
    EXPECT_EQ(AllKeys(*root_), "[http://a/@|f#P(0)][http://a/@|f#P(1)][F][F\\in first]");
    EXPECT_EQ(root_->ItemAt(0)->Description(), "first");
}

struct BrokenCase {
    const char* name;
    const char* text;
    Fault kind;
    const char* keysLeft;
};

TEST_F(Profile, FailuresKeepWhatWasReadBefore) {
    const BrokenCase cases[] = {
        {"not well-formed", "<ROOT><Page URL=\"a\"/><Page URL=\"b\">", Fault::Failed, ""},
        {"empty file", "", Fault::Missing, ""},
        {"comment only", "<!-- nothing -->", Fault::Missing, ""},
        {"two roots", "<ROOT/><ROOT/>", Fault::Failed, ""},
        {"bad page boolean", "<ROOT><Page URL=\"a\"/><Page URL=\"b\" Active=\"maybe\"/><Page URL=\"c\"/></ROOT>",
         Fault::WrongType, "[a]"},
        {"bad folder attribute",
         "<ROOT><Folder Name=\"F\"><Page URL=\"a\"/><Folder Name=\"G\" PeriodUnit=\"x\"/>"
         "<Page URL=\"b\"/></Folder></ROOT>",
         Fault::WrongType, "[F][F\\a]"},
        {"period too large", "<ROOT><Page URL=\"a\"/><Page URL=\"b\" PeriodTime=\"32768\"/></ROOT>", Fault::Overflow,
         "[a]"},
        {"period too small", "<ROOT><Page URL=\"a\" PeriodTime=\"-32769\"/></ROOT>", Fault::Overflow, ""},
        {"unit too large", "<ROOT><Folder Name=\"F\" PeriodUnit=\"2147483648\"/></ROOT>", Fault::Overflow, ""},
        {"frame without saved file", "<ROOT><Page URL=\"a\"/><Page URL=\"b\"><Frame URL=\"f\"/></Page></ROOT>",
         Fault::InvalidArgument, "[a]"},
        {"sub-frame without URL",
         "<ROOT><Page URL=\"b\"><Frame URL=\"f\" SavedFile=\"1\"><Frame SavedFile=\"2\"/>"
         "</Frame></Page></ROOT>",
         Fault::InvalidArgument, ""},
        {"frame under root", "<ROOT><Page URL=\"a\"/><Frame URL=\"f\" SavedFile=\"1\"/><Page URL=\"c\"/></ROOT>",
         Fault::InvalidArgument, "[a]"},
        {"frame under folder",
         "<ROOT><Folder Name=\"F\"><Page URL=\"a\"/><Frame URL=\"f\" SavedFile=\"1\"/>"
         "</Folder></ROOT>",
         Fault::InvalidArgument, "[F][F\\a]"},
        {"folder under page", "<ROOT><Page URL=\"a\"/><Page URL=\"b\"><Folder/></Page></ROOT>", Fault::InvalidArgument,
         "[a]"},
        {"page under frame", "<ROOT><Page URL=\"b\"><Frame URL=\"f\" SavedFile=\"1\"><Page/></Frame></Page></ROOT>",
         Fault::InvalidArgument, ""},
    };
    for (const BrokenCase& broken : cases) {
        SCOPED_TRACE(broken.name);
        root_->AddItem(Page::Create());  // something from before, which the load must drop
        root_->SetPeriodTime(5);
        root_->SetActive(false);
        EXPECT_EQ(Load(broken.text), broken.kind);
        EXPECT_EQ(AllKeys(*root_), broken.keysLeft);
        EXPECT_NE(lastFailure_.find(".unreadable"), std::string::npos) << lastFailure_;
        if (broken.kind == Fault::Failed || broken.kind == Fault::Missing) {
            // The file never parsed: the root keeps its own settings.
            EXPECT_EQ(root_->PeriodTime(), 5);
            EXPECT_FALSE(root_->Active());
        }
    }
}

TEST_F(Profile, RootAttributesReadUpToTheBadOne) {
    root_->SetPeriodTime(5);
    root_->SetPeriodUnit(dfMinute);
    root_->SetActive(false);
    EXPECT_EQ(Load("<ROOT PeriodTime=\"9\" PeriodUnit=\"1\" Active=\"sure\"><Page URL=\"a\"/></ROOT>"),
              Fault::WrongType);
    EXPECT_EQ(root_->PeriodTime(), 9);
    EXPECT_EQ(root_->PeriodUnit(), dfHour);
    EXPECT_FALSE(root_->Active());
    EXPECT_EQ(root_->ItemsCount(), 0);
}

TEST_F(Profile, MissingFileFailsWithoutCopy) {
    root_->AddItem(Page::Create());
    EXPECT_EQ(LoadFile(Path("absent.xml")), Fault::FileNotFound);
    EXPECT_EQ(root_->ItemsCount(), 0);
    EXPECT_FALSE(fs::exists(Path("absent.xml.unreadable")));
}

TEST_F(Profile, UnreadableFileIsKeptBesideIt) {
    const std::string broken = "<ROOT><Page URL=\"precious\"/><Page URL=\"x\" Active=\"?\"/></ROOT>";
    ASSERT_EQ(Load(broken), Fault::WrongType);
    fs::path copy = UnreadableCopyName(Path().string());
    EXPECT_EQ(test::ReadFile(copy), broken);
    EXPECT_NE(lastFailure_.find(copy.string()), std::string::npos) << lastFailure_;

    // The program saves after the next change: the copy still has the text that was lost.
    root_->SaveItems(Path().string());
    EXPECT_EQ(test::ReadFile(copy), broken);

    // A later failure keeps the newer text; a good load leaves the copy alone.
    ASSERT_EQ(Load("<ROOT>"), Fault::Failed);
    EXPECT_EQ(test::ReadFile(copy), "<ROOT>");
    ASSERT_EQ(Load("<ROOT/>"), std::nullopt);
    EXPECT_EQ(test::ReadFile(copy), "<ROOT>");
}

TEST_F(Profile, HostileNestingFailsCleanly) {
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<Folder Name=\"f\">";
    for (int i = 0; i < 5000; ++i) deep += "</Folder>";
    EXPECT_EQ(Load("<ROOT><Page URL=\"a\"/>" + deep + "</ROOT>"), Fault::TooDeep);
    EXPECT_EQ(root_->ItemAt(0)->Key(), "a");
    // What was read saves and loads again.
    root_->SaveItems(Path("deep.xml").string());
    EXPECT_EQ(LoadFile(Path("deep.xml")), std::nullopt) << lastFailure_;
    EXPECT_EQ(root_->ItemsCount(), 2);

    std::string frames = "<Page URL=\"p\">";
    for (int i = 0; i < 5000; ++i) frames += "<Frame URL=\"u\" SavedFile=\"s\">";
    for (int i = 0; i < 5000; ++i) frames += "</Frame>";
    EXPECT_EQ(Load("<ROOT>" + frames + "</Page></ROOT>"), Fault::TooDeep);
}

TEST_F(Profile, NoDateEverBlocksTheSave) {
    // The last minute of the year 9999 loads, and so it saves again.
    ASSERT_EQ(Load("<ROOT><Page URL=\"a\" LastCheckDate=\"31/12/9999 23:59:30\"/></ROOT>"), std::nullopt)
        << lastFailure_;
    root_->SaveItems(Path().string());
    EXPECT_NE(test::ReadFile(Path()).find("LastCheckDate=\"31/12/9999 23:59\""), std::string::npos);

    // A date that has no text form is saved as no date; the rest of the tree is saved.
    auto page = FullPage("http://b.example", 2);
    page->SetEndDate(DateTime(5000000.0));  // beyond year 9999
    page->SetLastCheckDate(DateTime(std::numeric_limits<double>::quiet_NaN()));
    root_->AddItem(page);
    root_->SaveItems(Path().string());
    const std::string saved = test::ReadFile(Path());
    EXPECT_NE(saved.find("http://b.example"), std::string::npos);
    EXPECT_NE(saved.find("EndDate=\"30/12/1899\""), std::string::npos);
}

TEST_F(Profile, FailedSaveLeavesTheOldFile) {
    // A folder that does not exist.
    EXPECT_THROW(root_->SaveItems((Path("missing") / "Files.XML").string()), Failure);
    EXPECT_FALSE(fs::exists(Path("missing")));
}

}  // namespace
}  // namespace pelmor
