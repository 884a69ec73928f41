// The control's properties as data. Each property is described once: how its value is kept
// and saved, its initial value, whether it is saved with the host's window, its change
// signal and its entry in the published type library. Restoring, saving, resetting and the
// change notices of the control all walk this table; the Qt properties themselves (getter,
// setter, signal) are declared in qm.h, as moc needs them.
//
// A new saved property is one more entry at the end (and its Q_PROPERTY in qm.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "quarrymink/qm.h"

class QMPrivate;

namespace quarrymink {

/// How a property's value is kept and saved.
enum class PropertyKind {
    Text,     ///< a text; starts empty
    Boolean,  ///< saved as a Boolean; settings files give "true" and "false" back
    Int16,    ///< kept in 32 bits, saved and restored in the 16-bit range
    Int32,
    Single,  ///< single precision, saved as a double
    Colour,  ///< the control surface's colour, saved as an OLE colour 0x00BBGGRR
    Font,    ///< the control surface's font; a new control takes the container's
};

/// Where a property's value lives in the control, and a value remembered from there.
using PropertyField = std::variant<std::u16string*, bool*, std::int32_t*, float*>;
using PropertyValue = std::variant<std::u16string, bool, std::int32_t, float>;

/// A member's entry in the published type library.
struct PublishedMember {
    int slot;         ///< position in the interface, from 1
    unsigned access;  ///< typelib::Access
    std::int32_t dispatchId;
    int helpContext;         ///< -1 when the member has none
    const char* helpString;  ///< empty when the member has none
    bool hidden;
};

struct ControlProperty {
    const char* name;  ///< the Qt property, the key it is saved under and the published name
    PropertyKind kind;
    /// The value of a new control, and the default a saved value is compared with:
    /// Booleans 1 or 0, colours as OLE colours. Texts start empty; the font is the container's.
    double initial;
    bool persisted;   ///< saved by WriteProperties and restored by ReadProperties
    bool designable;  ///< offered in Designer's property editor
    void (QM::*notify)();
    /// The field that holds the value; nullptr for the colours and the font, which the
    /// control surface holds and which are set through their setters.
    PropertyField (*field)(QMPrivate&);
    PublishedMember published;
};

/// Every property of QM, in the order in which the saved ones are restored and saved.
std::span<const ControlProperty> ControlProperties();

/// Copies a field's value into remembered; true when that changed what was remembered.
bool Remember(const PropertyField& field, PropertyValue& remembered);

}  // namespace quarrymink
