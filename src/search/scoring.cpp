// Candidate scoring: each candidate row's key aligned with the search key, the best
// pairing of their first-sound alternatives kept, rows above the threshold ranked.
//
// Two ways through the rows, with the same results:
// * in text order, row by row, as the candidate query returns them: every row is seen by
//   the host (progress, MatchFound, events let through after each row). PostgreSQL, whose
//   collation orders the texts, and hosts that ask for events after every row go this way.
// * on SQLite, in the order the key index yields the rows, without the query's sort: the
//   rows are scored first, and only the accepted ones are put in text order (all of them
//   when the host listens to MatchFound, otherwise the few that can reach the ranked buffer
//   and the last one, whose identifier IDValue keeps). Ties keep the order in which the
//   rows came, as SQLite's sort keeps it too. The rows are read on the caller's thread and
//   scored on a second one, and on the caller's too whenever the reading is ahead or done;
//   the host hears everything on its own thread, once the rows are scored. A Cancel heard
//   while the rows are read ends the search with the matches among the rows read so far.
#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "candidate_score_p.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"
#include "textutil.h"

namespace quarrymink {
namespace {

// Lets the remembered scores be looked up by a view of the key, without a copy per row.
struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view key) const noexcept {
        return std::hash<std::u16string_view>{}(key);
    }
};

// Texts in the order of SQLite's BINARY collation over UTF-8, that is by code point: UTF-16
// code units order the same except that surrogates (characters above U+FFFF) must come
// after U+E000..U+FFFF.
int CompareCodePoints(std::u16string_view a, std::u16string_view b) {
    const auto [pa, pb] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (pa == a.end()) return pb == b.end() ? 0 : -1;
    if (pb == b.end()) return 1;
    const auto rank = [](char16_t c) -> unsigned {
        if (c >= 0xE000) return c - 0x800u;
        if (c >= 0xD800) return c + 0x2000u;
        return c;
    };
    return rank(*pa) < rank(*pb) ? -1 : 1;
}

// An accepted row kept for putting in text order; arrival breaks ties of equal texts.
struct AcceptedRow {
    std::u16string text;
    std::int32_t id = 0;
    int score = 0;
    std::size_t arrival = 0;
};

// Text order, and ties in the order the rows came.
bool TextOrderBefore(std::u16string_view a, std::size_t arrivalA, std::u16string_view b,
                     std::size_t arrivalB) {
    const int c = CompareCodePoints(a, b);
    return c != 0 ? c < 0 : arrivalA < arrivalB;
}

bool TextOrderBefore(const AcceptedRow& a, const AcceptedRow& b) {
    return TextOrderBefore(a.text, a.arrival, b.text, b.arrival);
}

// Ranked as the match list ranks: higher score first, then the earlier row in text order.
bool RankBefore(const AcceptedRow& a, const AcceptedRow& b) {
    return a.score != b.score ? a.score > b.score : TextOrderBefore(a, b);
}

// The progress values the rows advance, as the row-by-row way shows them: the accumulated
// share of every scored row, rounded, each new value once.
class Progress {
public:
    Progress(SearchHost& host, std::int64_t rowCount)
        : host_(host), step_(rowCount > 0 ? 100.0f / static_cast<float>(rowCount) : 100.0f) {}
    void Step() {
        accumulated_ += step_;
        const int value = accumulated_ > 100 ? 100 : static_cast<int>(std::lrint(accumulated_));
        if (value != last_) host_.SetProgress(last_ = value);
    }
    void Finish() {
        if (last_ != 100) host_.SetProgress(100);
    }

private:
    SearchHost& host_;
    float step_;
    float accumulated_ = 0;
    int last_ = -1;
};

// Keeps an accepted row: every one for a host that hears each match, otherwise only while
// it is among the best the ranked buffer can hold (kept in rank order). The row's text is
// copied only when it is kept.
void KeepAccepted(std::vector<AcceptedRow>& accepted, std::u16string_view text, std::int32_t id, int score,
                  std::size_t arrival, bool everyMatch) {
    if (!everyMatch && accepted.size() == MatchBuffer::kSize) {
        const AcceptedRow& worst = accepted.back();
        if (score < worst.score ||
            (score == worst.score && !TextOrderBefore(text, arrival, worst.text, worst.arrival)))
            return;
    }
    AcceptedRow row{std::u16string(text), id, score, arrival};
    if (everyMatch) {
        accepted.push_back(std::move(row));
        return;
    }
    accepted.reserve(MatchBuffer::kSize + 1);
    const auto at = std::upper_bound(accepted.begin(), accepted.end(), row, RankBefore);
    accepted.insert(at, std::move(row));
    if (accepted.size() > MatchBuffer::kSize) accepted.pop_back();
}

