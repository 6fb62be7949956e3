// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One monitored web page. A new page is empty: empty texts and colours, all options
// false, zero dates; the profile reader applies the file's defaults.

#include <algorithm>
#include <memory>
#include <string>

#include "items/Frame.h"
#include "items/Item.h"
#include "platform/core/DateTime.h"

namespace pelmor {

class Page : public Item, public FrameList {
public:
    Page() = default;
    static std::shared_ptr<Page> Create() { return std::make_shared<Page>(); }

    bool IsFolder() const override { return false; }

    const std::string& URL() const { return url_; }
    void SetURL(std::string url) { url_ = std::move(url); }
    // File name of the copy kept in the page cache.
    const std::string& SavedFile() const { return savedFile_; }
    void SetSavedFile(std::string savedFile) { savedFile_ = std::move(savedFile); }

    DateTime SavedDate() const { return savedDate_; }
    void SetSavedDate(DateTime date) { savedDate_ = date; }
    // First and last day of checking; the zero date means none.
    DateTime StartDate() const { return startDate_; }
    void SetStartDate(DateTime date) { startDate_ = date; }
    DateTime EndDate() const { return endDate_; }
    void SetEndDate(DateTime date) { endDate_ = date; }
    DateTime LastCheckDate() const { return lastCheckDate_; }
    void SetLastCheckDate(DateTime date) { lastCheckDate_ = date; }

    // A change was found that the user has not seen yet.
    bool Updated() const { return updated_; }
    void SetUpdated(bool updated) { updated_ = updated; }
    // Remove the page once its end date has passed.
    bool DeleteAtEnd() const { return deleteAtEnd_; }
    void SetDeleteAtEnd(bool deleteAtEnd) { deleteAtEnd_ = deleteAtEnd; }
    bool ShowTimeDiff() const { return showTimeDiff_; }
    void SetShowTimeDiff(bool show) { showTimeDiff_ = show; }
    bool ShowPics() const { return showPics_; }
    void SetShowPics(bool show) { showPics_ = show; }
    bool ShowNumbers() const { return showNumbers_; }
    void SetShowNumbers(bool show) { showNumbers_ = show; }
    bool UseInverse() const { return useInverse_; }
    void SetUseInverse(bool useInverse) { useInverse_ = useInverse; }

    // Path of the one watched element; empty means the whole page.
    const std::string& ElementPath() const { return elementPath_; }
    void SetElementPath(std::string elementPath) { elementPath_ = std::move(elementPath); }
    // HTML colours for inserted and updated content ("#00FF00").
    const std::string& InsertColor() const { return insertColor_; }
    void SetInsertColor(std::string color) { insertColor_ = std::move(color); }
    const std::string& UpdateColor() const { return updateColor_; }
    void SetUpdateColor(std::string color) { updateColor_ = std::move(color); }

    // How the last check went, kept beside the profile by the main window (not in the
    // profile file): a check that could not compare the page (it or its saved copy did
    // not load) leaves the reason and the time; a check that compared clears Failing but
    // keeps the last reason for the details panel.
    bool Failing() const { return failing_; }
    const std::string& LastFailure() const { return lastFailure_; }
    DateTime LastFailureDate() const { return lastFailureDate_; }
    // Checks that failed in a row since the page last loaded; 0 when it is not failing.
    int FailedChecks() const { return failedChecks_; }
    void SetCheckOutcome(const std::string& failure, DateTime when) {
        failing_ = !failure.empty();
        failedChecks_ = failing_ ? failedChecks_ + 1 : 0;
        if (failing_) {
            lastFailure_ = failure;
            lastFailureDate_ = when;
        }
    }
    // Puts back an outcome kept from an earlier session.
    void RestoreCheckOutcome(bool failing, const std::string& failure, DateTime when, int failedChecks) {
        failing_ = failing && !failure.empty();
        failedChecks_ = failing_ ? std::max(failedChecks, 1) : 0;
        lastFailure_ = failure;
        lastFailureDate_ = when;
    }

private:
    std::string url_;
    std::string savedFile_;
    DateTime savedDate_;
    DateTime startDate_;
    DateTime endDate_;
    DateTime lastCheckDate_;
    bool updated_ = false;
    bool deleteAtEnd_ = false;
    bool showTimeDiff_ = false;
    bool showPics_ = false;
    bool showNumbers_ = false;
    bool useInverse_ = false;
    std::string elementPath_;
    std::string insertColor_;
    std::string updateColor_;
    bool failing_ = false;
    int failedChecks_ = 0;
    std::string lastFailure_;
    DateTime lastFailureDate_;
};

// The page's identity within a list: its URL; "@" when it has frames; "|" and the
// signature of each frame in order; "#" and the element path when one is set.
std::string PageSignature(const Page& page);

}  // namespace pelmor
