#pragma once

#include <QString>

// The one place that names the invoice database file, its password and its open mode.
QString GetConnectionString();
