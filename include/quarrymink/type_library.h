// The control's published description as its users know it: the library's and the
// types' identifiers, the members of its interface in slot order with their dispatch ids
// and help, and its events.
#pragma once

#include <cstdint>
#include <span>

#include "quarrymink/export.h"

namespace quarrymink {

/// The control's published description: identifiers, member order, dispatch ids and help.
namespace typelib {

enum class MemberKind { Method, Property };

/// Access a client has to a property; methods have none.
enum Access : unsigned { None = 0, Get = 1, Put = 2, PutRef = 4 };

struct Member {
    const char* name;
    MemberKind kind;
    unsigned access;
    std::int32_t dispatchId;
    int helpContext;         ///< -1 when the member has none
    const char* helpString;  ///< empty when the member has none
    bool hidden;
};

struct Event {
    const char* name;
    std::int32_t dispatchId;
    int helpContext;
    const char* helpString;
};

inline constexpr const char* kLibraryId = "{5E71A203-4C2D-11D3-9A61-0040C7E1F2A8}";
inline constexpr const char* kInterfaceId = "{5E71A207-4C2D-11D3-9A61-0040C7E1F2A8}";
inline constexpr const char* kClassId = "{5E71A208-4C2D-11D3-9A61-0040C7E1F2A8}";
inline constexpr const char* kDbTypeId = "{5E71A209-4C2D-11D3-9A61-0040C7E1F2A8}";
inline constexpr const char* kCompareId = "{5E71A20A-4C2D-11D3-9A61-0040C7E1F2A8}";
inline constexpr const char* kEventsId = "{5E71A20B-4C2D-11D3-9A61-0040C7E1F2A8}";
inline constexpr const char* kProgId = "Quarrymink.QM";
inline constexpr const char* kLibraryName = "Quarrymink";
inline constexpr const char* kLibraryHelpString = "Quarrymink ActiveX control";
inline constexpr int kVersionMajor = 1, kVersionMinor = 0;
inline constexpr int kLocale = 1033;    // US English
inline constexpr int kHelpContext = 1;  // of the library and each of its types
inline constexpr const char* kDescription =
    "ActiveX control for finding inexact matches in database tables. DAO and ADO compatible.";

/// The members of the control's interface, in slot order.
QUARRYMINK_EXPORT std::span<const Member> Members();
/// The control's events.
QUARRYMINK_EXPORT std::span<const Event> Events();
/// The member of that name, or nullptr.
QUARRYMINK_EXPORT const Member* FindMember(const char* name);

}  // namespace typelib

}  // namespace quarrymink
