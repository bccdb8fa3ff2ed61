#include "AppLog.h"

Q_LOGGING_CATEGORY(lcApp, "sweeplight.app", QtWarningMsg)
