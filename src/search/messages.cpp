// The engine's messages: missing properties and refused queries in the control's own words.
#include "quarrymink/search.h"

namespace quarrymink::messages {

std::u16string PropertyNotInitialized(std::u16string_view display, std::u16string_view name) {
    std::u16string text(display);
    text.append(u" Property Error:\r\n").append(name).append(u" is not initialized");
    return text;
}

std::u16string DbErrorText(std::u16string_view display, std::int32_t number, std::u16string_view description,
                           std::u16string_view table, std::u16string_view fields) {
    std::u16string text(display);
    text.append(u"Error:\r\n");
    switch (number) {
        case dberr::kUnknownField:
            text.append(u"The field name '")
                .append(fields)
                .append(u"' is not\r\nvalid for the table '")
                .append(table)
                .append(u"'");
            break;
        case dberr::kUnknownTable:
            text.append(u"The table name '")
                .append(table)
                .append(u"' is not\r\nvalid for this data connection");
            break;
        case dberr::kInvalidArgument:
            text.append(
                u"You have incorrectly specified the ConnectionType Property.\r\n"
                u"Set to either qmDAO or qmADO, as appropriate.\r\n"
                u"Note that qmDAO is the default value.");
            break;
        default:
            text.append(description);
            break;
    }
    return text;
}

}  // namespace quarrymink::messages
