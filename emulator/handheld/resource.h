// Resource ids of qzremu.
#pragma once
#define IDR_DEFAULT_PROFILE 101
