#pragma once

// Resource identifiers, shared by Orvanel.rc and the windows.
#define IDI_ORVANEL 1
#define IDB_BRIDGE 101
#define IDB_ABOUT 102
