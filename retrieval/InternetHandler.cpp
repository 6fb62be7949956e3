#include "retrieval/InternetHandler.h"

#include "platform/core/Failure.h"
#include "platform/log/Log.h"
#include "retrieval/Urls.h"

namespace pelmor {
namespace {

constexpr const char* kSource = "InternetHandler";

void LogFailure(const std::string& param) {
    log::LogLibraryError(log::File::Helper, CurrentFailure(kSource), param);
}

}  // namespace

InternetHandler::InternetHandler() = default;
InternetHandler::~InternetHandler() = default;

std::string InternetHandler::GetValidURL(const std::string& strURL) {
    try {
        return tamsin::GuessProtocol(strURL);
    } catch (...) {
        LogFailure("");
        return "";
    }
}

std::string InternetHandler::GetHostFromURL(const std::string& strURL) {
    try {
        std::string url = tamsin::GuessProtocol(strURL);
        std::string host;
        if (!tamsin::HostOf(url, host)) return url;
        return host;
    } catch (...) {
        LogFailure("GetHostFromURL");
        return "";
    }
}

std::string InternetHandler::GetCombinedURL(const std::string& strBaseURL, const std::string& strRelativeURL) {
    try {
        return tamsin::CombineUrls(strBaseURL, strRelativeURL);
    } catch (...) {
        LogFailure("GetCominedURL");
        return "";
    }
}

int32_t InternetHandler::GetFileNameFromURL(const std::string& strURL) {
    int32_t sum = 0;
    try {
        return tamsin::FileNumber(strURL, tamsin::ClockSalt, sum);
    } catch (...) {
        LogFailure("GetFileNameFromURL");
        return sum;
    }
}

}  // namespace pelmor
