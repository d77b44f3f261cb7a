#pragma once

// The embedded engine, set up once per process before its first connection: every opening of a
// database file calls configureOnce().
namespace sqliteengine {

void configureOnce();

}  // namespace sqliteengine