// Candidate rows on their way from the reading thread to the scoring one: keys and texts
// end to end in two buffers, which keep their capacity from batch to batch.
class RowBatch {
public:
    // Small enough that the two threads end close together and that events wait at most one
    // batch's scoring; large enough that handing a batch over costs nothing in comparison.
    static constexpr std::size_t kRows = 1024;

    void Clear() {
        failure = nullptr;
        keys_.clear();
        texts_.clear();
        keyEnds_.clear();
        textEnds_.clear();
        ids.clear();
        unreadable.clear();
        arrivals.clear();
    }
    // The text and identifier are read for every row, since whether a row is accepted is
    // known only after the reading has moved on.
    void Add(Recordset& set, const MatchEngineColumns& columns, std::size_t arrival,
             std::u16string& scratch) {
        set.FieldTextAt(columns.key, scratch);
        keys_ += scratch;
        keyEnds_.push_back(keys_.size());
        bool bad = false;
        std::int32_t id = 0;
        try {
            set.FieldTextAt(columns.text, scratch);
            texts_ += scratch;
            id = set.FieldAt(columns.id).ToInt32();
        } catch (const DbError&) {
            bad = true;
        }
        textEnds_.push_back(texts_.size());
        ids.push_back(id);
        unreadable.push_back(bad);
        arrivals.push_back(arrival);
        scores.resize(ids.size());
    }
    std::size_t Size() const { return ids.size(); }
    std::u16string_view Key(std::size_t k) const { return Slice(keys_, keyEnds_, k); }
    std::u16string_view Text(std::size_t k) const { return Slice(texts_, textEnds_, k); }

    std::vector<std::int32_t> ids;
    std::vector<std::uint8_t> unreadable;
    std::vector<std::size_t> arrivals;
    std::vector<int> scores;
    std::exception_ptr failure;  // what scoring the batch on the other thread threw

private:
    static std::u16string_view Slice(const std::u16string& all, const std::vector<std::size_t>& ends,
                                     std::size_t k) {
        const std::size_t begin = k == 0 ? 0 : ends[k - 1];
        return std::u16string_view(all).substr(begin, ends[k] - begin);
    }
    std::u16string keys_, texts_;
    std::vector<std::size_t> keyEnds_, textEnds_;
};

// The score of a row known to change neither the ranked buffer nor the last accepted row.
constexpr int kCannotMatter = -3;

std::u16string Quoted(std::u16string_view name) {
    return u"'" + std::u16string(name) + u"'";
}

}  // namespace

// Rows with the same cut key score the same: a table of names repeats its common names
// (and, compared by their first word, its first names) many times, so each distinct key is
// scored once per search. When the keys turn out to be nearly all different, remembering
// them costs more than it saves and stops. Only exact scores are remembered: a score cut
// short at one row's floor may be wanted in full at another.
class RememberedScores {
public:
    template <typename Score>
    scoring::BoundedScore Get(std::u16string_view key, Score&& score) {
        if (!enabled_) return score();
        if (const auto known = scores_.find(key); known != scores_.end()) {
            ++hits_;
            return {known->second, true};
        }
        const scoring::BoundedScore value = score();
        if (value.exact && scores_.size() < kMaxRemembered) scores_.emplace(std::u16string(key), value.score);
        if (++misses_ == kTrialRows && hits_ < kTrialRows / 4) {
            enabled_ = false;
            scores_ = {};
        }
        return value;
    }

private:
    static constexpr std::size_t kMaxRemembered = 1 << 16;
    // Long enough to see repeats (the rows come in key order, so equal keys come together),
    // short enough to cost little on a table of distinct names.
    static constexpr std::size_t kTrialRows = 1024;
    std::unordered_map<std::u16string, int, KeyHash, std::equal_to<>> scores_;
    std::size_t hits_ = 0, misses_ = 0;
    bool enabled_ = true;
};

