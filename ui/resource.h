// Resource numbers of the Windows program, shared by Tidyquill.rc and the user interface code.
#pragma once

// The version resource; the system looks for it under this number.
#ifndef VS_VERSION_INFO
#define VS_VERSION_INFO 1
#endif
