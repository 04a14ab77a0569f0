// Ids of the program's resources, shared by xpwizard.rc and the code.
#pragma once

#define IDI_XPWIZARD 101
#define IDI_FOLDER 102