namespace {

// What a row must pass to matter, from the rows collected so far: the ranked buffer's last
// score once it is full (-1 before), and the last accepted row in text order.
struct RankFloor {
    int bufferLast = -1;
    std::u16string lastText;
    std::size_t lastArrival = 0;
};

// The second thread of a search on SQLite: it scores the batches the reading thread hands it,
// each with the floor known when its scoring starts and with remembered scores of its own,
// and hands them back. The reading thread collects every batch itself, and scores the
// waiting ones too when it has nothing else to do, so that both cores score once the reading
// is done or runs ahead.
class ScoringHelper {
public:
    using Score = std::function<void(RowBatch&, const RankFloor&, RememberedScores&)>;

    explicit ScoringHelper(Score score) : score_(std::move(score)) {}
    ScoringHelper(const ScoringHelper&) = delete;
    ScoringHelper& operator=(const ScoringHelper&) = delete;
    ~ScoringHelper() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void Start() {
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    bool Started() const { return thread_.joinable(); }

    void Submit(RowBatch& batch) {
        {
            const std::lock_guard lock(mutex_);
            waiting_.push_back(&batch);
        }
        changed_.notify_all();
    }
    // The oldest batch that nobody scores yet, when more than `leave` wait; else null.
    RowBatch* TakeWaiting(std::size_t leave = 0) {
        const std::lock_guard lock(mutex_);
        if (waiting_.size() <= leave) return nullptr;
        RowBatch* batch = waiting_.front();
        waiting_.pop_front();
        return batch;
    }
    // The batches scored here, waiting for one first if asked and the helper is at work.
    std::vector<RowBatch*> TakeScored(bool wait) {
        std::unique_lock lock(mutex_);
        if (wait) changed_.wait(lock, [&] { return !scored_.empty() || busy_ == 0; });
        std::vector<RowBatch*> out;
        out.swap(scored_);
        return out;
    }
    // True while the helper scores a batch or holds scored ones.
    bool Busy() {
        const std::lock_guard lock(mutex_);
        return busy_ > 0 || !scored_.empty();
    }
    void Publish(const RankFloor& floor) {
        const std::lock_guard lock(mutex_);
        floor_ = floor;
    }

private:
    void Run() {
        RememberedScores remembered;
        RankFloor floor;
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            RowBatch* batch = waiting_.front();
            waiting_.pop_front();
            floor = floor_;
            ++busy_;
            lock.unlock();
            try {
                score_(*batch, floor, remembered);
            } catch (...) {
                batch->failure = std::current_exception();
            }
            lock.lock();
            --busy_;
            scored_.push_back(batch);
            changed_.notify_all();
        }
    }

