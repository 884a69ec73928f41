// A SearchHost without a display: it records what the engine shows and answers the recode
// question as told, so that tests can drive and inspect a whole search.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "quarrymink/search.h"

namespace quarrymink::testing {

class RecordingHost : public SearchHost {
public:
    RecodeChoice answer = RecodeChoice::None;
    int recodeQuestions = 0;
    std::vector<std::u16string> messages;
    std::vector<MessageIcon> icons;
    std::vector<int> progress;
    std::vector<MatchItem> shown;  // the list box as the engine left it
    std::vector<MatchItem> found;  // MatchFound events
    int processEventsCalls = 0;
    int beginRecodes = 0, endRecodes = 0;
    std::function<void()> onProcessEvents;
    std::function<void(const MatchItem&)> onMatchFound;

    std::u16string DisplayName() const override { return u"QM1"; }
    void ShowMessage(std::u16string_view text, MessageIcon icon) override {
        messages.emplace_back(text);
        icons.push_back(icon);
    }
    RecodeChoice AskRecodeWarning() override {
        ++recodeQuestions;
        return answer;
    }
    void SetProgress(int value) override { progress.push_back(value); }
    void ProcessEvents() override {
        ++processEventsCalls;
        if (onProcessEvents) onProcessEvents();
    }
    void ListCleared() override { shown.clear(); }
    void ListInserted(int index, const MatchItem& item) override {
        shown.insert(shown.begin() + index, item);
    }
    void ListReplaced(const std::vector<MatchItem>& items) override { shown = items; }
    double ListHeightTwips() const override { return 24.0 * 8.25 * 24; }  // room for every buffered match
    double ListFontPoints() const override { return 8.25; }
    void MatchFound(std::u16string_view text, std::int32_t id) override {
        found.push_back({std::u16string(text), id});
        if (onMatchFound) onMatchFound(found.back());
    }
    void BeginRecode() override { ++beginRecodes; }
    void EndRecode() override { ++endRecodes; }
};

}  // namespace quarrymink::testing
