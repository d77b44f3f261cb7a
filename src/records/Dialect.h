#pragma once

namespace records {

// The engine a statement of the records window is written for: the embedded file or a server.
enum class Dialect { Sqlite, Postgresql };

}  // namespace records
