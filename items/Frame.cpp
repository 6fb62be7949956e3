// SPDX-License-Identifier: GPL-3.0-or-later
#include "items/Frame.h"

#include "items/Page.h"
#include "platform/core/Failure.h"

namespace pelmor {
namespace {

constexpr size_t kMaxFrames = 32767;  // counts are 16-bit

void AppendFrames(const FrameList& list, std::string& signature) {
    if (list.Frames().empty()) return;
    signature += '@';
    for (const std::shared_ptr<Frame>& frame : list.Frames()) {
        signature += '|';
        signature += frame->URL();
        AppendFrames(*frame, signature);
    }
}

}  // namespace

FrameList::~FrameList() = default;

std::shared_ptr<Frame> FrameList::FrameAt(int position) const {
    if (position < 0 || static_cast<size_t>(position) >= frames_.size()) {
        throw Failure(
            Fault::OutOfRange, "Corvel.Frames",
            "No frame at position " + std::to_string(position) + " (" + std::to_string(frames_.size()) + " frames)");
    }
    return frames_[position];
}

std::shared_ptr<Frame> FrameList::AddFrame(std::string url, std::string savedFile) {
    if (frames_.size() >= kMaxFrames) throw Failure(Fault::Overflow, "Corvel.AddFrame", "Too many frames");
    frames_.push_back(std::make_shared<Frame>(std::move(url), std::move(savedFile)));
    return frames_.back();
}

void FrameList::RemoveFrame(int position) {
    if (position < 0 || static_cast<size_t>(position) >= frames_.size()) {
        throw Failure(
            Fault::OutOfRange, "Corvel.RemoveFrame",
            "No frame at position " + std::to_string(position) + " (" + std::to_string(frames_.size()) + " frames)");
    }
    frames_.erase(frames_.begin() + position);
}

Frame::Frame(std::string url, std::string savedFile)
    : url_(std::move(url)), savedFile_(std::move(savedFile)) {}

std::string FrameSignature(const Frame& frame) {
    std::string signature = frame.URL();
    AppendFrames(frame, signature);
    return signature;
}

std::string PageSignature(const Page& page) {
    std::string signature = page.URL();
    AppendFrames(page, signature);
    if (!page.ElementPath().empty()) {
        signature += '#';
        signature += page.ElementPath();
    }
    return signature;
}

}  // namespace pelmor
