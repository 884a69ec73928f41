// The SQLite loadable extension, loaded as a host would: its functions agree with the
// library, refuse bad input with a message, and a ranked query can be written with them.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "extension_paths.h"
#include "scalar_cases.h"

namespace quarrymink {
namespace {

class SqliteExtensionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        sqlite3_enable_load_extension(db_, 1);
        char* error = nullptr;
        ASSERT_EQ(sqlite3_load_extension(db_, QM_SQLITE_EXTENSION, "sqlite3_quarrymink_init", &error),
                  SQLITE_OK)
            << (error ? error : "");
    }
    void TearDown() override { sqlite3_close(db_); }

    // The single value of SELECT expression, as text ("NULL" for NULL); the error message
    // prefixed by "ERROR: " when it fails.
    std::string Value(const std::string& expression) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, ("SELECT " + expression).c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return "ERROR: " + std::string(sqlite3_errmsg(db_));
        std::string out = "NULL";
        if (sqlite3_step(statement) != SQLITE_ROW)
            out = "ERROR: " + std::string(sqlite3_errmsg(db_));
        else if (const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)))
            out.assign(text, std::size_t(sqlite3_column_bytes(statement, 0)));
        sqlite3_finalize(statement);
        return out;
    }

    sqlite3* db_ = nullptr;
};

TEST_F(SqliteExtensionTest, FunctionsAgreeWithTheLibraryAndRefuseBadInput) {
    for (const auto& c : testing::ScalarCases()) EXPECT_EQ(Value(c.expression), c.expected) << c.expression;
    // The prefix comes unescaped here, for substr(key, 1, 2).
    EXPECT_EQ(Value("qm_class_prefix(qm_code('_abc'))"), "\x02_");

    // Bad input fails with its reason.
    for (const auto& c : testing::FailingCases())
        EXPECT_NE(Value(c.expression).find("ERROR: " + c.expected), std::string::npos) << c.expression;
    EXPECT_EQ(Value("qm_code(CAST(x'66ff' AS TEXT))"), "ERROR: qm_code: the text is not valid UTF-8");
    EXPECT_EQ(Value("qm_align(replace(printf('%5000s', ''), ' ', 'a'), 'a', 100)"),
              "ERROR: qm_align: texts longer than 4096 characters are not aligned");
}

}  // namespace
}  // namespace quarrymink
