// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The comparison engine: fingerprints every element of two parsed pages, tells whether a
// page (or one element of it) changed, matches the two trees node by node into an edit
// script, and paints the changes into the new page down to single words.
//
// Objects of these classes belong to the thread that created them. Every public operation
// catches its own failures, appends one record to "PelmorCompare.log" and returns its
// neutral result (false, 0, "" or an empty handle).
//
// Documents are held by shared_ptr: a Compare keeps the documents of its last operation
// alive, and so does an edit-script collection, so the node handles of its records stay
// valid for as long as the collection is kept.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "compare/TextCompare.h"
#include "platform/html/Html.h"

namespace pelmor::sorrel {

enum dfEditType : int32_t { dfUpdateNode = 0, dfInsertNode = 1, dfRemoveNode = 2 };

class EditScript {
public:
    int32_t Position() const { return position_; }
    void SetPosition(int32_t value) { position_ = value; }
    dfEditType ActionType() const { return actionType_; }
    void SetActionType(dfEditType value) { actionType_ = value; }
    html::Node NewNode() const { return newNode_; }
    void SetNewNode(html::Node value) { newNode_ = value; }
    html::Node OriginalNode() const { return originalNode_; }
    void SetOriginalNode(html::Node value) { originalNode_ = value; }

private:
    friend class Compare;
    int32_t position_ = 0;
    dfEditType actionType_ = dfUpdateNode;
    html::Node newNode_;
    html::Node originalNode_;
    html::Node place_;  // a removal: the new child it stood before (none at the end)
};

// One matched pair of words: zero-based indices as decimal text.
class LCSMatch {
public:
    const std::string& OriginalLine() const { return originalLine_; }
    void SetOriginalLine(std::string value) { originalLine_ = std::move(value); }
    const std::string& NewLine() const { return newLine_; }
    void SetNewLine(std::string value) { newLine_ = std::move(value); }

private:
    std::string originalLine_;
    std::string newLine_;
};

// The records of one walk, indexed from 0, with the documents they point into.
class EditScriptCollection {
public:
    size_t Count() const { return records_.size(); }
    // Record at an index below Count(); throws an OutOfRange pelmor::Failure beyond.
    EditScript& Item(size_t index);
    void Add(const EditScript& record) { records_.push_back(record); }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

private:
    friend class Compare;
    std::vector<EditScript> records_;
    std::vector<std::shared_ptr<html::Document>> documents_;
};

using Document = std::shared_ptr<html::Document>;

class Compare {
public:
    // `clock` is read by the hashing and distance budgets; tests may give their own.
    explicit Compare(Clock clock = DefaultClock());
    ~Compare();
    Compare(const Compare&) = delete;
    Compare& operator=(const Compare&) = delete;

    bool ShowTimeDiff() const { return showTimeDiff_; }
    void SetShowTimeDiff(bool value) { showTimeDiff_ = value; }
    bool ShowPics() const { return showPics_; }
    void SetShowPics(bool value) { showPics_ = value; }
    bool ShowNumbers() const { return showNumbers_; }
    void SetShowNumbers(bool value) { showNumbers_ = value; }
    bool UseInverse() const { return useInverse_; }
    void SetUseInverse(bool value) { useInverse_ = value; }
    // Removed content is shown where it stood, struck through in red: removed elements and
    // texts, and the words an updated text lost. Off by default (the loss is then only
    // painted on a page that lost content and changed nothing else).
    bool ShowRemoved() const { return showRemoved_; }
    void SetShowRemoved(bool value) { showRemoved_ = value; }

    // ---- change detection ----

    // True when the new page's body differs from the original's; false on failure.
    bool IsChange(const Document& originalHTML, const Document& newHTML);
    // True when the element named by the path differs; false on failure.
    bool IsElementChange(const Document& originalHTML, const Document& newHTML, std::string_view elementPath);
    // Replaces dates and clock times in the text of both elements by "00/00/00"; false on failure.
    bool MaskDates(html::Element a, html::Element b);
    // Replaces every digit in the text of both elements by "0"; false on failure.
    bool MaskDigits(html::Element a, html::Element b);

    // ---- marking ----

    // Inner HTML of the new body with the changes painted in; "" on failure.
    std::string GetMarkedHTML(const Document& newHTML, const Document& originalHTML,
                              std::string_view insertColor = "", std::string_view updateColor = "");
    // Inner HTML of the new body with the changes inside one element painted; "" on failure.
    std::string GetMarkedElement(const Document& newHTML, const Document& originalHTML,
                                 std::string_view elementPath, std::string_view insertColor = "",
                                 std::string_view updateColor = "");
    // The new body with the changes painted in the stored colours; empty on failure.
    html::Element GetMarkedBody(const Document& newHTML, const Document& originalHTML);
    // Paints the changes into `resultHTML` and returns the new body's inner HTML; "" on failure.
    std::string SetMarkedHTML(const Document& resultHTML, const Document& newHTML, const Document& originalHTML);
    // The edit script of the last marking call (the collection itself); null before the first.
    std::shared_ptr<EditScriptCollection> GetChanges() const { return editScript_; }

