// Identifiers of the resources compiled into nivora.scr.
#pragma once

#define IDI_NIVORA 1

// Option pictures: the element index is added to the first identifier of each array.
#define IDB_PRECIPITATION_0 100
#define IDB_VELOCITY_0 110
#define IDB_DIRECTION_0 130
#define IDB_BLIGHTNESS_0 140
#define IDB_MESSAGE 150
