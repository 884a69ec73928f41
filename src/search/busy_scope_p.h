// Marks a search or recode as running, and finishes off an engine whose host let go of it.
#pragma once

#include "quarrymink/search.h"

namespace quarrymink {

// Marks the engine busy for one search or recode. When the host detached while the work
// ran, the engine deletes itself as the work unwinds (the host has let go of it).
class BusyScope {
public:
    explicit BusyScope(MatchEngine& engine) : engine_(engine) { engine_.busy_ = true; }
    ~BusyScope() {
        engine_.busy_ = false;
        if (engine_.orphaned_) delete &engine_;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    MatchEngine& engine_;
};

}  // namespace quarrymink
