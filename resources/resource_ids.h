// Identifiers of the resources compiled into nivora.scr.
#pragma once

#define IDI_NIVORA 1

// Identifiers of the option picture controls: the element index is added to the first identifier of each array.
// (The pictures themselves are named resources: options/option_pictures.rc.)
#define IDB_PRECIPITATION_0 100
#define IDB_VELOCITY_0 110
#define IDB_DIRECTION_0 130
#define IDB_BLIGHTNESS_0 140
#define IDB_MESSAGE 150
