// Candidate scoring: each candidate row's key aligned with the search key, the best
// pairing of their first-sound alternatives kept, rows above the threshold ranked.
#include <cmath>
#include <unordered_map>

#include "quarrymink/search.h"
#include "quarrymink/textutil.h"

namespace quarrymink {
namespace {

constexpr int kDigitsMax = 130;
constexpr int kTailMax = 255;

bool SharesAlternative(const std::u16string& sound, const std::vector<std::u16string>& searchSounds) {
    for (const std::u16string& s : searchSounds)
        if (s == sound) return true;
    return false;
}

// Searches for b never accept w-rows and the reverse: the two classes are close but
// their first sounds are not.
bool IsExcludedPair(const std::u16string& candidateFirst, const std::u16string& searchFirst) {
    static const std::u16string b = EncryptString(u"b"), w = EncryptString(u"w");
    return (searchFirst == b && candidateFirst == w) || (searchFirst == w && candidateFirst == b);
}

// The first pieces+1 blank-separated pieces of key (all of it when it has no more).
std::u16string_view FirstPieces(std::u16string_view key, std::size_t pieces) {
    std::size_t p = 0;  // one past the last blank found, in 1-based terms the blank's position
    for (std::size_t n = 0; n < pieces; ++n) {
        const std::size_t blank = key.find(u' ', p == 0 ? 0 : p);
        if (blank == std::u16string_view::npos) return key;
        p = blank + 1;
    }
    return key.substr(0, p - 1);
}

// Lets the remembered scores be looked up by a view of the key, without a copy per row.
struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view key) const noexcept { return std::hash<std::u16string_view>{}(key); }
};

}  // namespace

int MatchEngine::ScoreKey(std::u16string_view key, KeySounds& candidate,
                          std::vector<std::array<std::u16string, 2>>& masked) const {
    SplitKeySoundsInto(key, candidate);
    const int candidateCount = candidate.Count();
    if (candidateCount < 0) throw DbError(dberr::kGeneral, "A stored key code has no first-sound part");
    if (IsExcludedPair(candidate.sounds[0], searchSounds_.sounds[0])) return -1;
    masked.resize(static_cast<std::size_t>(candidateCount) + 1);
    for (int j = 0; j <= candidateCount; ++j)
        for (int part = 0; part < 2; ++part) {
            const std::u16string& whole = candidate.pairs[j][part];
            masked[j][part].assign(1, u'?').append(whole.size() > 1 ? std::u16string_view(whole).substr(1) : u"");
        }
    int best = 0;
    for (int i = 0; i <= searchSounds_.Count(); ++i) {
        for (int j = 0; j <= candidateCount; ++j) {
            if (!SharesAlternative(candidate.sounds[j], searchSounds_.sounds)) continue;
            const bool primary = i == 0 && j == 0;
            const auto& pair = primary ? candidate.pairs[j] : masked[j];
            const int total = AlignmentScore(searchSounds_.pairs[i][0], pair[0], kDigitsMax) +
                              AlignmentScore(searchSounds_.pairs[i][1], pair[1], kTailMax);
            if (total > best) best = total;
        }
    }
    return best;
}

bool MatchEngine::ScoreCandidates(Recordset& set, std::size_t spaceCount) {
    host_->SetProgress(0);
    float accumulated = 0;
    if (set.Bof() && set.Eof()) {
        host_->SetProgress(100);
        return false;
    }
    set.MoveLast();
    const std::int64_t rowCount = set.RecordCount();
    set.MoveFirst();
    const float step = rowCount > 0 ? 100.0f / static_cast<float>(rowCount) : 100.0f;

    KeySounds candidate;
    // The masked pairs ("?" for the leading letter) used by every pairing but the primary one.
    std::vector<std::array<std::u16string, 2>> masked;
    bool firstRow = true;
    int lastProgress = -1;
    // Rows with the same key score the same: a table of names repeats its common names
    // many times, so each distinct key is scored once per search. -1 marks an excluded pair.
    constexpr std::size_t kMaxRemembered = 1 << 16;
    std::unordered_map<std::u16string, int, KeyHash, std::equal_to<>> remembered;
    // The columns are found once; the query selects all three.
    const int keyColumn = set.FieldIndex(keyFieldName);
    const int textColumn = set.FieldIndex(textFieldName);
    const int idColumn = set.FieldIndex(idFieldName);
    std::u16string key, text;

    while (!set.Eof()) {
        set.FieldTextAt(keyColumn, key);
        if (firstRow && (compare < CompareAll || compare > CompareAuto)) {
            Message(messages::kInvalidCompare, MessageIcon::None);
            if (!host_) return true;
            compare = CompareAll;
        }
        firstRow = false;
        std::u16string_view cut = key;
        switch (compare) {
            case CompareFirstWord: cut = BeforeFirst(cut, u" "); break;
            case CompareLastWord: cut = AfterLast(cut, u" "); break;
            case CompareAuto: cut = FirstPieces(cut, spaceCount + 1); break;
            default: break;
        }
        int best;
        if (const auto known = remembered.find(cut); known != remembered.end()) {
            best = known->second;
        } else {
            best = ScoreKey(cut, candidate, masked);
            if (remembered.size() < kMaxRemembered) remembered.emplace(std::u16string(cut), best);
        }
        if (best >= 0) {
            if (best > threshold_) {
                idValue = set.FieldAt(idColumn).ToInt32();
                set.FieldTextAt(textColumn, text);
                UpdateMatchList(ListMode::Add, text, best, idValue);
                host_->MatchFound(text, idValue);
                if (!host_) return true;
            }
            accumulated += step;
            const int progress = accumulated > 100 ? 100 : static_cast<int>(std::lrint(accumulated));
            if (progress != lastProgress) host_->SetProgress(lastProgress = progress);
        }
        set.MoveNext();
        if (!Yield() || cancel) return true;
    }
    if (lastProgress != 100) host_->SetProgress(100);
    return false;
}

}  // namespace quarrymink
