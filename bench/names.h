// A realistic mix of personal names for the benchmarks: first names and surnames
// combined, with the spelling variants a names table holds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <numeric>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarrymink::bench {

inline const std::vector<std::u16string>& FirstNames() {
    static const std::vector<std::u16string> names = {
        u"John",      u"Jon",       u"Jonathan",  u"Mary",     u"Maria",       u"Catherine",  u"Kathryn",
        u"Katherine", u"Steven",    u"Stephen",   u"Geoffrey", u"Jeffrey",     u"Philip",     u"Phillip",
        u"Sean",      u"Shaun",     u"Shawn",     u"Anne",     u"Ann",         u"Anna",       u"Claire",
        u"Clare",     u"Neil",      u"Neal",      u"Niall",    u"Michael",     u"Michel",     u"Sarah",
        u"Sara",      u"Elizabeth", u"Elisabeth", u"Thomas",   u"Tomas",       u"Margaret",   u"Marguerite",
        u"William",   u"Wilhelm",   u"Robert",    u"Rupert",   u"Alan",        u"Allan",      u"Allen",
        u"Brian",     u"Bryan",     u"Carl",      u"Karl",     u"Christopher", u"Kristoffer", u"Eric",
        u"Erik",      u"Frederick", u"Friedrich", u"Hugh",     u"Hughie",      u"Isabel",     u"Isobel",
        u"Jane",      u"Jayne",     u"Joan",      u"Joanne",   u"Louise",      u"Lewis",      u"Louis",
        u"Matthew",   u"Mathieu",   u"Nicholas",  u"Nikolaus", u"Patrick",     u"Padraig",    u"Rebecca",
        u"Rebekah",   u"Susan",     u"Suzanne",   u"Teresa",   u"Theresa",     u"Vivian",     u"Vivienne",
        u"Zoe",       u"Zoey",
    };
    return names;
}

inline const std::vector<std::u16string>& LastNames() {
    static const std::vector<std::u16string> names = {
        u"Smith",    u"Smyth",      u"Smythe",    u"Schmidt",    u"Schmitt",  u"Johnson",   u"Jonson",
        u"Johnsen",  u"Thompson",   u"Thomson",   u"Tomson",     u"McDonald", u"MacDonald", u"Macdonald",
        u"Reid",     u"Reed",       u"Read",      u"Phillips",   u"Philips",  u"Knight",    u"Night",
        u"Wright",   u"Right",      u"Bennett",   u"Bennet",     u"Hughes",   u"Hewes",     u"Little",
        u"Lyttle",   u"O'Brien",    u"OBrien",    u"Catherwood", u"Kerr",     u"Carr",      u"Clark",
        u"Clarke",   u"Cooke",      u"Cook",      u"Davies",     u"Davis",    u"Evans",     u"Evens",
        u"Fischer",  u"Fisher",     u"Gray",      u"Grey",       u"Harris",   u"Harriss",   u"Jackson",
        u"Jaxon",    u"Kelly",      u"Kelley",    u"Lee",        u"Leigh",    u"Martin",    u"Martyn",
        u"Moore",    u"More",       u"Murphy",    u"Murphey",    u"Nielsen",  u"Nelson",    u"Peterson",
        u"Pedersen", u"Roberts",    u"Robertson", u"Stewart",    u"Stuart",   u"Taylor",    u"Tailor",
        u"Walker",   u"Walcker",    u"White",     u"Whyte",      u"Williams", u"Willems",   u"Young",
        u"Jung",     u"Zimmermann", u"Zimmerman", u"Tymczak",    u"Pfister",  u"Lloyd",     u"Floyd",
    };
    return names;
}

/// The i-th name "First Last", cycling through both lists in a fixed pattern.
inline std::u16string FullName(std::size_t i) {
    const auto& first = FirstNames();
    const auto& last = LastNames();
    return first[i % first.size()] + u" " + last[(i / first.size() + i * 7) % last.size()];
}

/// The first count names.
inline std::vector<std::u16string> FullNames(std::size_t count) {
    std::vector<std::u16string> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) out.push_back(FullName(i));
    return out;
}

/// Distinct full names "First Last" as a table of people holds them: every first name with
/// every surname, in a fixed shuffled order, so that the first count names are all different
/// and spread over the whole alphabet. The first names and surnames come from a word list of
/// "|"-separated entries (data/Names): the first and last words of its full names, and its
/// single names shared out between the two. When a size needs more combinations than there
/// are, double-barrelled surnames ("Smith-Jones") are added. Names are UTF-8; nothing here
/// depends on the library, so that any benchmark can use it.
class DistinctNames {
public:
    DistinctNames(const std::string& wordListPath, std::uint64_t count) {
        std::ifstream file(wordListPath, std::ios::binary);
        if (!file) throw std::runtime_error("cannot read " + wordListPath);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::set<std::string> firsts, lasts;
        std::vector<std::string> singles;
        std::istringstream entries(text);
        for (std::string entry; std::getline(entries, entry, '|');) {
            std::istringstream words(entry);
            std::vector<std::string> parts{std::istream_iterator<std::string>(words),
                                           std::istream_iterator<std::string>()};
            if (parts.size() == 1) singles.push_back(parts[0]);
            if (parts.size() < 2) continue;
            firsts.insert(parts.front());
            lasts.insert(parts.back());
        }
        bool toFirst = true;
        for (const std::string& single : singles) {
            if (firsts.count(single) || lasts.count(single)) continue;
            (toFirst ? firsts : lasts).insert(single);
            toFirst = !toFirst;
        }
        firsts_.assign(firsts.begin(), firsts.end());
        lasts_.assign(lasts.begin(), lasts.end());
        if (firsts_.empty() || lasts_.empty()) throw std::runtime_error("no names in " + wordListPath);
        const std::size_t plainLasts = lasts_.size();
        for (std::size_t k = 0; Combinations() < count; ++k)
            lasts_.push_back(lasts_[k % plainLasts] + "-" +
                             lasts_[(k * 7 + 1 + k / plainLasts) % plainLasts]);
        // A multiplier near the golden section of the number of combinations and prime to it
        // walks them all once, each step landing far from the last.
        const std::uint64_t total = Combinations();
        multiplier_ = static_cast<std::uint64_t>(static_cast<double>(total) * 0.6180339887) | 1;
        while (std::gcd(multiplier_, total) != 1) multiplier_ += 2;
    }

    /// The i-th name (i below Combinations(); all different).
    std::string operator()(std::uint64_t i) const {
        const std::uint64_t k = static_cast<std::uint64_t>(
            (static_cast<unsigned __int128>(i) * multiplier_ + 12345) % Combinations());
        return firsts_[k % firsts_.size()] + " " + lasts_[k / firsts_.size()];
    }
    std::uint64_t Combinations() const { return std::uint64_t{firsts_.size()} * lasts_.size(); }

private:
    std::vector<std::string> firsts_, lasts_;
    std::uint64_t multiplier_ = 1;
};

}  // namespace quarrymink::bench
