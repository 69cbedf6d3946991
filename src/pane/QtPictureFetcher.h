#pragma once
// Web pictures for the note writer, fetched with Qt's network access: all at once, each
// bounded in size and in time without progress, all together bounded by the total time limit.
#include "store/NoteImages.h"

class TQtPictureFetcher : public TPictureFetcher {
public:
    std::vector<std::string> Fetch(const std::vector<std::string>& urls, const TPictureLimits& limits) override;
};
