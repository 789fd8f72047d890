#pragma once
// The parts of CoreServices the system uses: scalar types, the Component
// Manager road.

#include <CoreServices/Components.h>
#include <CoreServices/Gestalt.h>
#include <CoreServices/MacTypes.h>
