// The test server of a build without PostgreSQL: there is none, and the tests say why.
#include "pg_server.h"

namespace quarrymink::testing {

const char* PgConninfo(int) {
    return nullptr;
}

const std::string& PgUnavailableReason() {
    static const std::string reason = "this build has no PostgreSQL support (QM_WITH_POSTGRES=OFF)";
    return reason;
}

void UsePgInstallation(const PgInstallation&) {}

bool PgBuiltIn() {
    return false;
}

}  // namespace quarrymink::testing
