#pragma once

// JSONDictionary lives with the other parts of a tree.
#include "json/JSONValue.h"
