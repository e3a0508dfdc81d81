#pragma once

#include <optional>
#include <string>

namespace kerfolio::share {

class PgConnection;

// The newest version of the server's tables this program knows.
inline constexpr int kSchemaVersion = 2;

// Brings the server's tables (schema "kerfolio") up to kSchemaVersion, each step once, recorded in
// kerfolio.migrations. Several PCs may start at once: an advisory lock lets one do each step. A role
// that may only insert and read gets through when the tables are already current, and a clear message
// when they are not. nullopt when the tables are ready.
std::optional<std::string> Migrate(PgConnection& conn);

}  // namespace kerfolio::share
