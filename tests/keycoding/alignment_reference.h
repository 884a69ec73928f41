// A plain transcription of the alignment score, cell by cell with a full matrix, kept
// beside the fast one so that randomized tests can check that the two agree.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "textutil.h"

namespace quarrymink::reference {

inline int AlignmentScore(const std::u16string& a, const std::u16string& b, int maxScore,
                          std::u16string& edit) {
    edit.clear();
    if (a == b) {
        edit.assign(std::min<std::size_t>(a.size(), 39), u'M');
        return maxScore;
    }
    const int la = static_cast<int>(a.size()), lb = static_cast<int>(b.size());
    std::vector<std::vector<int>> cost(la + 1, std::vector<int>(lb + 1)),
        step(la + 1, std::vector<int>(lb + 1));
    for (int i = 0; i <= la; ++i) cost[i][0] = i;
    for (int j = 0; j <= lb; ++j) cost[0][j] = j;
    for (int i = 1; i <= la; ++i)
        for (int j = 1; j <= lb; ++j) {
            const int c = a[i - 1] == b[j - 1] ? 0 : 1;
            const int diag = cost[i - 1][j - 1] + c, up = cost[i - 1][j] + 1, left = cost[i][j - 1] + 1;
            if (left <= up && left <= diag)
                cost[i][j] = left, step[i][j] = 128;
            else if (up <= diag)
                cost[i][j] = up, step[i][j] = 192;
            else
                cost[i][j] = diag, step[i][j] = c ? 64 : 0;
        }
    auto read = [&](int i, int j, bool byRow) {
        std::u16string out;
        int earliest = 0;
        do {  // 0 match, 64 substitution, 192 up (I), 128 left (D)
            const int s = step[i][j];
            out.insert(out.begin(), s == 0 ? u'M' : s == 64 ? u'S' : s == 192 ? u'I' : u'D');
            if (s == 0) earliest = byRow ? i : j;
            if (s != 128) --i;
            if (s != 192) --j;
        } while (i > 0 && j > 0);
        if (earliest > 1) out.insert(0, std::u16string(earliest - 1, u'S'));
        return out;
    };
    int start0 = 0;
    for (int j = 1; j <= lb; ++j)
        if (start0 == 0 || cost[la][j] <= cost[la][start0]) start0 = j;
    int start1 = 0;
    for (int i = 1; i <= la; ++i)
        if (start1 == 0 || cost[i][lb] - i <= cost[start1][lb] - start1) start1 = i;
    const std::u16string e0 = read(la, start0, false), e1 = read(start1, lb, true);
    edit = e1.size() > e0.size() ? e1 : e0;

    float count = 0;
    for (char16_t ch : edit) count += ch == u'M';
    // A vowel is a character whose lower case is one of "aeiou", also outside ASCII (U+0130).
    const char16_t last = edit.empty() ? 0 : edit.back();
    if ((last == u'I' && la && a.back() == u'e') || (last == u'D' && lb && b.back() == u'e')) count += 0.5f;
    if (la > 1 && count < static_cast<float>(edit.size())) {
        const bool endsMM = edit.size() >= 2 && edit.substr(edit.size() - 2) == u"MM";
        if (endsMM || (!IsVowel(a[la - 1]) && IsVowel(a[la - 2])))
            count += 0.5f;
        else if (last == u'M')
            count += 0.2f;
    }
    for (const std::u16string pair : {u"II", u"DD"}) {
        if (count > 0 && edit.find(pair) != std::u16string::npos) {
            const std::u16string lower = pair == u"II" ? u"ii" : u"dd";
            for (std::size_t at = edit.find(pair); at != std::u16string::npos; at = edit.find(pair, at + 2))
                edit.replace(at, 2, lower);
            count -= 1;
        }
    }
    if (!(count > 0)) count = 0;
    if (edit.empty()) return 0;
    return static_cast<int>(
        std::nearbyint(static_cast<double>(maxScore) * count / static_cast<double>(edit.size())));
}

}  // namespace quarrymink::reference
