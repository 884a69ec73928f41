// The table of the control's properties; see qm_properties_p.h.
#include <type_traits>

#include "qm_p.h"
#include "qm_properties_p.h"

namespace quarrymink {
namespace {

template <auto member>
PropertyField SettingField(QMPrivate& d) {
    return &(d.engine->Settings().*member);
}
template <auto member>
PropertyField ResultField(QMPrivate& d) {
    return &(d.engine->Result().*member);
}
template <auto member>
PropertyField ControlField(QMPrivate& d) {
    return &(d.*member);
}

using enum PropertyKind;
using typelib::Get;
using typelib::Put;
using typelib::PutRef;
constexpr unsigned kGetLet = Get | Put;
constexpr bool kSaved = true, kNotSaved = false;
constexpr bool kDesignable = true, kNotDesignable = false;

// In the order of the saved settings; slot is the member's place in the published interface.
// clang-format off
constexpr ControlProperty kProperties[] = {
    {"TextFieldName", Text, 0, kSaved, kDesignable, &QM::TextFieldNameChanged,
     &SettingField<&SearchSettings::textFieldName>,
     {2, kGetLet, 0x68030011, 30, "Specifies name of text field in specified  database table", false}},
    {"ShowListBox", Boolean, 1, kSaved, kDesignable, &QM::ShowListBoxChanged,
     &ControlField<&QMPrivate::showListBox>,
     {3, kGetLet, 0x68030010, 28, "When set displays the Match listbox", false}},
    {"ShowProgressBar", Boolean, 1, kSaved, kDesignable, &QM::ShowProgressBarChanged,
     &ControlField<&QMPrivate::showProgressBar>,
     {4, kGetLet, 0x6803000F, 28, "When set displays a progress bar ", false}},
    {"SearchCode", Text, 0, kSaved, kNotDesignable, &QM::SearchCodeChanged,
     &ResultField<&SearchResult::searchCode>, {5, kGetLet, 0x6803000E, -1, "", true}},
    {"TableName", Text, 0, kSaved, kDesignable, &QM::TableNameChanged,
     &SettingField<&SearchSettings::tableName>,
     {6, kGetLet, 0x6803000D, 29, "Specifies name of table in currently connected database", false}},
    {"SearchTime", Single, 0, kSaved, kNotDesignable, &QM::SearchTimeChanged,
     &ResultField<&SearchResult::searchTime>,
     {7, Get, 0x6803000C, 25, "Returns time taken for total search", false}},
    {"Compare", Int32, 0, kSaved, kDesignable, &QM::CompareChanged, &SettingField<&SearchSettings::compare>,
     {11, Put, 0x68030009, 11, "Sets method of comparison: first word, last word etc.", false}},
    {"Cancel", Boolean, 0, kSaved, kNotDesignable, &QM::CancelChanged, &SettingField<&SearchSettings::cancel>,
     {12, kGetLet, 0x68030008, -1, "", false}},
    {"IDValue", Int32, 0, kSaved, kNotDesignable, &QM::IDValueChanged, &ResultField<&SearchResult::idValue>,
     {14, Get, 0x68030006, 16, "Contains ID value of currently selected MatchList item", false}},
    {"MaxKeyLength", Int16, 0, kSaved, kDesignable, &QM::MaxKeyLengthChanged,
     &SettingField<&SearchSettings::maxKeyLength>,
     {16, Put, 0x68030005, 23, "Sets the maximum length of the string returned by MakeCode", false}},
    {"KeyFieldName", Text, 0, kSaved, kDesignable, &QM::KeyFieldNameChanged,
     &SettingField<&SearchSettings::keyFieldName>,
     {18, kGetLet, 0x68030004, 17, "Specifies name of Keycode field in specified  database table", false}},
    {"TextValue", Text, 0, kSaved, kNotDesignable, &QM::TextValueChanged,
     &ResultField<&SearchResult::textValue>,
     {21, kGetLet, 0x68030003, 31, "Contains text of currently selected MatchList item", false}},
    {"IDFieldName", Text, 0, kSaved, kDesignable, &QM::IDFieldNameChanged,
     &SettingField<&SearchSettings::idFieldName>, {23, kGetLet, 0x68030002, -1, "", false}},
    {"ConnectionType", Int32, 0, kSaved, kDesignable, &QM::ConnectionTypeChanged,
     &SettingField<&SearchSettings::connectionType>,
     {24, Put, 0x68030001, 12, "Used to indicate the type of database connection (DAO or ADO)", false}},
    {"FinalMatchItem", Boolean, 0, kSaved, kNotDesignable, &QM::FinalMatchItemChanged,
     &ResultField<&SearchResult::finalMatchItem>,
     {25, Get, 0x68030000, 13, "Is True when last item in MatchList is selected", false}},
    // 15 is the colour value 15 (a near-black red), not a system colour.
    {"BackColor", Colour, 15, kSaved, kDesignable, &QM::BackColorChanged, nullptr,
     {8, kGetLet, 0x6803000B, -1, "", false}},
    {"ForeColor", Colour, 0, kSaved, kDesignable, &QM::ForeColorChanged, nullptr,
     {10, kGetLet, 0x6803000A, 0,
      "Returns/sets the foreground color used to display text and graphics in an object.", false}},
    // Designer edits the font through QWidget's own "font" property.
    {"Font", Font, 0, kSaved, kNotDesignable, &QM::FontChanged, nullptr,
     {9, Get | PutRef, -512, 0, "Returns a Font object.", false}},
    {"SQLFilterString", Text, 0, kNotSaved, kNotDesignable, &QM::SQLFilterStringChanged,
     &SettingField<&SearchSettings::sqlFilterString>, {13, kGetLet, 0x68030007, -1, "", false}},
    {"ScoreInDatabase", Boolean, 0, kSaved, kDesignable, &QM::ScoreInDatabaseChanged,
     &SettingField<&SearchSettings::scoreInDatabase>,
     {27, kGetLet, 0x68030012, -1, "When set, a search on PostgreSQL scores in the database server", false}},
};
// clang-format on

}  // namespace

std::span<const ControlProperty> ControlProperties() {
    return kProperties;
}

bool Remember(const PropertyField& field, PropertyValue& remembered) {
    return std::visit(
        [&remembered](auto* value) {
            using T = std::remove_pointer_t<decltype(value)>;
            T* old = std::get_if<T>(&remembered);
            if (!old) {
                remembered.template emplace<T>(*value);
                return true;
            }
            if (*old == *value) return false;
            *old = *value;  // a text keeps its buffer: nothing is allocated per row
            return true;
        },
        field);
}

}  // namespace quarrymink
