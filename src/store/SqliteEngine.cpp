#include "store/SqliteEngine.h"

#include <sqlite3.h>

namespace sqliteengine {

void configureOnce() {
    // Without memory statistics the engine takes no global lock per allocation: a tenth of an
    // import's time went to that lock. Too late once the engine runs (it then stays as it is).
    static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)configured;
}

}  // namespace sqliteengine
