// The control's published description as data: member order, dispatch ids, help.
#include <cstring>

#include "quarrymink/qm.h"

namespace quarrymink::typelib {
namespace {

using enum MemberKind;
constexpr unsigned kGetLet = Get | Put;

// Slot order of the control's interface.
constexpr Member kMembers[] = {
    {"MakeCode", Method, None, 0, 19, "Returns Keycode from text argument;used as value in Keyfield", false},
    {"TextFieldName", Property, kGetLet, 0x68030011, 30,
     "Specifies name of text field in specified  database table", false},
    {"ShowListBox", Property, kGetLet, 0x68030010, 28, "When set displays the Match listbox", false},
    {"ShowProgressBar", Property, kGetLet, 0x6803000F, 28, "When set displays a progress bar ", false},
    {"SearchCode", Property, kGetLet, 0x6803000E, -1, "", true},
    {"TableName", Property, kGetLet, 0x6803000D, 29,
     "Specifies name of table in currently connected database", false},
    {"SearchTime", Property, Get, 0x6803000C, 25, "Returns time taken for total search", false},
    {"BackColor", Property, kGetLet, 0x6803000B, -1, "", false},
    {"Font", Property, Get | PutRef, -512, 0, "Returns a Font object.", false},
    {"ForeColor", Property, kGetLet, 0x6803000A, 0,
     "Returns/sets the foreground color used to display text and graphics in an object.", false},
    {"Compare", Property, Put, 0x68030009, 11, "Sets method of comparison: first word, last word etc.",
     false},
    {"Cancel", Property, kGetLet, 0x68030008, -1, "", false},
    {"SQLFilterString", Property, kGetLet, 0x68030007, -1, "", false},
    {"IDValue", Property, Get, 0x68030006, 16, "Contains ID value of currently selected MatchList item",
     false},
    {"ShowAboutBox", Method, None, -552, -1, "", false},
    {"MaxKeyLength", Property, Put, 0x68030005, 23,
     "Sets the maximum length of the string returned by MakeCode", false},
    {"BestMatchSearch", Method, None, 0x60030025, 9, "Performs the search function", false},
    {"KeyFieldName", Property, kGetLet, 0x68030004, 17,
     "Specifies name of Keycode field in specified  database table", false},
    {"SetToNextMatch", Method, None, 0x60030032, 27, "Returns the next best match from the MatchList", false},
    {"SetToBestMatch", Method, None, 0x60030034, 26, "Returns the best match from the MatchList", false},
    {"TextValue", Property, kGetLet, 0x68030003, 31, "Contains text of currently selected MatchList item",
     false},
    {"Recode", Method, None, 0x60030036, 24,
     "Recodes the values in the KeyField for all records in the current table", false},
    {"IDFieldName", Property, kGetLet, 0x68030002, -1, "", false},
    {"ConnectionType", Property, Put, 0x68030001, 12,
     "Used to indicate the type of database connection (DAO or ADO)", false},
    {"FinalMatchItem", Property, Get, 0x68030000, 13, "Is True when last item in MatchList is selected",
     false},
    {"SimpleSoundex", Method, None, 0x60030038, -1, "", false},
};

constexpr Event kEvents[] = {
    {"MatchFound", 1, 20, ""},
    {"ListItemSelected", 2, 18, "Is raised when the user selects an item in the MatchList"},
};

}  // namespace

std::span<const Member> Members() {
    return kMembers;
}
std::span<const Event> Events() {
    return kEvents;
}

const Member* FindMember(const char* name) {
    for (const Member& m : kMembers)
        if (std::strcmp(m.name, name) == 0) return &m;
    return nullptr;
}

}  // namespace quarrymink::typelib
