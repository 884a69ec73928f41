// The control's published description: the methods and events here, the properties from
// the property table, merged into the interface's slot order.
#include "quarrymink/type_library.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "qm_properties_p.h"

namespace quarrymink::typelib {
namespace {

struct Method {
    const char* name;
    PublishedMember published;
};

constexpr Method kMethods[] = {
    {"MakeCode", {1, None, 0, 19, "Returns Keycode from text argument;used as value in Keyfield", false}},
    {"ShowAboutBox", {15, None, -552, -1, "", false}},
    {"BestMatchSearch", {17, None, 0x60030025, 9, "Performs the search function", false}},
    {"SetToNextMatch", {19, None, 0x60030032, 27, "Returns the next best match from the MatchList", false}},
    {"SetToBestMatch", {20, None, 0x60030034, 26, "Returns the best match from the MatchList", false}},
    {"Recode",
     {22, None, 0x60030036, 24, "Recodes the values in the KeyField for all records in the current table",
      false}},
    {"SimpleSoundex", {26, None, 0x60030038, -1, "", false}},
};

constexpr Event kEvents[] = {
    {"MatchFound", 1, 20, ""},
    {"ListItemSelected", 2, 18, "Is raised when the user selects an item in the MatchList"},
};

Member ToMember(const char* name, MemberKind kind, const PublishedMember& p) {
    return {name, kind, p.access, p.dispatchId, p.helpContext, p.helpString, p.hidden};
}

std::vector<Member> BuildMembers() {
    std::vector<std::pair<int, Member>> bySlot;
    for (const Method& m : kMethods)
        bySlot.emplace_back(m.published.slot, ToMember(m.name, MemberKind::Method, m.published));
    for (const ControlProperty& p : ControlProperties())
        bySlot.emplace_back(p.published.slot, ToMember(p.name, MemberKind::Property, p.published));
    std::ranges::sort(bySlot, {}, &std::pair<int, Member>::first);
    std::vector<Member> members;
    for (const auto& [slot, member] : bySlot) members.push_back(member);
    return members;
}

}  // namespace

std::span<const Member> Members() {
    static const std::vector<Member> members = BuildMembers();
    return members;
}
std::span<const Event> Events() {
    return kEvents;
}

const Member* FindMember(const char* name) {
    for (const Member& m : Members())
        if (std::strcmp(m.name, name) == 0) return &m;
    return nullptr;
}

}  // namespace quarrymink::typelib
