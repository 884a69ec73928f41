// Table and field names and filters that try to run statements of their own or to widen a
// search: each must be refused with a message before any statement runs.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "quarrymink/database.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"
#include "recording_host.h"

namespace quarrymink::testing {

// Searches and recodes with each hostile setting in turn on top of base: each search finds
// nothing and gives one message of one line after the control's name, and the table canary
// keeps its three rows.
inline void ExpectHostileSettingsRefused(Connection& db, MatchEngine& engine, RecordingHost& host,
                                         const SearchSettings& base) {
    using E = SearchSettings;
    const std::pair<std::u16string E::*, std::u16string> hostile[] = {
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
    db.Execute(u"CREATE TABLE canary (x INTEGER)");
    db.Execute(u"INSERT INTO canary VALUES (1), (2), (3)");
    for (const auto& [property, value] : hostile) {
        SCOPED_TRACE(Utf16ToUtf8(value));
        engine.Settings() = base;
        engine.Settings().*property = value;
        host.messages.clear();
        std::u16string text = u"smith";
        EXPECT_TRUE(engine.BestMatchSearch(&db, text).matches.Items().empty());
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].find(u'\n', host.messages[0].find(u'\n') + 1), std::u16string::npos);
        engine.Recode(&db);
        EXPECT_EQ(db.OpenRecordset(u"SELECT COUNT(*) AS n FROM canary")->Field(u"n").ToInt32(), 3);
    }
}

}  // namespace quarrymink::testing