    // ---- the pieces, for the host and for tests ----

    // Levenshtein distance ignoring case; 0 when over budget or on failure (logged).
    int32_t LD(std::string_view s, std::string_view t);
    // Subtree fingerprint; writes "PelmorID" on every hashed element. 0 on time-out.
    int32_t NodeHash(html::Node node);
    // Walks a pair of nodes into the edit script; false when no test handled the pair.
    bool CompareNodes(html::Node newNode, html::Node originalNode);
    bool FindInsertions(html::Node newNode, html::Node originalNode);
    bool FindRemovals(html::Node newNode, html::Node originalNode);
    // True when the nodes have the same name and close enough texts; false on failure.
    bool IsSimilar(html::Node newNode, html::Node originalNode);
    // innerText of an element, value of a text node, "" otherwise; images add their file name.
    std::string GetNodeText(html::Node node);
    // Path of a node from the body ("" for the body). Throws when the node is not in a body.
    std::string GetElementPath(html::Node node);
    // Element named by the path, or the deepest element reached; empty for a malformed path.
    html::Node FindElementByPath(html::Node startNode, std::string_view path);
    bool TimedOut() const { return timedOut_; }

    // ---- painting ----

    void MarkChanges();
    void MarkNode(html::Node node, html::Node originalNode, std::string_view colour);
    void MarkText(html::Node textNode, html::Node originalNode, std::string_view colour);
    void MarkChangesInResult();

private:
    struct Walk;
    struct Step;
    struct RemovedWords;
    class MarkingBudget;

    bool HashesDiffer(html::Node original, html::Node updated);
    bool HaveSameID(html::Node newNode, html::Node originalNode);
    bool CompareTextNodes(html::Node newNode, html::Node originalNode);
    bool CompareImages(html::Node newNode, html::Node originalNode);
    bool CompareChildren(html::Node newNode, html::Node originalNode);
    std::vector<Step> PlanInOrder(const std::vector<html::Node>& n, const std::vector<html::Node>& o);
    std::vector<Step> PlanByContent(const std::vector<html::Node>& n, const std::vector<html::Node>& o);
    void RunPlan(const std::vector<Step>& plan, html::Node newNode, const std::vector<html::Node>& n,
                 const std::vector<html::Node>& o);
    void AddRecord(dfEditType type, html::Node newNode, html::Node originalNode, long position,
                   html::Node place = html::Node());
    html::Element MarkBodies(const Document& newHTML, const Document& originalHTML);
    void RunWalk(html::Node newNode, html::Node originalNode, const Document& original);
    bool HashBudgetExceeded() const;
    const std::u32string& CachedText(html::Node node);
    void MarkImage(html::Element image, std::string_view colour);
    void MarkNodeWith(html::Node node, html::Node originalNode, std::string_view colour, bool inResult);
    void PaintText(html::Node textNode, html::Node originalNode, std::string_view colour, bool inResult);
    void PaintWordsShowingRemoved(html::TextRange range, const html::TextRange& full,
                                  const std::vector<std::string>& newWords,
                                  const std::vector<std::string>& originalWords, std::string_view colour);
    void Paint(html::TextRange& range, std::string_view colour);
    void KeepRemovedWords(const html::TextRange& place, bool atEnd, std::string words);
    void ShowRemovedContent(const std::vector<const EditScript*>& removals);

    Clock clock_;
    double startTime_ = kBudgetOff;  // no budget until an operation starts one
    bool timedOut_ = false;
    bool walkCut_ = false;   // the walk ended at the deadline
    size_t unmarked_ = 0;    // changes found but left unpainted at the deadline
    bool showTimeDiff_ = false;
    bool showPics_ = false;
    bool showNumbers_ = false;
    bool useInverse_ = false;
    bool showRemoved_ = false;
    const char* markKind_ = "update";  // what the marks being painted stand for
    std::vector<RemovedWords> removedWords_;
    std::string insertColor_;
    std::string updateColor_;
    Document newDocument_;
    Document originalDocument_;
    Document resultDocument_;
    html::Node newElement_;
    html::Node originalElement_;
    std::shared_ptr<EditScriptCollection> editScript_;
    std::unique_ptr<Walk> walk_;
};

}  // namespace pelmor::sorrel
