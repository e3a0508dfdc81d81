#pragma once

#include <optional>
#include <string>

namespace kerfolio::share {

class PgConnection;

// The newest version of the server's tables this program knows.
inline constexpr int kSchemaVersion = 3;

// Brings the server's tables (schema "kerfolio") up to kSchemaVersion, each step once, recorded in
// kerfolio.migrations. Several PCs may start at once: an advisory lock lets one do each step. A role
// that may only insert and read gets through when the tables are already current, and a clear message
// when they are not. Tables newer than this program are left alone and said (kSchemaTooNew): nothing
// may be written to them until the program is updated. nullopt when the tables are ready.
// upTo: a lower version leaves the later steps undone, as an older release of the program did.
std::optional<std::string> Migrate(PgConnection& conn, int upTo = kSchemaVersion);

}  // namespace kerfolio::share
