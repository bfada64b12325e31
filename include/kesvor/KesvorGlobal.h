#pragma once

#if defined(KESVOR_BUILDING_SDK)
#define KESVOR_EXPORT __attribute__((visibility("default")))
#else
#define KESVOR_EXPORT
#endif
