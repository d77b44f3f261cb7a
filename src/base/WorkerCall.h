#pragma once

#include <functional>

// Runs work on a thread of its own while this thread's event loop goes on (windows paint, other
// starts are answered), and returns its result here. An exception work throws is thrown again
// here.
bool callOnWorker(const std::function<bool()>& work);
