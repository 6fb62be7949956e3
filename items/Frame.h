// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Frames of a page: one frame or inline frame per entry, each with its own sub-frames.
// Frames have no key and no back link; a page or frame owns its frames.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmor {

class Frame;

// The ordered frame list that pages and frames share. Walk it with range-for over
// Frames(); positions are 0-based.
class FrameList {
public:
    virtual ~FrameList();

    // Number of direct frames.
    int16_t FramesCount() const { return static_cast<int16_t>(frames_.size()); }
    // The direct frames in order, for range-for.
    const std::vector<std::shared_ptr<Frame>>& Frames() const { return frames_; }
    // The frame at a 0-based position. Throws an OutOfRange Failure beyond the list.
    std::shared_ptr<Frame> FrameAt(int position) const;
    // Appends a new frame with the given address and cache file (no duplicate test) and
    // answers it. Throws an Overflow Failure when the list already holds 32767 frames.
    std::shared_ptr<Frame> AddFrame(std::string url, std::string savedFile);
    // Removes the frame at a 0-based position. Throws an OutOfRange Failure beyond the list.
    void RemoveFrame(int position);

protected:
    FrameList() = default;

private:
    std::vector<std::shared_ptr<Frame>> frames_;
};

class Frame : public FrameList {
public:
    Frame(std::string url, std::string savedFile);
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    const std::string& URL() const { return url_; }
    const std::string& SavedFile() const { return savedFile_; }
    void SetSavedFile(std::string savedFile) { savedFile_ = std::move(savedFile); }
    // Path of the watched element inside the frame; empty means none.
    const std::string& ElementPath() const { return elementPath_; }
    void SetElementPath(std::string elementPath) { elementPath_ = std::move(elementPath); }

private:
    std::string url_;
    std::string savedFile_;
    std::string elementPath_;
};

// The frame's URL, then "@" when it has sub-frames, then "|" and the signature of each
// sub-frame in order.
std::string FrameSignature(const Frame& frame);

}  // namespace pelmor
