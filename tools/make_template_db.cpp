// Builds the template invoice database from the committed schema:
//   make_template_db <schema.sql> <output fpbx.mdb>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s schema.sql fpbx.mdb\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1]);
    std::stringstream schema;
    schema << in.rdbuf();
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::remove(argv[2]);
    sqlite3* db = nullptr;
    if (sqlite3_open(argv[2], &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    char* error = nullptr;
    // WAL lets the records window read while the import writes; the mode stays with the file.
    const std::string script = "PRAGMA journal_mode=WAL;" + schema.str();
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "schema: %s\n", error);
        sqlite3_free(error);
        sqlite3_close(db);
        return 1;
    }
    return sqlite3_close(db) == SQLITE_OK ? 0 : 1;
}
