#include "shell/AddThroughWindow.h"

#include <QEventLoop>
#include <future>
#include <thread>

#include "mainwindow/frmMain.h"
#include "retrieval/InternetHandler.h"

namespace pelmor::shell {
namespace {

int16_t PeriodTimeOf(const ItemList& list) {
    return list.IsApplication() ? static_cast<const Application&>(list).PeriodTime()
                                : static_cast<const Folder&>(list).PeriodTime();
}
dfUnits PeriodUnitOf(const ItemList& list) {
    return list.IsApplication() ? static_cast<const Application&>(list).PeriodUnit()
                                : static_cast<const Folder&>(list).PeriodUnit();
}
bool ActiveOf(const ItemList& list) {
    return list.IsApplication() ? static_cast<const Application&>(list).Active()
                                : static_cast<const Folder&>(list).Active();
}

}  // namespace

std::shared_ptr<Page> AddPageThroughWindow(mainwindow::frmMain& window, const std::shared_ptr<ItemList>& folder,
                                           const std::string& strURL, const std::string& strDescription) {
    InternetHandler handler;
    const std::string fileName =
        window.Preferences().CacheFolder() + "/" + std::to_string(handler.GetFileNameFromURL(strURL)) + ".html";
    auto page = Page::Create();
    page->SetSavedFile(fileName);
    // The download runs beside the window thread, which handles its events meanwhile.
    std::string title;
    std::packaged_task<bool()> task([&] { return InternetHandler().SaveURLToCache(page, strURL, fileName, title); });
    std::future<bool> done = task.get_future();
    std::thread worker(std::move(task));
    QEventLoop loop;
    while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    worker.join();
    if (!done.get()) return nullptr;

    std::string description = strDescription.empty() ? title : strDescription;
    if (description.empty()) description = handler.GetHostFromURL(strURL);
    const DateTime saved = DateTime::Parse(DateTime::Now().FormatDateTime()).value_or(DateTime::Now());
    page->SetDescription(description);
    page->SetURL(strURL);
    page->SetPeriodTime(PeriodTimeOf(*folder));
    page->SetPeriodUnit(PeriodUnitOf(*folder));
    page->SetActive(ActiveOf(*folder));
    page->SetSavedDate(saved);
    page->SetStartDate(saved.DatePart());
    page->SetLastCheckDate(saved);
    page->SetShowNumbers(true);
    page->SetShowPics(true);
    page->SetShowTimeDiff(true);
    page->SetInsertColor("#00FF00");
    page->SetUpdateColor("#FFFF00");
    auto added = std::static_pointer_cast<Page>(folder->AddItem(page));
    if (!added) {
        handler.RemoveFileFromCache(fileName);
        return nullptr;
    }
    return added;
}

std::shared_ptr<Folder> AddFolderThroughWindow(mainwindow::frmMain&, const std::shared_ptr<ItemList>& parent,
                                               const std::string& strName, const std::string& strDescription) {
    auto folder = Folder::Create();
    folder->SetName(strName);
    folder->SetDescription(strDescription);
    folder->SetPeriodTime(PeriodTimeOf(*parent));
    folder->SetPeriodUnit(PeriodUnitOf(*parent));
    folder->SetActive(ActiveOf(*parent));
    auto added = std::static_pointer_cast<Folder>(parent->AddItem(folder));
    return added;
}

}  // namespace pelmor::shell
