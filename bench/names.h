// A realistic mix of personal names for the benchmarks: first names and surnames
// combined, with the spelling variants a names table holds.
#pragma once

#include <string>
#include <vector>

namespace quarrymink::bench {

inline const std::vector<std::u16string>& FirstNames() {
    static const std::vector<std::u16string> names = {
        u"John", u"Jon", u"Jonathan", u"Mary", u"Maria", u"Catherine", u"Kathryn", u"Katherine", u"Steven",
        u"Stephen", u"Geoffrey", u"Jeffrey", u"Philip", u"Phillip", u"Sean", u"Shaun", u"Shawn", u"Anne",
        u"Ann", u"Anna", u"Claire", u"Clare", u"Neil", u"Neal", u"Niall", u"Michael", u"Michel", u"Sarah",
        u"Sara", u"Elizabeth", u"Elisabeth", u"Thomas", u"Tomas", u"Margaret", u"Marguerite", u"William",
        u"Wilhelm", u"Robert", u"Rupert", u"Alan", u"Allan", u"Allen", u"Brian", u"Bryan", u"Carl", u"Karl",
        u"Christopher", u"Kristoffer", u"Eric", u"Erik", u"Frederick", u"Friedrich", u"Hugh", u"Hughie",
        u"Isabel", u"Isobel", u"Jane", u"Jayne", u"Joan", u"Joanne", u"Louise", u"Lewis", u"Louis",
        u"Matthew", u"Mathieu", u"Nicholas", u"Nikolaus", u"Patrick", u"Padraig", u"Rebecca", u"Rebekah",
        u"Susan", u"Suzanne", u"Teresa", u"Theresa", u"Vivian", u"Vivienne", u"Zoe", u"Zoey",
    };
    return names;
}

inline const std::vector<std::u16string>& LastNames() {
    static const std::vector<std::u16string> names = {
        u"Smith", u"Smyth", u"Smythe", u"Schmidt", u"Schmitt", u"Johnson", u"Jonson", u"Johnsen",
        u"Thompson", u"Thomson", u"Tomson", u"McDonald", u"MacDonald", u"Macdonald", u"Reid", u"Reed",
        u"Read", u"Phillips", u"Philips", u"Knight", u"Night", u"Wright", u"Right", u"Bennett", u"Bennet",
        u"Hughes", u"Hewes", u"Little", u"Lyttle", u"O'Brien", u"OBrien", u"Catherwood", u"Kerr", u"Carr",
        u"Clark", u"Clarke", u"Cooke", u"Cook", u"Davies", u"Davis", u"Evans", u"Evens", u"Fischer",
        u"Fisher", u"Gray", u"Grey", u"Harris", u"Harriss", u"Jackson", u"Jaxon", u"Kelly", u"Kelley",
        u"Lee", u"Leigh", u"Martin", u"Martyn", u"Moore", u"More", u"Murphy", u"Murphey", u"Nielsen",
        u"Nelson", u"Peterson", u"Pedersen", u"Roberts", u"Robertson", u"Stewart", u"Stuart", u"Taylor",
        u"Tailor", u"Walker", u"Walcker", u"White", u"Whyte", u"Williams", u"Willems", u"Young", u"Jung",
        u"Zimmermann", u"Zimmerman", u"Tymczak", u"Pfister", u"Lloyd", u"Floyd",
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

}  // namespace quarrymink::bench
