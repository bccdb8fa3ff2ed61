#pragma once

#include <QLoggingCategory>

// The application shell's diagnostics ("sweeplight.app").
Q_DECLARE_LOGGING_CATEGORY(lcApp)
