// The match list: the ranked buffer of the best 21 matches, the list box that shows them,
// the cut-off at the end of a search, and walking the result.
#include <algorithm>
#include <cmath>

#include "quarrymink/search.h"

namespace quarrymink {
namespace {

template <typename T>
void InsertAt(std::array<T, MatchBuffer::kSize>& entries, int position, T value) {
    for (int k = MatchBuffer::kSize - 2; k >= position; --k) entries[k + 1] = std::move(entries[k]);
    entries[position] = std::move(value);
}

long RoundHalfEven(double value) {
    return std::lrint(value);
}

}  // namespace

int MatchList::FinalCut() const {
    return quarrymink::FinalCut(buffer_.scores);
}

void MatchList::Start(double heightTwips, double fontPoints) {
    const double rows = fontPoints > 0 ? heightTwips / fontPoints / 24 + 1 : MatchBuffer::kSize;
    buffer_ = MatchBuffer{};
    buffer_.visibleRows = static_cast<std::uint8_t>(std::clamp<long>(RoundHalfEven(rows), 0, 255));
    items_.clear();
}

int MatchList::Add(std::u16string_view text, int score, std::int32_t id) {
    int i = 0;
    while (i < MatchBuffer::kSize && score <= buffer_.scores[i]) ++i;
    if (i == MatchBuffer::kSize) return -1;
    InsertAt(buffer_.texts, i, std::u16string(text));
    InsertAt(buffer_.scores, i, static_cast<std::int16_t>(score));
    InsertAt(buffer_.ids, i, id);
    buffer_.filled = std::min(buffer_.filled + 1, MatchBuffer::kSize);
    if (i >= buffer_.visibleRows) return -1;
    const int at = std::min<int>(i, static_cast<int>(items_.size()));
    items_.insert(items_.begin() + at, MatchItem{std::u16string(text), id});
    return at;
}

bool MatchList::Finish() {
    // Whatever reached the list box while the search ran, it ends holding exactly the
    // buffered matches that pass the cut, best first.
    const int cut = FinalCut();
    std::vector<MatchItem> items;
    for (int k = 0; k < buffer_.filled; ++k)
        if (buffer_.scores[k] >= cut) items.push_back({buffer_.texts[k], buffer_.ids[k]});
    if (items == items_) return false;
    items_ = std::move(items);
    return true;
}

void MatchEngine::UpdateMatchList(ListMode mode, std::u16string_view text, int score, std::int32_t id) {
    switch (mode) {
        case ListMode::Start:
            matches.Start(host_->ListHeightTwips(), host_->ListFontPoints());
            break;
        case ListMode::Add: {
            const int at = matches.Add(text, score, id);
            if (at >= 0) host_->ListInserted(at, Items()[static_cast<std::size_t>(at)]);
            break;
        }
        case ListMode::Finish:
            if (matches.Finish()) host_->ListReplaced(Items());
            break;
    }
}

bool MatchEngine::SetToBestMatch() {
    if (Items().empty()) return false;
    currentMatch_ = 0;
    idValue = Items()[0].id;
    textValue = Items()[0].text;
    UpdateFinalMatchItem();
    return true;
}

void MatchEngine::SetToNextMatch() {
    if (Items().empty()) {
        finalMatchItem = true;
        return;
    }
    if (currentMatch_ < static_cast<int>(Items().size()) - 1) {
        ++currentMatch_;
        UpdateFinalMatchItem();
        idValue = Items()[static_cast<std::size_t>(currentMatch_)].id;
        textValue = Items()[static_cast<std::size_t>(currentMatch_)].text;
    }
}

void MatchEngine::UpdateFinalMatchItem() {
    finalMatchItem = currentMatch_ == static_cast<int>(Items().size()) - 1;
}

bool MatchEngine::ListItemSelected(int index) {
    if (index < 0 || index >= static_cast<int>(Items().size())) return false;
    idValue = Items()[static_cast<std::size_t>(index)].id;
    textValue = Items()[static_cast<std::size_t>(index)].text;
    return true;
}

}  // namespace quarrymink
