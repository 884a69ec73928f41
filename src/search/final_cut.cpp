// The cut-off that trims the match list when a search ends. A unit of its own, free of the
// database layer, so that the database extensions rank exactly as the control does.
#include <cmath>

#include "quarrymink/search.h"

namespace quarrymink {

int FinalCut(const std::array<std::int16_t, MatchBuffer::kSize>& scores) {
    int cut = scores[MatchBuffer::kSize - 1];
    long average = 0, sum = 0;
    for (int i = 0; i < MatchBuffer::kSize; ++i) {
        if (0.8 * static_cast<double>(average) > scores[i]) {
            cut = scores[i - 1];
            break;
        }
        sum += scores[i];
        average = std::lrint(static_cast<double>(sum) / (i + 1));
    }
    if (0.8 * scores[0] < cut) cut = static_cast<int>(std::lrint(0.8 * scores[0]));
    return cut;
}

}  // namespace quarrymink
