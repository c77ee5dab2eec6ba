// Identifiers of the resources compiled into nivora.scr.
#pragma once

#define IDI_NIVORA 1
