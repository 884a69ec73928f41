// Table and field names and filters that try to run statements of their own or to widen a
// search: each must be refused with a message before any statement runs.
#pragma once

#include <string>
#include <vector>

#include "quarrymink/search.h"

namespace quarrymink::testing {

struct HostileSetting {
    std::u16string SearchSettings::*property;
    std::u16string value;
};

inline std::vector<HostileSetting> HostileSettings() {
    using E = SearchSettings;
    return {
        {&E::sqlFilterString, u"1=1) OR (1=1"},
        {&E::sqlFilterString,
         u"1=1) ORDER BY name; DELETE FROM canary; DECLARE z CURSOR WITH HOLD FOR "
         u"SELECT key,name,ident FROM namedata WHERE (1=1"},
        {&E::sqlFilterString, u"1=1; DELETE FROM canary"},
        {&E::sqlFilterString, u"1=1) --"},
        {&E::sqlFilterString, u"name = 'x"},
        {&E::tableName, u"NameData; DROP TABLE canary; --"},
        {&E::tableName, u"NameData; DROP TABLE canary"},
        {&E::keyFieldName, u"Key] LIKE '%' OR [Key"},
        {&E::textFieldName, u"Name; DELETE FROM canary"},
        {&E::idFieldName, u"Ident FROM canary --"},
    };
}

}  // namespace quarrymink::testing
