// Resource identifiers shared by the code and timelock.rc.
#pragma once

#define IDI_TIMELOCK 1