    Score score_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<RowBatch*> waiting_;
    std::vector<RowBatch*> scored_;
    RankFloor floor_;
    int busy_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace

// Names the bad row in the failure of one of its fields: by its identifier when that can be
// read, else by its position among the candidates.
[[noreturn]] void MatchEngine::BadRow(Recordset& set, int idColumn, std::int64_t position,
                                      std::u16string_view field, std::int32_t number,
                                      const std::string& what) {
    std::u16string row;
    try {
        const Value id = set.FieldAt(idColumn);
        if (!id.IsNull())
            row.append(u"the row whose ").append(idFieldName).append(u" is ").append(id.ToText());
    } catch (...) {
    }
    if (row.empty()) row = u"candidate row " + Utf8ToUtf16(std::to_string(position + 1)).value_or(u"?");
    const std::u16string context =
        u" (table " + Quoted(tableName) + u", field " + Quoted(field) + u", " + row + u")";
    throw DbError(number, what + Utf16ToUtf8(context));
}

int MatchEngine::ScoreRowKey(Recordset& set, const Columns& columns, std::int64_t position,
                             std::u16string& key, std::size_t spaceCount) {
    try {
        set.FieldTextAt(columns.key, key);
    } catch (const DbError& e) {
        BadRow(set, columns.id, position, keyFieldName, e.Number(), e.what());
    }
    if (position == 0 && (compare < CompareAll || compare > CompareAuto)) {
        Message(messages::kInvalidCompare, MessageIcon::None);
        if (!host_) return kHostGone;
        compare = CompareAll;
    }
    const scoring::CutKey cut = scoring::CutForCompare(key, compare, spaceCount);
    try {
        // Scores up to the threshold are all rejections alike.
        const auto score = [&] { return scoring::ScoreCutKeyAbove(cut, *searchParts_, threshold_); };
        return remembered_->Get(cut.text, score).score;
    } catch (const std::invalid_argument& e) {
        BadRow(set, columns.id, position, keyFieldName, dberr::kGeneral, e.what());
    }
}

void MatchEngine::ReadAccepted(Recordset& set, const Columns& columns, std::int64_t position,
                               std::u16string& text, std::int32_t& id) {
    try {
        id = set.FieldAt(columns.id).ToInt32();
    } catch (const DbError& e) {
        BadRow(set, columns.id, position, idFieldName, e.Number(), e.what());
    }
    try {
        set.FieldTextAt(columns.text, text);
    } catch (const DbError& e) {
        BadRow(set, columns.id, position, textFieldName, e.Number(), e.what());
    }
}

MatchEngine::Columns MatchEngine::FindColumns(Recordset& set) const {
    return {set.FieldIndex(keyFieldName), set.FieldIndex(textFieldName), set.FieldIndex(idFieldName)};
}

bool MatchEngine::ScoreInTextOrder(Recordset& set, std::size_t spaceCount) {
    host_->SetProgress(0);
    if (set.Bof() && set.Eof()) {
        host_->SetProgress(100);
        return false;
    }
    set.MoveLast();
    const std::int64_t rowCount = set.RecordCount();
    set.MoveFirst();
    Progress progress(*host_, rowCount);
    RememberedScores remembered;
    remembered_ = &remembered;
    const Columns columns = FindColumns(set);
    std::u16string key, text;
    for (std::int64_t position = 0; !set.Eof(); ++position) {
        const int best = ScoreRowKey(set, columns, position, key, spaceCount);
        if (best == kHostGone) return true;
        if (best >= 0) {
            if (best > threshold_) {
                ReadAccepted(set, columns, position, text, idValue);
                UpdateMatchList(ListMode::Add, text, best, idValue);
                host_->MatchFound(text, idValue);
                if (!host_) return true;
            }
            progress.Step();
        }
        set.MoveNext();
        if (!Yield() || cancel) return true;
    }
    progress.Finish();
    return false;
}

bool MatchEngine::ScoreUnordered(Recordset& set, std::size_t spaceCount) {
    const bool everyMatch = host_->ListensToMatchFound();
    std::vector<AcceptedRow> accepted;  // all accepted rows, or the best of them
    AcceptedRow last;                   // the last accepted row in text order
    bool anyAccepted = false;
    std::int64_t rows = 0, scored = 0;
    bool cancelled = false;
    if (!(set.Bof() && set.Eof())) {
        if (compare < CompareAll || compare > CompareAuto) {
            Message(messages::kInvalidCompare, MessageIcon::None);
            if (!host_) return true;
            compare = CompareAll;
        }
        const Columns columns = FindColumns(set);
        const std::int32_t mode = compare;
        const scoring::KeyParts& search = *searchParts_;
        // The score a row must pass to matter: the threshold, and, when nobody hears every
        // match, also the ranked buffer's last entry (an equal score can still displace it,
        // being earlier in text order) for a row that comes before the last accepted one in
        // text order, since its acceptance then changes nothing. The buffer and the last
        // accepted row are those of the batches collected before the batch's scoring began:
        // the buffer's last score only rises and the last row only moves later, whatever the
        // order in which batches are collected, so the floor stays safe.
        const auto floorOf = [&](const RowBatch& batch, std::size_t k, const RankFloor& floor) -> int {
            if (floor.bufferLast < 0 || batch.unreadable[k] ||
                !TextOrderBefore(batch.Text(k), batch.arrivals[k], floor.lastText, floor.lastArrival))
                return threshold_;
            return std::max<int>(threshold_, floor.bufferLast - 1);
        };
        const auto score = [&, mode, spaceCount](RowBatch& batch, const RankFloor& floor,
                                                 RememberedScores& remembered) {
            for (std::size_t k = 0; k < batch.Size(); ++k) {
                const scoring::CutKey cut = scoring::CutForCompare(batch.Key(k), mode, spaceCount);
                const auto exactAbove = [&] {
                    return scoring::ScoreCutKeyAbove(cut, search, floorOf(batch, k, floor));
                };
                const scoring::BoundedScore result = remembered.Get(cut.text, exactAbove);
                batch.scores[k] = result.exact ? result.score : kCannotMatter;
            }
        };
        // The accepted rows of a scored batch; a row whose text or identifier cannot be read
        // matters only when it is accepted, and then fails the whole way (see the caller).
        // Batches may come back in any order: what is kept does not depend on it.
        const auto collect = [&](const RowBatch& batch) {
            if (batch.failure) std::rethrow_exception(batch.failure);
            for (std::size_t k = 0; k < batch.Size(); ++k) {
                const int best = batch.scores[k];
                if (best < 0 && best != kCannotMatter) continue;
                ++scored;
                if (best <= threshold_) continue;
                if (batch.unreadable[k]) throw DbError(dberr::kGeneral, "unreadable accepted row");
                const std::u16string_view text = batch.Text(k);
                const std::size_t arrival = batch.arrivals[k];
                if (!anyAccepted || TextOrderBefore(last.text, last.arrival, text, arrival)) {
                    last.text.assign(text);
                    last.id = batch.ids[k];
                    last.arrival = arrival;
                }
                anyAccepted = true;
                KeepAccepted(accepted, text, batch.ids[k], best, arrival, everyMatch);
            }
        };
        // The rows are read here, on the caller's thread, with events let through between
        // rows. A second thread scores the batches as they come; this one scores a batch too
        // when two wait, and helps with the last ones. A search of up to two batches' rows does
        // without the second thread, which would not pay for its start.
        std::array<RowBatch, 4> batches;
        std::vector<RowBatch*> free;
        for (RowBatch& batch : batches) free.push_back(&batch);
        RankFloor floor;
        RememberedScores remembered;
        ScoringHelper helper(score);
        const auto keep = [&](RowBatch& batch) {
            collect(batch);
            free.push_back(&batch);
            if (!everyMatch && accepted.size() == MatchBuffer::kSize) {
                floor.bufferLast = accepted.back().score;
                floor.lastText = last.text;
                floor.lastArrival = last.arrival;
                helper.Publish(floor);
            }
        };
        const auto keepScored = [&](bool wait) {
            for (RowBatch* batch : helper.TakeScored(wait)) keep(*batch);
        };
        const auto scoreHere = [&](RowBatch& batch) {
            score(batch, floor, remembered);
            keep(batch);
        };
        // The second thread starts once more rows follow two batches, so that it is up by the
        // time a third batch is read.
        constexpr std::size_t kBatchesAlone = 2;
        std::size_t filled = 0;
        std::u16string text;
        while (!set.Eof() && !cancelled) {
            keepScored(false);
            while (free.empty()) {
                if (RowBatch* waiting = helper.TakeWaiting())
                    scoreHere(*waiting);
                else
                    keepScored(true);
            }
            RowBatch& batch = *free.back();
            free.pop_back();
            batch.Clear();
            while (!set.Eof() && batch.Size() < RowBatch::kRows) {
                batch.Add(set, columns, static_cast<std::size_t>(rows++), text);
                set.MoveNext();
                if ((rows & 63) == 0 && (!Yield() || cancel)) {
                    cancelled = true;
                    break;
                }
            }
            helper.Submit(batch);
            if (++filled >= kBatchesAlone && !set.Eof() && !cancelled) helper.Start();
            if (helper.Started())
                while (RowBatch* waiting = helper.TakeWaiting(1)) scoreHere(*waiting);
        }
        for (;;) {
            keepScored(false);
            if (RowBatch* waiting = helper.TakeWaiting())
                scoreHere(*waiting);
            else if (helper.Busy())
                keepScored(true);
            else
                break;
        }
        if (!host_) return true;
    }
    // Only now is the number of rows known, which the progress values are shares of.
    host_->SetProgress(0);
    Progress progress(*host_, rows);
    if (!cancelled)
        for (std::int64_t k = 0; k < scored; ++k) progress.Step();
    std::sort(accepted.begin(), accepted.end(),
              [](const AcceptedRow& a, const AcceptedRow& b) { return TextOrderBefore(a, b); });
    for (const AcceptedRow& match : accepted) {
        UpdateMatchList(ListMode::Add, match.text, match.score, match.id);
        if (everyMatch) {
            idValue = match.id;
            host_->MatchFound(match.text, match.id);
            if (!host_) return true;
            if (!Yield() || cancel) return true;
        }
    }
    if (anyAccepted && !everyMatch) idValue = last.id;
    if (!cancelled) progress.Finish();
    return cancelled;
}

}  // namespace quarrymink
